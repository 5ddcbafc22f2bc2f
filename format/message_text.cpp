#include "format/message_text.h"

#include <cstdio>

#include "core/arrays.h"
#include "core/code_pages.h"
#include "core/file_reads.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/charsets.h"
#include "format/codec_io.h"
#include "format/utf8.h"

namespace {

constexpr size_t piece_units = 4096;

bool is_high(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

constexpr char32_t replacement = 0xFFFD;

}  // namespace

const char* text_charset(int wrote_utf8) { return wrote_utf8 == 1 ? "utf-8" : "iso-8859-1"; }

bool wide_text_needs_utf8(const char16_t* units, size_t count) {
    for (size_t i = 0; i < count; i++)
        if (units[i] > 0xFF) return true;
    return false;
}

size_t wide_text_encode(WideTextEncoder* encoder, const char16_t* units, size_t count, char* out) {
    size_t n = 0;
    if (!encoder->utf8) {
        for (size_t i = 0; i < count; i++) out[n++] = static_cast<char>(units[i] & 0xFF);
        return n;
    }
    for (size_t i = 0; i < count; i++) {
        char16_t u = units[i];
        if (encoder->pending) {
            char16_t high = encoder->pending;
            encoder->pending = 0;
            if (is_low(u)) {
                char32_t c = 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (u - 0xDC00);
                n += put_utf8(c, out + n);
                continue;
            }
            n += put_utf8(replacement, out + n);
        }
        if (is_high(u)) encoder->pending = u;
        else if (is_low(u)) n += put_utf8(replacement, out + n);
        else n += put_utf8(u, out + n);
    }
    return n;
}

size_t wide_text_finish(WideTextEncoder* encoder, char* out) {
    if (!encoder->pending) return 0;
    encoder->pending = 0;
    return put_utf8(replacement, out);
}

int write_wide_text(const char16_t* units, size_t count, const char* path, bool force_utf8) {
    std::FILE* out = sys_fopen(path, "wb");
    if (!out) {
        show_message("Could not open message file");
        return -1;
    }
    WideTextEncoder encoder;
    encoder.utf8 = force_utf8 || wide_text_needs_utf8(units, count);
    Array* bytes = array_new(static_cast<int>(3 * piece_units + 4));
    bool good = true;
    for (size_t at = 0; at < count; at += piece_units) {
        size_t take = count - at < piece_units ? count - at : piece_units;
        size_t n = wide_text_encode(&encoder, units + at, take, bytes->chars);
        good = codec_write_all(out, bytes->text, n) && good;
    }
    size_t n = wide_text_finish(&encoder, bytes->chars);
    good = codec_write_all(out, bytes->text, n) && good;
    delete_arrays(bytes);
    if (!codec_close_output(out) || !good) return -1;
    return encoder.utf8 ? 1 : 0;
}

namespace {

// Well-formed UTF-8 (checked by the caller) as UTF-16.
std::u16string utf8_to_utf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t c = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        for (int k = 1; k <= extra && i + k < utf8.size(); k++)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += static_cast<size_t>(extra) + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

}  // namespace

std::u16string text_bytes_to_wide(std::string_view bytes, bool* was_utf8) {
    // A byte-order mark says UTF-8 outright and is not part of the text.
    bool marked = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (marked) bytes.remove_prefix(3);
    bool utf8 = valid_utf8(bytes);
    if (was_utf8) *was_utf8 = utf8;
    if (utf8) return utf8_to_utf16(bytes);
    // Not UTF-8: the single-byte text of this system, as the client's own
    // older files and other programs' text files are.
    std::string converted;
    if (!sys_convert_to_utf8(sys_ansi_code_page(), bytes, &converted) || !valid_utf8(converted)) {
        std::u16string latin1;
        for (char c : bytes) latin1.push_back(static_cast<unsigned char>(c));
        return latin1;
    }
    return utf8_to_utf16(converted);
}

int read_wide_text(const char* path, std::u16string* text, bool* was_utf8) {
    text->clear();
    std::string bytes;
    if (!read_whole_file(path, &bytes)) return -1;
    *text = text_bytes_to_wide(bytes, was_utf8);
    return 0;
}
