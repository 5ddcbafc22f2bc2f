#include "format/encoded_words.h"

#include <cctype>
#include <cstring>
#include <optional>
#include <vector>

#include "format/ascii_case.h"
#include "format/base64.h"
#include "format/charsets.h"
#include "format/percent_encoding.h"

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

bool is_break(char c) { return c == '\r' || c == '\n'; }

// Bytes in base64, padded, on one line.
std::string base64_text(std::string_view bytes) { return base64_string(bytes.data(), bytes.size()); }

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The encoded text of a word with the folds inside it passed over: a
// program that folds a long word where its line is full (inside "=D0", even)
// leaves a line break and the blanks after it there. A blank that follows
// no line break is no fold: the word is then malformed.
class Payload {
public:
    explicit Payload(std::string_view text) : text_(text) {}
    // The next character, 0 at the end, -1 for a blank outside a fold.
    int next() {
        folded_ = false;
        while (at_ < text_.size() && (is_break(text_[at_]) || (folded_ && is_blank(text_[at_])))) {
            folded_ = true;
            at_++;
        }
        if (at_ == text_.size()) return 0;
        char c = text_[at_++];
        return is_blank(c) ? -1 : static_cast<unsigned char>(c);
    }
    // Whether a fold came before the character next() gave last.
    bool folded() const { return folded_; }
    size_t at() const { return at_; }
    void go_back(size_t at) { at_ = at; }
    // Whether only "=" (and folds) are left.
    bool only_padding_left() {
        for (int c; (c = next()) != 0;)
            if (c != '=') return false;
        return true;
    }

private:
    std::string_view text_;
    size_t at_ = 0;
    bool folded_ = false;
};

