// The attachment working files of a compose window and the attachment parts
// of the messages built from them. Each attachment is one file
// "temp\attachment<W>_<i>.tmp" (W the window's handle value, i its index
// from 0): the line "X-ZMAttachment: <file name in UTF-8>\r\n", then the file's base64 text
// (of its encrypted form when encryption was on when it was added).
#pragma once

#include <cstdio>

#include "core/arrays.h"
#include "format/compose_fields.h"

// "temp\attachment%i_%i.tmp" of the window number and the index.
void attachment_file_name(Array* out, int window_number, int index);

// Adds `chosen_path` as the window's next attachment, index *attachment_count:
// with `encrypt` the file is first enciphered into the window's scratch file,
// then encoded with its name (without folder) as the marker. The path is in
// the system's code page, as the file dialogs give it; the marker holds the
// name in UTF-8. On success the count grows by one, the name in UTF-8 is
// copied into `name_out` (may be null) and
// the result is 0; otherwise -1 after the encoder's or cipher's message.
int add_attachment(WindowRef window, int window_number, int* attachment_count, const char* chosen_path, bool encrypt,
                   Array* name_out);

// "Encrypt Messages" switched in a compose window: every attachment file of
// the window (indexes 0 to attachment_count - 1) is converted, deciphered
// when `encrypted_now` (the check mark before the switch) or enciphered
// with the message key otherwise, into a new file, and the attachment files
// are replaced only when every one was converted. Returns 0; -1 when an
// attachment could not be converted (no marker line, a file that cannot be
// read or written, no key), and then every attachment file is as it was. The
// caller flips the check mark on 0 and shows "Could not change encryption
// state." on -1.
int toggle_attachment_encryption(WindowRef window, int window_number, int attachment_count, bool encrypted_now);

// Writes every attachment of the fields as a part of the multipart body with
// the boundary number, each part preceded by "\r\n" and its delimiter, and
// then the close delimiter. Returns 0, or -1 after "Could not send
// attachment!" when an attachment file cannot be read or is not one, or the
// output cannot be written.
int write_attachments(const ComposeFields* fields, std::FILE* output, int boundary);
