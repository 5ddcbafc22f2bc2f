// The message builder: turns a compose window's fields into one complete
// message file. First the private sending fields (X-ZMServer,
// X-ZMAccountIndex, X-ZMAddress, X-ZMRecipients, X-ZMOpts), then the header,
// then a quoted-printable text, or with encryption the enciphered text in
// base64, and with attachments a multipart/mixed body whose later parts are
// the attachment files.
#pragma once

#include "core/arrays.h"
#include "format/build_names.h"
#include "format/compose_fields.h"

// Writes the message file at `output_path`. With `for_display` (saving or
// printing) the "To:" line keeps the names even when the BCC option would
// hide them. The file is built under "temp" and takes the place of the
// output only when complete, so a failed build leaves an existing file as
// it was. Returns 0, or -1 after a message box naming the failure.
int build_message_file(const ComposeFields* fields, const char* output_path, bool for_display);

// Writes the whole message into `names->building`, which the caller has
// claimed (build_names_claim). Returns 0, or -1 after a message box.
int build_message(const ComposeFields* fields, const BuildNames* names, bool for_display);

// The builder's message box for a file it could not open or write, owned by
// the compose window: `format` holds one %s (at most 50 characters of it).
void show_path_failure(const ComposeFields* fields, const char* format, const char* path);
