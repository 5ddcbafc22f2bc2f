// The parts the MIME reader finds in a message file: for each one the byte
// range of its body in the file and the few header values callers need. The
// message itself is never loaded; callers copy a range out and decode it.
#pragma once

#include <cstdint>

#include "core/arrays.h"

// Code page codes of a part's "charset" parameter; 1 to 9 stand for
// iso-8859-1 to iso-8859-9, a code of 10 or more is a Windows code page.
enum : int {
    CHARSET_US_ASCII = -1,
    CHARSET_UTF8 = -2,
    CHARSET_NONE = -3,   // no "charset" parameter
    CHARSET_OTHER = -4,  // a name the charset table does not know
};

// Scratch record of one entity's header, filled by read_part_headers.
struct PartHeaders {
    Array* type;       // 100: "Content-Type", or in attachment mode "Content-Disposition"
    Array* encoding;   // 100: "Content-Transfer-Encoding"
    Array* file_name;  // 100
    int code_page;
};

void part_headers_init(PartHeaders* headers);
void part_headers_release(PartHeaders* headers);

// One recorded part. A list always ends with an empty record whose link is
// null; an empty list is that record alone.
struct PartRecord {
    PartRecord* next;
    int64_t body_start;  // first byte after the part's blank line
    int64_t body_end;    // the "\r\n" before the next delimiter; 0: up to the end of the file
    Array* type;         // 100 each, at most 99 characters
    Array* encoding;
    Array* file_name;
    int code_page;
    // No delimiter closes the part: it runs up to the next delimiter of an
    // enclosing multipart or to the end of the file, and may be cut short.
    bool incomplete;
};

PartRecord* part_list_new();
// Frees every record of the list, the end record included.
void part_list_free(PartRecord* list);
// Drops every record but keeps the list usable (one empty end record).
void part_list_clear(PartRecord* list);
// Fills the end record with the range and the header values (each text cut
// to 99 characters) and links a new empty end record behind it.
void part_list_append(PartRecord* list, int64_t body_start, int64_t body_end, const PartHeaders* headers,
                      bool incomplete);
// Number of recorded parts, the end record not counted.
int part_list_count(const PartRecord* list);
