// Reading one header field of a message file by name, straight from the file,
// and the small operations on field values that go with it.
#pragma once

#include <cstdint>

#include "core/arrays.h"

enum { FIELD_LAST = 0, FIELD_FIRST = 1 };    // occurrence
enum { SCOPE_HEADER = 0, SCOPE_FILE = 1 };   // how far the search goes

// Reads the value of field `name` from the message file at `path`: the text
// after the colon without the leading spaces and tabs and without the final
// line end; folded continuation lines stay inside as stored.
//
// `offset` (may be null for 0) is where the header to search starts: 0 for
// the message, a part's start for a MIME part. On success it receives the
// file position of the found field's name. The name is matched, ignoring
// case, at the start of a line and is not checked to be followed by the
// colon. `occurrence` is FIELD_FIRST or FIELD_LAST; `scope` SCOPE_HEADER
// searches up to the end of the header that starts at the offset,
// SCOPE_FILE the whole rest of the file.
//
// `out` is cleared first. Returns 0; -2 when the value was cut to `max_len`
// (or to the buffer) and callers take the cut value; -1 when the field is
// absent or empty, its line end lies beyond the bytes read (about
// `max_len` + 10 after the name, at most 16000), or the file cannot be read.
int read_header_field(const char* path, int64_t* offset, const char* name, Array* out, int max_len,
                      int occurrence, int scope);

// Finds where field `name` begins (the first character of its name) without
// reading its value, by the same matching rules as read_header_field.
// Returns 0 with the position, -1 when the field is absent, -3 when the file
// cannot be read.
int locate_header_field(const char* path, int64_t start, const char* name, int occurrence, int scope,
                        int64_t* found);

// Reads parameter `param` (charset, boundary, filename...) of a structured
// field value into `out` (cleared first). A quoted parameter runs to its
// closing quote, where a zero byte is written into `value` (the caller's
// value is shortened); a quoted one without closing quote runs to the end of
// the value; an unquoted one ends at the first ';', space, tab or line break.
// Returns 0; -2 when cut to `max_len` or the buffer; -1 when absent or empty.
int get_field_parameter(Array* value, const char* param, Array* out, int max_len);

// Removes, in place, every tab, carriage return and line feed among the first
// `max_len` characters of the text; spaces stay. A value folded after a
// comma ("a,\r\n\tb") becomes "a,b".
void unfold_value(Array* buffer, int max_len);
