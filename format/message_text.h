// The message text as it goes into a message file: the editor holds UTF-16,
// the file holds UTF-8 when any character lies above U+00FF and one byte per
// character otherwise, and the charset the message declares follows from
// which of the two was written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The charset of a text file by its writer's result: 1 (UTF-8) gives
// "utf-8", anything else "iso-8859-1".
const char* text_charset(int wrote_utf8);

// True when a UTF-16 unit above U+00FF occurs (surrogates included).
bool wide_text_needs_utf8(const char16_t* units, size_t count);

// Converts UTF-16 that arrives in pieces. In UTF-8 mode surrogate pairs split
// between two pieces are joined and a lone surrogate becomes U+FFFD; in
// single-byte mode each unit becomes its low byte, which is the ISO-8859-1
// character when no unit lies above U+00FF.
struct WideTextEncoder {
    bool utf8 = false;
    char16_t pending = 0;  // a high surrogate waiting for its partner
};
// Writes at most 3 * count + 3 bytes to out; returns the number written.
size_t wide_text_encode(WideTextEncoder* encoder, const char16_t* units, size_t count, char* out);
// The end of the text: a high surrogate still waiting becomes U+FFFD.
// Writes at most 3 bytes.
size_t wide_text_finish(WideTextEncoder* encoder, char* out);

// Writes a UTF-16 text held in memory into a file, as UTF-8 when a character
// lies above U+00FF or force_utf8 is set, else as ISO-8859-1. Returns 1 when
// it wrote UTF-8, 0 for single-byte text, -1 after "Could not open message
// file" or when the file could not be written.
int write_wide_text(const char16_t* units, size_t count, const char* path, bool force_utf8);

// The bytes of a text file as UTF-16: UTF-8 when they are well-formed UTF-8
// (a leading byte-order mark is dropped), else the system's single-byte
// code page. A text that is plain ASCII reads the same either way.
// *was_utf8 (may be null) tells which was taken. "Read", "Add Custom Text"
// and "Unindent" load files written by write_wide_text, which are UTF-8
// whenever a character lies above U+00FF.
std::u16string text_bytes_to_wide(std::string_view bytes, bool* was_utf8 = nullptr);

// The same for the whole file at `path`; 0, or -1 when it cannot be read.
int read_wide_text(const char* path, std::u16string* text, bool* was_utf8 = nullptr);
