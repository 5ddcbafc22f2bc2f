// Reading the MIME header of one entity of a message file: its boundary, its
// type, transfer encoding, charset and, for attachments, its file name.
#pragma once

#include <cstdint>

#include "core/arrays.h"
#include "format/part_list.h"

// Reads "Content-Type" (first occurrence, header scope, up to 1024
// characters) of the header that starts at *offset and its "boundary"
// parameter into `boundary`. Returns 0 with *offset moved to the field's
// name, or -1 (offset unchanged) when there is no boundary.
int read_boundary(const char* path, Array* boundary, int64_t* offset);

// The code page code of a "charset" value: CHARSET_NONE for an empty text,
// CHARSET_US_ASCII, CHARSET_UTF8, 1 to 9 for iso-8859-1 to 9, the Windows
// code page of any other charset of the charset table (iso-8859-15 gives
// 28605), else CHARSET_OTHER.
int charset_code(const char* charset);

// Fills the record for the entity whose header starts at the offset. The
// type defaults to "text/plain". In attachment mode the file name is read
// from the disposition's "filename" parameter, else the type's "name"
// parameter, else it is "inline.html", "inline.txt" or "unknown.txt"; the
// type text is then replaced by the disposition, so that a walk matches
// dispositions instead of types. Always returns 1.
int read_part_headers(const char* path, int64_t offset, PartHeaders* headers, bool attachment_mode);
