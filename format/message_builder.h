// The message builder: turns a compose window's fields into one complete
// message file. First the private sending fields (X-ZMServer,
// X-ZMAccountIndex, X-ZMAddress, X-ZMRecipients, X-ZMOpts), then the header,
// then a quoted-printable text, or with encryption the enciphered text in
// base64, and with attachments a multipart/mixed body whose later parts are
// the attachment files.
#pragma once

#include "core/arrays.h"
#include "format/compose_fields.h"

// Writes the message file at `output_path`. With `for_display` (saving or
// printing) the "To:" line keeps the names even when the BCC option would
// hide them. The file is built under "temp" and takes the place of the
// output only when complete, so a failed build leaves an existing file as
// it was. Returns 0, or -1 after a message box naming the failure.
int build_message_file(const ComposeFields* fields, const char* output_path, bool for_display);

// Writes the message as a new message file "mm<N>.eml" of a store folder
// ("maildir\drafts", "maildir\outbox"), N the folder's highest number plus
// one (or the next free one after it). The file appears in the folder
// complete, never half written. Returns 0 with the file's path in
// `path_out` (may be null), or -1 after a message box.
int build_into_folder(const ComposeFields* fields, const char* folder, bool for_display, Array* path_out);
