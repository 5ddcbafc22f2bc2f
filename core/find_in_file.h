// Streaming search of a file for a text, without loading the file.
#pragma once

#include <cstdint>

// Returns -1 when the file cannot be opened, 0 when the pattern does not
// occur, else the number of matches (1 unless `all`). With an offset the
// search starts at that position and, at the first match, the match's
// absolute position is stored back into it. Without `exact` case is ignored
// (ASCII letters). Only the pattern's first 49 characters take part.
int find_in_file(const char* path, const char* pattern, int64_t* offset, bool all, bool exact);

// The first match that begins at or before `limit`, reading no further than
// the pattern can reach from there: the search for a field of one header
// stops at that header's end instead of running through the rest of a large
// message. Returns -1 when the file cannot be opened, 0 when there is no such
// match, else 1 with the match's position stored into *offset (where the
// search also starts). Matching as find_in_file.
int find_in_file_within(const char* path, const char* pattern, int64_t* offset, int64_t limit, bool exact);

// The same test on bytes held in memory (a part decoded for a search): 1
// when the pattern occurs in them, matching as find_in_file, else 0.
int find_in_memory(const char* bytes, int64_t size, const char* pattern, bool exact);
