// Reading the line-oriented data files (settings, account table).
#pragma once

#include <cstdio>

#include "core/arrays.h"

// Reads one line, keeping at most `keep` characters of it, cut at its first
// carriage return. The rest of an over-long line is passed over, so one
// long line never spills into the lines after it. Returns false when the
// file had already ended (the buffer is then empty).
bool read_text_line(std::FILE* f, Array* into, int keep);
