// The quoted copy of a text for replies and forwards: "> " in front of every
// line.
#pragma once

// Writes "> ", then the input in pieces of at most 89 bytes (a line end ends
// a piece), and "> " again after every piece that ends with "\n"; so a line
// longer than 89 bytes keeps one quote mark at its start, and the output
// ends with "> " after the last line end. Every byte is kept. Returns 0, or
// -1 when either file cannot be opened or the output could not be written.
int quote_file(const char* input_path, const char* output_path);
