// Streaming search of a file for a text, without loading the file.
#pragma once

#include <cstdint>

// Returns -1 when the file cannot be opened, 0 when the pattern does not
// occur, else the number of matches (1 unless `all`). With an offset the
// search starts at that position and, at the first match, the match's
// absolute position is stored back into it. Without `exact` case is ignored
// (ASCII letters). Only the pattern's first 49 characters take part.
int find_in_file(const char* path, const char* pattern, int64_t* offset, bool all, bool exact);
