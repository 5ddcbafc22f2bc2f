#include "format/encoded_words.h"

#include <cctype>
#include <cstring>
#include <optional>
#include <vector>

#include "format/ascii_case.h"
#include "format/base64.h"
#include "format/charsets.h"

namespace {

// A character's value in the base64 alphabet, -1 outside it: an encoded
// word with any other character is malformed and shown as written (the
// shared decoder reads such characters as 0).
int b64_value(char c) {
    const char* at = c && c != '=' ? std::strchr(base64_alphabet, c) : nullptr;
    return at ? static_cast<int>(at - base64_alphabet) : -1;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(ascii_lower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Strict base64: padding only at the end, nothing outside the alphabet.
std::optional<std::string> base64_bytes(std::string_view text) {
    while (!text.empty() && text.back() == '=') text.remove_suffix(1);
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        int v = b64_value(c);
        if (v < 0) return std::nullopt;
        bits = bits << 6 | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return out;
}

std::optional<std::string> q_bytes(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '_') {
            out.push_back(' ');
        } else if (text[i] == '=') {
            if (i + 2 >= text.size()) return std::nullopt;
            int hi = hex_value(text[i + 1]), lo = hex_value(text[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out.push_back(static_cast<char>(hi << 4 | lo));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// One encoded word at the start of `text`: its charset, its bytes and its
// length; nothing when the text does not start with a well-formed word.
struct Word {
    std::string charset;
    std::string bytes;
    size_t length = 0;
};

std::optional<Word> read_word(std::string_view text) {
    if (text.substr(0, 2) != "=?") return std::nullopt;
    size_t q1 = text.find('?', 2);
    if (q1 == std::string_view::npos || q1 == 2 || q1 + 2 >= text.size() || text[q1 + 2] != '?') return std::nullopt;
    size_t end = text.find("?=", q1 + 3);
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view payload = text.substr(q1 + 3, end - q1 - 3);
    std::string_view charset = text.substr(2, q1 - 2);
    for (char c : charset)
        if (c == ' ' || c == '\t' || c == '=') return std::nullopt;
    for (char c : payload)
        if (c == ' ' || c == '\t') return std::nullopt;
    char encoding = static_cast<char>(ascii_lower(static_cast<unsigned char>(text[q1 + 1])));
    std::optional<std::string> bytes = encoding == 'b'   ? base64_bytes(payload)
                                       : encoding == 'q' ? q_bytes(payload)
                                                         : std::nullopt;
    if (!bytes) return std::nullopt;
    return Word{std::string(charset.substr(0, charset.find('*'))), *bytes, end + 2};
}

std::string unfold(std::string_view raw) {
    std::string text;
    for (size_t i = 0; i < raw.size(); i++) {
        if (raw[i] == '\r' || raw[i] == '\n') continue;
        text.push_back(raw[i]);
    }
    return text;
}

bool blank_only(std::string_view text) {
    for (char c : text)
        if (c != ' ' && c != '\t') return false;
    return true;
}

}  // namespace

std::string decode_header_text(std::string_view raw) {
    std::string text = unfold(raw);
    std::string out;
    std::string plain;          // text since the last word, not yet written
    std::string pending_bytes;  // bytes of adjacent words of one charset
    std::string pending_charset;
    std::string pending_written;  // those words as written, should they not convert
    auto flush_words = [&] {
        if (pending_written.empty()) return;
        std::string utf8;
        out += charset_to_utf8(pending_charset, pending_bytes, &utf8) ? utf8 : raw_header_text_to_utf8(pending_written);
        pending_bytes.clear();
        pending_charset.clear();
        pending_written.clear();
    };
    auto flush_plain = [&] {
        out += raw_header_text_to_utf8(plain);
        plain.clear();
    };
    for (size_t i = 0; i < text.size();) {
        std::optional<Word> word = text[i] == '=' ? read_word(std::string_view(text).substr(i)) : std::nullopt;
        if (!word) {
            plain.push_back(text[i++]);
            continue;
        }
        bool joins = !pending_written.empty() && blank_only(plain);
        if (joins && equal_nocase_n(word->charset.c_str(), pending_charset.c_str(), pending_charset.size() + 1)) {
            plain.clear();
        } else {
            flush_words();
            if (!joins || !charset_code_page(word->charset)) flush_plain();
            else plain.clear();  // blanks between two encoded words go
        }
        pending_charset = word->charset;
        pending_bytes += word->bytes;
        pending_written += text.substr(i, word->length);
        i += word->length;
    }
    flush_words();
    flush_plain();
    return out;
}

namespace {

// Percent-decoding of an RFC 2231 value.
std::string percent_bytes(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int hi = hex_value(text[i + 1]), lo = hex_value(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi << 4 | lo));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

struct Parameter {
    std::string name;  // lower case, with any "*0*" suffix
    std::string value;  // unquoted
};

// The parameters after the first ";" of a field value.
std::vector<Parameter> parameters(std::string_view value) {
    std::vector<Parameter> found;
    std::string text = unfold(value);
    size_t i = text.find(';');
    while (i != std::string::npos && i < text.size()) {
        i++;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) i++;
        size_t eq = text.find('=', i);
        size_t semi = text.find(';', i);
        if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
            i = semi;
            continue;
        }
        Parameter p;
        for (size_t k = i; k < eq; k++)
            if (text[k] != ' ' && text[k] != '\t') p.name.push_back(static_cast<char>(ascii_lower(static_cast<unsigned char>(text[k]))));
        size_t v = eq + 1;
        while (v < text.size() && (text[v] == ' ' || text[v] == '\t')) v++;
        if (v < text.size() && text[v] == '"') {
            size_t k = v + 1;
            for (; k < text.size() && text[k] != '"'; k++) {
                // A backslash escapes only a quote or itself: before anything
                // else it is a Windows path's, as mail programs write them.
                if (text[k] == '\\' && k + 1 < text.size() && (text[k + 1] == '"' || text[k + 1] == '\\')) k++;
                p.value.push_back(text[k]);
            }
            i = text.find(';', k);
        } else {
            size_t end = text.find(';', v);
            p.value = text.substr(v, end == std::string::npos ? std::string::npos : end - v);
            while (!p.value.empty() && (p.value.back() == ' ' || p.value.back() == '\t')) p.value.pop_back();
            i = end;
        }
        found.push_back(p);
    }
    return found;
}

}  // namespace

std::string decode_parameter(std::string_view field_value, std::string_view name) {
    std::vector<Parameter> found = parameters(field_value);
    std::string lower;
    for (char c : name) lower.push_back(static_cast<char>(ascii_lower(static_cast<unsigned char>(c))));
    // RFC 2231: name* alone, or name*0, name*1 ... each with or without its
    // own "*" (percent-encoded), the first encoded piece naming the charset.
    std::string bytes, charset;
    bool extended = false;
    for (const Parameter& p : found) {
        if (p.name == lower + "*") {
            bytes = p.value;
            extended = true;
            size_t q1 = bytes.find('\''), q2 = q1 == std::string::npos ? q1 : bytes.find('\'', q1 + 1);
            if (q2 != std::string::npos) {
                charset = bytes.substr(0, q1);
                bytes = bytes.substr(q2 + 1);
            }
            bytes = percent_bytes(bytes);
            break;
        }
    }
    if (!extended) {
        for (int n = 0; n < 100; n++) {
            std::string piece = lower + "*" + std::to_string(n);
            const Parameter* match = nullptr;
            bool encoded = false;
            for (const Parameter& p : found) {
                if (p.name == piece || p.name == piece + "*") {
                    match = &p;
                    encoded = p.name.back() == '*';
                }
            }
            if (!match) break;
            std::string value = match->value;
            if (encoded && n == 0) {
                size_t q1 = value.find('\''), q2 = q1 == std::string::npos ? q1 : value.find('\'', q1 + 1);
                if (q2 != std::string::npos) {
                    charset = value.substr(0, q1);
                    value = value.substr(q2 + 1);
                }
            }
            bytes += encoded ? percent_bytes(value) : value;
            extended = true;
        }
    }
    if (extended) {
        std::string utf8;
        if (!charset.empty() && charset_to_utf8(charset, bytes, &utf8)) return utf8;
        return raw_header_text_to_utf8(bytes);
    }
    for (const Parameter& p : found)
        if (p.name == lower) return decode_header_text(p.value);
    return "";
}

std::string utf8_prefix(std::string_view utf8, size_t characters) {
    size_t i = 0;
    for (size_t n = 0; i < utf8.size() && n < characters; n++) {
        i++;
        while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) i++;
    }
    return std::string(utf8.substr(0, i));
}

std::string encode_parameter(std::string_view name, std::string_view utf8, size_t used) {
    // RFC 2231 section 7: attribute-char, every other byte percent-encoded.
    auto escaped = [](std::string_view character) {
        std::string out;
        for (char c : character) {
            auto b = static_cast<unsigned char>(c);
            if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                (b && std::strchr("!#$&+-.^_`|~", b))) {
                out.push_back(c);
            } else {
                static const char hex[] = "0123456789ABCDEF";
                out += {'%', hex[b >> 4], hex[b & 15]};
            }
        }
        return out;
    };
    std::string value;
    for (size_t i = 0; i < utf8.size();) {
        size_t end = i + 1;
        while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) end++;
        value += escaped(utf8.substr(i, end - i));
        i = end;
    }
    const std::string whole = std::string(name) + "*=utf-8''" + value;
    // A piece line ends with ";" and a line holds 78 characters.
    if (used + whole.size() + 1 <= 78) return whole;
    std::string out;
    size_t line = used;
    int piece = 0;
    for (size_t i = 0; i < utf8.size() || piece == 0; piece++) {
        std::string start = std::string(name) + "*" + std::to_string(piece) + "*=" + (piece == 0 ? "utf-8''" : "");
        if (piece > 0) {
            out += ";\r\n ";
            line = 1;
        }
        out += start;
        line += start.size();
        size_t taken = 0;
        while (i < utf8.size()) {
            size_t end = i + 1;
            while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) end++;
            std::string character = escaped(utf8.substr(i, end - i));
            if (taken > 0 && line + character.size() + 1 > 78) break;
            out += character;
            line += character.size();
            taken++;
            i = end;
        }
    }
    return out;
}

