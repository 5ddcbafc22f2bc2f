// Header text beyond ASCII: RFC 2047 encoded words read into UTF-8 and
// written from it, and RFC 2231 parameters (file names) read. Message files
// stay as they came; these texts are for showing and for names on disk.
#pragma once

#include <string>
#include <string_view>

// A header field's value as a person reads it, in UTF-8: folded lines
// joined, encoded words ("=?charset?B|Q?...?=", any letter case, a charset
// with "*language") decoded, the blanks between two decoded words dropped,
// adjacent words of one charset joined before conversion (a character may
// be split between them). A word folded inside its text is read whole; a
// Q word's text may end in a lone "=". A malformed word, or one of an
// unknown charset, stays as written with the blanks around it; other 8-bit
// text is taken as UTF-8 when it is that, else as the system's code page.
// Time and room linear in the text, whatever it holds.
std::string decode_header_text(std::string_view raw);

// The raw text with each fold that lies inside an encoded word taken out
// (its line break and the blanks after it), for readers that unfold a value
// by dropping line breaks alone and would leave such a word with a blank in
// it (the address lists). Everything else stays as it is.
std::string join_folded_words(std::string_view raw);

// A parameter of a Content-Type or Content-Disposition value ("filename",
// "name"), in UTF-8: RFC 2231 forms (name*=charset'lang'%XX, continuations
// name*0, name*1* ...) first, then the plain name=value or "value" with
// encoded words in it. Empty when the value has no such parameter.
std::string decode_parameter(std::string_view field_value, std::string_view name);

// UTF-8 text as a header writes it: ASCII text as it is; otherwise RFC
// 2047 "=?utf-8?B?...?=" words of at most 75 characters, never splitting a
// character, folded with CR LF and a blank. `used` is how much of the first
// line the field's name already takes.
std::string encode_header_text(std::string_view utf8, size_t used);

// An RFC 2231 parameter of UTF-8 text: "name*=utf-8''%E2%82%AC.txt", or
// when that would not fit a line, pieces "name*0*=utf-8''...;", folded
// with CR LF and a blank, "name*1*=..." and on, each line within 78
// characters and no character split between two pieces. `used` is how
// much of the first line is taken already.
std::string encode_parameter(std::string_view name, std::string_view utf8, size_t used);

// The first `characters` characters of UTF-8 text.
std::string utf8_prefix(std::string_view utf8, size_t characters);
// As much of UTF-8 text as `bytes` bytes hold without splitting a character.
std::string utf8_within(std::string_view utf8, size_t bytes);
