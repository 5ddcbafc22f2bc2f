// Reading and writing the line-oriented data files (settings, account
// table).
#pragma once

#include <cstdio>

// Reads one line into a block of `size` bytes, keeping at most `keep`
// characters of it (and never the block's last byte), cut at its first
// carriage return; the rest of the block is zero. The rest of an over-long
// line is passed over, so one long line never spills into the lines after
// it. Returns false when the file had already ended (the block is then
// empty).
bool read_text_line(std::FILE* f, char* into, int size, int keep);

// Writes the text of a block of `size` bytes (up to its first zero byte or
// the block's end) and CR LF. Returns false when the write failed.
bool write_text_line(std::FILE* f, const char* text, int size);
