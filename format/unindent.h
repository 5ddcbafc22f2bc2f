// "Unindent" of a compose window: every level of quote marks and any
// indentation taken off the start of every line at once.
#pragma once

#include <string>
#include <string_view>

// The text with every ">", space and tab at the start of each line removed.
// A line starts the text and follows every "\r" or "\n" ("\r\n", a rich edit
// control's lone "\r" and a bare "\n" alike); line ends and the rest of each
// line stay as they are, however long the line.
std::u16string unindent_text(std::u16string_view text);

// The same from file to file, byte for byte. The marks are ASCII and no byte
// of a UTF-8 sequence is one, so single-byte and UTF-8 files both come out
// in their own encoding. Returns 0; -1 after "Could not open message source
// file." or "Could not open message destination file." (caption "Zenth
// Mail"), or when the output could not be written whole.
int unindent_file(const char* input_path, const char* output_path);
