// The charsets a message may name (MIME charset parameters, RFC 2047 words)
// and the system code page each is read with. us-ascii and iso-8859-1 are
// read as windows-1252: mail that says them often holds its characters.
#pragma once

#include <string>
#include <string_view>

// The code page of a charset name (any letter case, an RFC 2231 "*language"
// suffix ignored); 0 for a charset the table does not know.
int charset_code_page(std::string_view charset);

// The bytes of the charset as UTF-8; false when the charset is unknown or
// the system cannot convert it (`utf8` is then empty).
bool charset_to_utf8(std::string_view charset, std::string_view bytes, std::string* utf8);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing past U+10FFFF).
bool valid_utf8(std::string_view bytes);

// Header text that is not encoded: UTF-8 when it is valid UTF-8, else read
// as the system's code page, as the mail of older programs is.
std::string raw_header_text_to_utf8(std::string_view bytes);

// Text of this system (a file name, the account table) as UTF-8: read in
// its code page.
std::string system_text_to_utf8(std::string_view bytes);

// A name from a message (UTF-8) as a file name on this system: in its code
// page, "_" for each character it lacks, for \ / : * ? " < > | and for
// control characters.
std::string utf8_to_file_name(std::string_view utf8);
