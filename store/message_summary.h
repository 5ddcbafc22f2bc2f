// The summary of one message for the message list, read from its header.
#pragma once

#include "core/arrays.h"

// The texts of a summary are UTF-8, decoded from the header's encoded words
// and charsets; they hold characters, so their buffers hold up to four bytes
// for each character kept.
constexpr int summary_name_characters = 124;
constexpr int summary_subject_characters = 99;
constexpr int summary_name_capacity = 4 * summary_name_characters + 1;
constexpr int summary_subject_capacity = 4 * summary_subject_characters + 1;

struct MessageSummary {
    int multipart = 0;
    int marked = 0;
    int read = 1;
    int attachments = 0;  // from the list mirror or summarise_for_row, not read_summary
    Array* from = nullptr;          // 256: the raw "From" value, unfolded
    Array* from_name = nullptr;     // the display name, decoded, at most 124 characters
    Array* from_address = nullptr;  // 125
    StringList* recipients = nullptr;  // 100 x 256: To entries, then Cc entries, decoded
    Array* subject = nullptr;       // decoded (deciphered when possible), at most 99 characters
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
