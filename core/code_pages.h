// Which Windows code pages the system can convert text from, and the
// conversions themselves, with UTF-8 as the client's inner form of text
// taken from headers.
#pragma once

#include <string>
#include <string_view>

// Whether the code page is installed. The POSIX side knows the ones the
// client asks for: 20127, 28591 to 28599 and 65001.
bool sys_valid_code_page(int code_page);

// The code page of the system's 8-bit text (file names, the account table).
int sys_ansi_code_page();

// Bytes of the code page as UTF-8. False when the system cannot convert
// from it (`utf8` is then left empty).
bool sys_convert_to_utf8(int code_page, std::string_view bytes, std::string* utf8);
// UTF-8 as bytes of the code page; characters it lacks become `missing`.
// False when the system cannot convert to it.
bool sys_convert_from_utf8(int code_page, std::string_view utf8, char missing, std::string* bytes);

// UTF-8 as the system's 8-bit text that windows and status lines show,
// characters it lacks as "?"; the text itself when the system cannot convert.
inline std::string system_text_from_utf8(std::string_view utf8) {
    std::string shown;
    if (!sys_convert_from_utf8(sys_ansi_code_page(), utf8, '?', &shown)) return std::string(utf8);
    return shown;
}
// What the user typed into a window, as UTF-8; the text itself when the
// system cannot convert.
inline std::string utf8_from_system_text(std::string_view text) {
    std::string utf8;
    if (!sys_convert_to_utf8(sys_ansi_code_page(), text, &utf8)) return std::string(text);
    return utf8;
}
