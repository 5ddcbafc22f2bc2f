// The summary of one message for the message list, read from its header.
#pragma once

#include "core/arrays.h"

struct MessageSummary {
    int multipart = 0;
    int marked = 0;
    int read = 1;
    int attachments = 0;  // from the list mirror or summarise_for_row, not read_summary
    Array* from = nullptr;          // 256: the raw "From" value
    Array* from_name = nullptr;     // 125
    Array* from_address = nullptr;  // 125
    StringList* recipients = nullptr;  // 100 x 256: To entries, then Cc entries
    Array* subject = nullptr;       // 100, deciphered when possible
    Array* date = nullptr;          // 100: "2026-12-06 13:32:38 +0100" or "unknown"
};

MessageSummary* summary_new();
void summary_delete(MessageSummary* summary);
void summary_clear(MessageSummary* summary);

enum { SUMMARY_OK = 0, SUMMARY_UNREADABLE = -1, SUMMARY_SUBJECT_LOCKED = -2 };

// Reads the summary of the message file at `path`, or of message `number` of
// the folder on show when no path is given. Returns SUMMARY_OK,
// SUMMARY_UNREADABLE (the file cannot be opened, or its To or Cc field could
// not be parsed) or SUMMARY_SUBJECT_LOCKED (an encrypted subject and no key).
int read_summary(int number, MessageSummary* summary, const char* path);
