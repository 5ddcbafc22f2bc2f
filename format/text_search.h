// Text searches over zero-terminated text held in memory.
#pragma once

#include "core/arrays.h"

// First occurrence of `pattern` in `text`, with the ASCII letters compared
// without regard to case and every other byte exactly; null when absent.
// An empty pattern is found at the start.
const char* find_text_nocase(const char* text, const char* pattern);

// Copies into `out` (cleared first) the text between the first occurrence of
// `open` (case ignored) and the next occurrence of `close` after it, at most
// `max_len` characters and never more than the buffer holds. Returns 0, or
// -1 when either is missing (`out` stays empty).
int extract_between(int max_len, const char* text, Array* out, const char* open, const char* close);
