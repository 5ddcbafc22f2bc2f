// IMAP folder names on the wire (RFC 3501 section 5.1.3, "modified UTF-7"):
// printable US-ASCII stands for itself, "&" is written "&-", and every run
// of other characters is "&", the modified base64 of its UTF-16 (with ","
// for "/"), and "-". The client holds names as UTF-8.
#pragma once

#include <string>
#include <string_view>

// UTF-8 → the wire form. false, with `out` empty, for text that is not
// UTF-8 (a stray continuation byte, an over-long or cut sequence, a
// surrogate, a code point above U+10FFFF) or that holds control characters.
bool imap_utf7_encode(std::string_view utf8, std::string* out);
// The wire form → UTF-8. false, with `out` empty, for a name that is not
// modified UTF-7: a byte outside printable US-ASCII, a shift without its
// "-", a character outside the modified base64 alphabet, left-over bits that
// are not zero or make no 16-bit unit, an unpaired surrogate, or a shift that
// encodes a character that stands for itself.
bool imap_utf7_decode(std::string_view wire, std::string* out);
