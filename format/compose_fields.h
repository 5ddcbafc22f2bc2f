// What the message builder takes from a compose window: the texts of its
// controls, its check marks and its attachment count, read by the window
// before a build. The texts are the window's; the builder only reads them.
#pragma once

#include <cstddef>

#include "core/ui_services.h"

struct ComposeFields;

// Writes the message text into the file at `path`. Returns 1 when it wrote
// UTF-8, 0 when it wrote single-byte text, -1 on failure (after its own
// message). The compose window's editor writer is one; tests and other
// callers with the text in memory use write_compose_text.
using ComposeTextWriter = int (*)(const ComposeFields* fields, const char* path);

struct ComposeFields {
    WindowRef window = nullptr;  // owns the builder's message boxes
    int window_number = 0;       // the window's handle value: names its scratch and attachment files
    int account = -1;            // index in the account table, -1 when none is selected
    const char* server = "";     // "Server:"
    const char* from = "";       // "From:", the sender text
    const char* to = "";         // "To:", comma-separated entries
    const char* cc = "";         // shown in a "Cc:" line; the send window has no such control
    const char* bcc = "";        // envelope only, never in the header
    const char* subject = "";    // at most 98 characters are used
    const char* reply_reference = "";  // "Message-ID" of the message replied to, or empty
    const char* reply_references = "";  // a reply's "References" ids, space-separated, or empty
    int attachment_count = 0;    // files "temp\attachment<W>_<i>.tmp", i from 0
    bool encrypt = false;        // "Encrypt Messages" (1050)
    bool save_sent = false;      // "Save Sent Items" (110)
    bool bcc_multiple = false;   // "Use BCC For Multiple Send" (109)
    ComposeTextWriter write_text = nullptr;  // none: the message has no text
    const void* text_source = nullptr;  // what write_text reads; a ComposeText for write_compose_text
};

// A message text held in memory as UTF-16.
struct ComposeText {
    const char16_t* units = nullptr;
    size_t count = 0;
    bool force_utf8 = false;
};

// A ComposeTextWriter for a ComposeText in `text_source` (write_wide_text).
int write_compose_text(const ComposeFields* fields, const char* path);
