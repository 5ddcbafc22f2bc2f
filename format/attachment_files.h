// The attachment working files of a compose window and the attachment parts
// of the messages built from them. Each attachment is one file
// "temp\attachment<W><i>.tmp" (W the window's handle value, i its index from
// 0): the line "X-ZMAttachment: <file name in UTF-8>\r\n", then the file's base64 text
// (of its encrypted form when encryption was on when it was added).
#pragma once

#include <cstdio>

#include "core/arrays.h"
#include "format/compose_fields.h"

// "temp\attachment%i%i.tmp" of the window number and the index.
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

// Writes every attachment of the fields as a part of the multipart body with
// the boundary number, each part preceded by "\r\n" and its delimiter, and
// then the close delimiter. Returns 0, or -1 after "Could not send
// attachment!" when an attachment file cannot be read or is not one, or the
// output cannot be written.
int write_attachments(const ComposeFields* fields, std::FILE* output, int boundary);
