// The MIME reader's walk over a message file. Parts are found with file
// searches for their boundary delimiters, never by loading the message; each
// part whose type (or, for attachments, whose disposition) matches a
// preference list is recorded as a byte range of the file.
#pragma once

#include <cstdint>

#include "core/arrays.h"
#include "format/part_list.h"

// The next boundary delimiter at or after *offset that opens a part: close
// delimiters (followed by "--") are stepped over. Returns 1 with *offset at
// the delimiter's first byte, or 0 when no further delimiter exists.
int find_boundary(const char* path, const char* delimiter, int64_t* offset);

// Index of the first entry of the list that the type text begins with
// (ASCII case ignored), -1 when none does. Empty entries match nothing.
int match_type(const char* type, StringList* preferences);

// Whether the type text begins with "multipart" (case ignored).
bool is_multipart(const char* type);

// Records the part whose header starts at the offset: its body runs from
// the first byte after its blank line to the "\r\n" before the next
// delimiter. An empty delimiter is a single-part message, whose body runs to
// the end of the file. In select mode (collect false) the list keeps only
// this part. Returns 1 when recorded, 0 when the part's header has no end.
int record_part(const char* path, int64_t offset, const char* delimiter, PartRecord* list,
                const PartHeaders* headers, bool collect);

// Walks the entity whose header starts at the offset. In select mode the best
// matching part (the lowest preference index, the first of equals) is kept
// and the walk stops at a part of the first preference; in collect mode,
// which reads dispositions (attachment mode), every matching part is
// recorded. *best is the index of the best part so far; callers start it at
// -1. Returns true when a part was recorded (*best is no longer -1).
bool walk_parts(const char* path, int64_t offset, StringList* preferences, PartRecord* list, int* best,
                bool collect);

// The attachments of a message: every part of the outermost multipart level
// (or the message itself) whose disposition begins with "attachment" or
// "inline". Returns true when there was one.
bool collect_attachments(const char* path, PartRecord* list);
