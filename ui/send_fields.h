// What a send window holds, read whole into a record of its own (a send
// runs on after its window closed), and the window's message files: loading
// a stored message into it and saving it as one.
#pragma once

#include <windows.h>

#include <string>

#include "format/attachment_sink.h"
#include "format/compose_fields.h"
#include "ui/send_window_parts.h"

struct SendFields {
    std::string server, from, to, subject, reply_reference, reply_references;
    std::u16string text;
    ComposeText compose_text;
    ComposeFields fields;
};

// Copies every field of the window (texts as UTF-8, the editor's text as
// UTF-16, the check marks, the account and the attachment count) into
// `out`, whose ComposeFields then point into it.
void read_compose_fields(HWND window, const SendWindow* state, SendFields* out);

// The window's attachments line (229) as the attachment walks fill it.
AttachmentLine send_attachment_line(HWND window);

// The editor's text into a file: UTF-8 when a character lies above U+00FF
// or `force_utf8`, else ISO-8859-1. 1, 0, or -1 on failure.
int write_editor_text(HWND window, const char* path, bool force_utf8);

// Loads the stored message at `path` into the window. False after the
// message that says why.
bool load_message(HWND window, SendWindow* state, const char* path);

// Builds the message into `path`, or into a file the user chooses when
// `path` is null or empty. True once saved ("File saved." when `confirm`).
bool save_message(HWND window, SendWindow* state, const char* path, bool confirm);

// "Save As Draft" and "Send Later": the message as a new file of the store
// folder ("maildir\drafts", "maildir\outbox"); the outbox copy is built for
// sending. True once it is there.
bool save_into_folder(HWND window, SendWindow* state, const char* folder);
