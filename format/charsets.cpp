#include "format/charsets.h"

#include <cstdint>

#include "core/code_pages.h"
#include "format/ascii_case.h"

namespace {

struct Charset {
    const char* name;
    int code_page;
};

constexpr Charset charsets[] = {
    {"utf-8", 65001},        {"utf8", 65001},         {"utf-7", 65000},         {"us-ascii", 1252},       {"ascii", 1252},
    {"iso-8859-1", 1252},    {"latin1", 1252},        {"iso-8859-2", 28592},    {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},   {"iso-8859-5", 28595},   {"iso-8859-6", 28596},    {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},   {"iso-8859-8-i", 28598}, {"iso-8859-9", 28599},    {"iso-8859-13", 28603},
    {"iso-8859-15", 28605},  {"windows-1250", 1250},  {"windows-1251", 1251},   {"windows-1252", 1252},
    {"windows-1253", 1253},  {"windows-1254", 1254},  {"windows-1255", 1255},   {"windows-1256", 1256},
    {"windows-1257", 1257},  {"windows-1258", 1258},  {"cp1250", 1250},         {"cp1251", 1251},
    {"cp1252", 1252},        {"koi8-r", 20866},       {"koi8-u", 21866},        {"shift_jis", 932},
    {"shift-jis", 932},      {"x-sjis", 932},         {"cp932", 932},           {"euc-jp", 20932},
    {"iso-2022-jp", 50220},  {"gb2312", 936},         {"gbk", 936},             {"gb18030", 54936},
    {"big5", 950},           {"euc-kr", 949},         {"ks_c_5601-1987", 949},
};

bool same_name(std::string_view a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; i++)
        if (ascii_lower(a[i]) != b[i]) return false;
    return i == a.size() && !b[i];
}

}  // namespace

int charset_code_page(std::string_view charset) {
    size_t star = charset.find('*');
    if (star != std::string_view::npos) charset = charset.substr(0, star);
    for (const Charset& c : charsets)
        if (same_name(charset, c.name)) return c.code_page;
    return 0;
}

bool charset_to_utf8(std::string_view charset, std::string_view bytes, std::string* utf8) {
    int code_page = charset_code_page(charset);
    utf8->clear();
    if (code_page == 0) return false;
    if (code_page == 65001) {
        // Bytes that are no UTF-8 become U+FFFD each, as Windows converts
        // them; the result is always well-formed.
        if (valid_utf8(bytes)) {
            utf8->assign(bytes);
            return true;
        }
        for (size_t i = 0; i < bytes.size();) {
            size_t n = 1;
            while (n <= 4 && i + n <= bytes.size() && !valid_utf8(bytes.substr(i, n))) n++;
            if (n <= 4 && i + n <= bytes.size()) {
                utf8->append(bytes.substr(i, n));
                i += n;
            } else {
                utf8->append("\xEF\xBF\xBD");
                i++;
            }
        }
        return true;
    }
    return sys_convert_to_utf8(code_page, bytes, utf8);
}

bool valid_utf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        auto c = static_cast<unsigned char>(bytes[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > bytes.size()) return false;
        uint32_t code = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
        for (size_t k = 1; k < n; k++) {
            auto t = static_cast<unsigned char>(bytes[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            code = code << 6 | (t & 0x3F);
        }
        static const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

std::string raw_header_text_to_utf8(std::string_view bytes) {
    if (valid_utf8(bytes)) return std::string(bytes);
    return system_text_to_utf8(bytes);
}

std::string system_text_to_utf8(std::string_view bytes) {
    std::string utf8;
    if (!sys_convert_to_utf8(sys_ansi_code_page(), bytes, &utf8)) sys_convert_to_utf8(1252, bytes, &utf8);
    return utf8;
}

std::string utf8_to_file_name(std::string_view utf8) {
    // Character by character, so that one the code page lacks is one "_"
    // whatever its size (a character beyond the 16-bit range is two units
    // to the Windows conversion).
    std::string name;
    int code_page = sys_ansi_code_page();
    for (size_t i = 0; i < utf8.size();) {
        size_t end = i + 1;
        while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) end++;
        std::string bytes;
        if (!sys_convert_from_utf8(code_page, utf8.substr(i, end - i), '_', &bytes) || bytes.empty() ||
            bytes.find_first_not_of('_') == std::string::npos)
            bytes = "_";
        name += bytes;
        i = end;
    }
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            c = '_';
    return name;
}