// Strict base64: padding only at the end, nothing outside the alphabet.
// Each reading stops at the first character that makes the word malformed,
// so a word that fails costs no more than the bytes before that character.
std::optional<std::string> base64_bytes(std::string_view text) {
    Payload payload(text);
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (int c; (c = payload.next()) != 0;) {
        if (c == '=') {
            if (!payload.only_padding_left()) return std::nullopt;
            break;
        }
        int v = c > 0 ? b64_value(static_cast<char>(c)) : -1;
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
    Payload payload(text);
    std::string out;
    for (int c; (c = payload.next()) != 0;) {
        if (c < 0) return std::nullopt;
        if (c == '_') {
            out.push_back(' ');
        } else if (c == '=') {
            int first = payload.next();
            bool soft_break = payload.folded();
            // A lone "=" that ends the text is what is left of a soft
            // line break some programs write there: nothing.
            if (first == 0) break;
            size_t first_at = payload.at() - 1;
            int hi = first > 0 ? hex_value(static_cast<char>(first)) : -1;
            int second = hi >= 0 ? payload.next() : -1;
            int lo = second > 0 ? hex_value(static_cast<char>(second)) : -1;
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi << 4 | lo));
            } else if (soft_break) {
                // "=" before a fold, as in a quoted-printable body: the
                // fold was the line break it announced.
                payload.go_back(first_at);
            } else {
                return std::nullopt;
            }
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

// The first position of `what` at or after a position, remembering its
// last answer: the decoder asks with positions that never go back, so
// however many words begin and never end, each byte is looked at a bounded
// number of times.
class Finder {
public:
    Finder(std::string_view text, std::string_view what) : text_(text), what_(what) {}
    size_t at_or_after(size_t from) {
        if (!asked_ || from < from_ || (found_ != std::string_view::npos && from > found_)) {
            found_ = text_.find(what_, from);
            from_ = from;
            asked_ = true;
        }
        return found_;
    }

private:
    std::string_view text_, what_;
    size_t from_ = 0, found_ = 0;
    bool asked_ = false;
};

// One encoded word at text[i]: its charset, its bytes and its length;
// nothing when no well-formed word begins there.
struct Word {
    std::string_view charset;
    std::string bytes;
    size_t length = 0;
};

struct WordReader {
    std::string_view text;
    Finder question{text, "?"};
    Finder close{text, "?="};

    std::optional<Word> read(size_t i) {
        if (text.substr(i, 2) != "=?") return std::nullopt;
        size_t q1 = question.at_or_after(i + 2);
        if (q1 == std::string_view::npos || q1 == i + 2 || q1 + 2 >= text.size() || text[q1 + 2] != '?')
            return std::nullopt;
        std::string_view charset = text.substr(i + 2, q1 - i - 2);
        for (char c : charset)
            if (is_blank(c) || is_break(c) || c == '=') return std::nullopt;
        size_t end = close.at_or_after(q1 + 3);
        if (end == std::string_view::npos) return std::nullopt;
        std::string_view payload = text.substr(q1 + 3, end - q1 - 3);
        char encoding = static_cast<char>(ascii_lower(static_cast<unsigned char>(text[q1 + 1])));
        std::optional<std::string> bytes = encoding == 'b'   ? base64_bytes(payload)
                                           : encoding == 'q' ? q_bytes(payload)
                                                             : std::nullopt;
        if (!bytes) return std::nullopt;
        return Word{charset.substr(0, charset.find('*')), std::move(*bytes), end + 2 - i};
    }
};

std::string unfold(std::string_view raw) {
    std::string text;
    for (size_t i = 0; i < raw.size(); i++) {
        if (raw[i] == '\r' || raw[i] == '\n') continue;
        text.push_back(raw[i]);
    }
    return text;
}

bool same_charset(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (ascii_lower(static_cast<unsigned char>(a[i])) != ascii_lower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

bool blank_only(std::string_view text) {
    for (char c : text)
        if (c != ' ' && c != '\t') return false;
    return true;
}

}  // namespace

std::string decode_header_text(std::string_view raw) {
    WordReader reader{raw};
    std::string out;
    std::string plain;          // text since the last word, unfolded, not yet written
    // Adjacent words of one charset, joined before conversion: their bytes,
    // and as written (unfolded, with the blanks between them), should they
    // not convert.
    std::string pending_bytes;
    std::string pending_charset;
    std::string pending_written;
    // The blanks between the words before and these: they go only when
    // both sides were decoded.
    std::string pending_lead;
    bool decoded_last = false;  // the words flushed last were decoded
    auto flush_words = [&] {
        if (pending_written.empty()) return;
        std::string utf8;
        decoded_last = charset_to_utf8(pending_charset, pending_bytes, &utf8);
        out += decoded_last ? utf8 : pending_lead + raw_header_text_to_utf8(pending_written);
        pending_bytes.clear();
        pending_charset.clear();
        pending_written.clear();
        pending_lead.clear();
    };
    auto flush_plain = [&] {
        out += raw_header_text_to_utf8(plain);
        plain.clear();
    };
    for (size_t i = 0; i < raw.size();) {
        std::optional<Word> word = raw[i] == '=' ? reader.read(i) : std::nullopt;
        if (!word) {
            if (!is_break(raw[i])) plain.push_back(raw[i]);
            i++;
            continue;
        }
        bool joins = !pending_written.empty() && blank_only(plain);
        if (joins && same_charset(word->charset, pending_charset)) {
            pending_written += plain;
            plain.clear();
        } else {
            flush_words();
            if (joins && decoded_last) {
                pending_lead = plain;  // blanks between two words
                plain.clear();
            } else {
                flush_plain();
            }
        }
        pending_charset = word->charset;
        pending_bytes += word->bytes;
        pending_written += unfold(raw.substr(i, word->length));
        i += word->length;
    }
    flush_words();
    flush_plain();
    return out;
}

std::string join_folded_words(std::string_view raw) {
    WordReader reader{raw};
    std::string out;
    for (size_t i = 0; i < raw.size();) {
        std::optional<Word> word = raw[i] == '=' ? reader.read(i) : std::nullopt;
        if (!word) {
            out.push_back(raw[i++]);
            continue;
        }
        std::string_view written = raw.substr(i, word->length);
        i += word->length;
        // Only folds, one line break with blanks after it: a break before
        // anything else would join the lines of two fields, two of them
        // the header and the body.
        bool folds = true;
        for (size_t k = 0; k < written.size() && folds; k++) {
            if (!is_break(written[k])) continue;
            size_t end = k;
            while (end < written.size() && is_break(written[end])) end++;
            folds = written.substr(k, end - k) == "\r\n" && end < written.size() && is_blank(written[end]);
            k = end;
        }
        // A folded word is written again on one line, its bytes in base64:
        // where the fold was ("=" before it, or inside "=D0") is then no
        // matter for the readers that unfold. One that will not convert
        // stays as written, as it will be shown.
        std::string utf8;
        if (folds && written.find_first_of("\r\n") != std::string_view::npos &&
            charset_to_utf8(word->charset, word->bytes, &utf8))
            out += "=?" + std::string(word->charset) + "?B?" + base64_text(word->bytes) + "?=";
        else
            out += written;
    }
    return out;
}

namespace {

// Percent-decoding of an RFC 2231 value.
std::string percent_bytes(std::string_view text) {
    std::string out;
    percent_decode(text, &out, false);
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
    auto escaped = [](std::string_view character) { return percent_encode(character, "!#$&+-.^_`|~"); };
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
        out += "=?utf-8?B?" + base64_text(utf8.substr(i, end - i)) + "?=";
        i = end;
        if (i < utf8.size()) {
            // A fold between words: readers drop the blank again.
            out += "\r\n ";
            line = 1;
        }
    }
    return out;
}
