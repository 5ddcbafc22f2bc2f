#include "format/html_stream.h"

#include <string>

#include "core/code_pages.h"
#include "format/utf8.h"

namespace {

bool single_byte(int code_page) {
    return (code_page >= 1250 && code_page <= 1258) || (code_page >= 28591 && code_page <= 28605) ||
           code_page == 20127 || code_page == 20866 || code_page == 21866 || code_page == 874;
}

// The next code point of UTF-8 text, or 0 when it is not well formed.
char32_t next_utf8(const std::string& s, size_t* at) {
    auto b = static_cast<unsigned char>(s[(*at)++]);
    if (b < 0x80) return b;
    int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (more < 0 || *at + static_cast<size_t>(more) > s.size()) return 0;
    char32_t c = b & (0x3F >> more);
    for (int i = 0; i < more; i++) c = (c << 6) | (static_cast<unsigned char>(s[(*at)++]) & 0x3F);
    return c;
}

// The characters of bytes 128 to 255, asked of the system in one call; a
// byte the code page leaves undefined comes back as "?".
void make_table(HtmlOutput* out) {
    out->table = 2;
    for (char32_t& c : out->high) c = 0;
    if (!single_byte(out->code_page)) return;
    out->table = 1;
    std::string bytes, utf8;
    for (int b = 128; b < 256; b++) bytes += static_cast<char>(b);
    if (!sys_convert_to_utf8(out->code_page, bytes, &utf8)) return;
    char32_t high[128];
    size_t at = 0;
    int n = 0;
    while (at < utf8.size() && n < 128) high[n++] = next_utf8(utf8, &at);
    if (n != 128 || at != utf8.size()) return;
    for (int i = 0; i < 128; i++) out->high[i] = high[i] == '?' ? 0 : high[i];
}

// Plain ASCII for characters a code page lacks, where a reader would take
// it for the same sign.
const char* look_alike(char32_t c) {
    switch (c) {
    case 0xA0: case 0x2002: case 0x2003: case 0x2009: case 0x202F: return " ";
    case 0xA9: return "(C)";
    case 0xAE: return "(R)";
    case 0x2122: return "(TM)";
    case 0x2018: case 0x2019: case 0x201A: case 0x2032: return "'";
    case 0x201C: case 0x201D: case 0x201E: case 0x2033: case 0xAB: case 0xBB: return "\"";
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015: case 0x2212: return "-";
    case 0x2026: return "...";
    case 0x2022: case 0xB7: return "*";
    case 0x2039: return "<";
    case 0x203A: return ">";
    case 0x20AC: return "EUR";
    default: return "?";
    }
}

void put_bytes(HtmlOutput* out, const char* bytes, size_t n) {
    for (size_t i = 0; i < n; i++) html_putc(out, bytes[i]);
}

}  // namespace

bool html_input_fill(HtmlInput* in) {
    if (in->ended) return false;
    in->at = 0;
    in->end = std::fread(in->bytes, 1, sizeof in->bytes, in->file);
    if (in->end == 0) in->ended = true;
    return in->end != 0;
}

void html_output_flush(HtmlOutput* out) {
    if (out->used != 0 && std::fwrite(out->bytes, 1, out->used, out->file) != out->used) out->failed = true;
    out->used = 0;
}

void html_puts(HtmlOutput* out, const char* text) {
    for (; *text; ++text) html_putc(out, *text);
}

void html_put_code_point(HtmlOutput* out, char32_t c) {
    if (c < 0x80) {
        html_putc(out, static_cast<char>(c));
        return;
    }
    char bytes[4];
    if (out->code_page == 65001) {
        put_bytes(out, bytes, put_utf8(c, bytes));
        return;
    }
    if (out->table == 0) make_table(out);
    if (out->table == 1) {
        for (int i = 0; i < 128; i++)
            if (out->high[i] == c) {
                html_putc(out, static_cast<char>(128 + i));
                return;
            }
        html_puts(out, look_alike(c));
        return;
    }
    HtmlOutput::Encoded& slot = out->cache[c % 64];
    if (slot.code_point != c) {
        std::string encoded;
        slot.code_point = c;
        slot.length = 0;
        if (sys_convert_from_utf8(out->code_page, std::string_view(bytes, put_utf8(c, bytes)), '?', &encoded) &&
            encoded != "?" && !encoded.empty() && encoded.size() <= sizeof slot.bytes) {
            slot.length = static_cast<uint8_t>(encoded.size());
            encoded.copy(slot.bytes, encoded.size());
        }
    }
    if (slot.length) put_bytes(out, slot.bytes, slot.length);
    else html_puts(out, look_alike(c));
}
