// Removing and replacing header lines of a message file. A file is never
// changed in place: the new content is written to a scratch file under
// "temp" and then copied over the old file.
#pragma once

#include <cstdint>

// Copies `source` to `destination` byte for byte, except that the
// `line_count` lines starting at byte `offset` are replaced by `text` (which
// brings its own line end, or is empty to remove them). Lines of any length
// are skipped whole. Returns 0, or -1 when a file cannot be opened, the
// source is shorter than `offset`, or the destination cannot be written.
int copy_replacing_line(const char* source, const char* destination, int64_t offset, int line_count,
                        const char* text);

// Writes to `temp_path` a copy of the message at `path` whose first header
// field `name` is replaced by `text` (with its own "\r\n", or empty to remove
// it), together with any continuation lines of a folded field. Returns 0, -1
// when the header has no such field or the files cannot be handled; the
// message file itself is never touched.
int replace_header_field(const char* path, const char* temp_path, const char* name, const char* text);

// Removes the first header field `name` from the message, through the scratch
// file "temp\strip<number>.tmp" (number: the calling window's handle value).
// Returns 0, or -1 when the field is absent (the file is left untouched) or
// the file could not be rewritten.
int strip_header_field(int number, const char* path, const char* name);

// Removes the client's private fields "X-ZMMark", "X-ZMRead", "X-ZMServer",
// "X-ZMAccountIndex", "X-ZMAddress", "X-ZMRecipients" and "X-ZMOpts" (each
// once, where present). Returns 0, or -1 when the file could not be read or
// rewritten.
int strip_private_fields(int number, const char* path);