std::string utf8_within(std::string_view utf8, size_t bytes) {
    if (utf8.size() <= bytes) return std::string(utf8);
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) end--;
    return std::string(utf8.substr(0, end));
}

std::string encode_header_text(std::string_view utf8, size_t used) {
    bool ascii = true;
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) return std::string(utf8);
    // "=?utf-8?B?" and "?=" take 12 characters of a word; a line holds at
    // most 76 (RFC 2047 section 2), the first one less what the field's
    // name took: what is left in groups of four base64 characters.
    std::string out;
    size_t line = used;
    for (size_t i = 0; i < utf8.size();) {
        size_t room = line + 12 < 76 ? 76 - line - 12 : 4;
        size_t bytes_per_word = room / 4 * 3;
        if (bytes_per_word < 6) bytes_per_word = 6;
        size_t end = i;
        while (end < utf8.size()) {
            size_t next = end + 1;
            while (next < utf8.size() && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80) next++;
            if (next - i > bytes_per_word) break;
            end = next;
        }
        if (end == i) end = i + 1;  // never stuck, whatever the bytes
        std::string word = "=?utf-8?B?";
        std::string_view piece = utf8.substr(i, end - i);
        for (size_t k = 0; k < piece.size(); k += 3) {
            unsigned v = static_cast<unsigned char>(piece[k]) << 16;
            if (k + 1 < piece.size()) v |= static_cast<unsigned char>(piece[k + 1]) << 8;
            if (k + 2 < piece.size()) v |= static_cast<unsigned char>(piece[k + 2]);
            word.push_back(base64_alphabet[v >> 18 & 63]);
            word.push_back(base64_alphabet[v >> 12 & 63]);
            word.push_back(k + 1 < piece.size() ? base64_alphabet[v >> 6 & 63] : '=');
            word.push_back(k + 2 < piece.size() ? base64_alphabet[v & 63] : '=');
        }
        word += "?=";
        out += word;
        i = end;
        if (i < utf8.size()) {
            // A fold between words: readers drop the blank again.
            out += "\r\n ";
            line = 1;
        }
    }
    return out;
}
