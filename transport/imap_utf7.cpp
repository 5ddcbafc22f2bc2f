#include "transport/imap_utf7.h"

#include <cstdint>
#include <vector>

namespace {

const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";

int value_of(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == ',') return 63;
    return -1;
}

bool stands_for_itself(uint32_t c) { return c >= 0x20 && c <= 0x7e; }

// The next code point of UTF-8 at `at`, moving past it; false when the bytes
// are no well-formed UTF-8.
bool next_code_point(std::string_view s, size_t* at, uint32_t* out) {
    unsigned char b = static_cast<unsigned char>(s[*at]);
    int more;
    uint32_t c;
    if (b < 0x80) {
        more = 0, c = b;
    } else if ((b & 0xe0) == 0xc0) {
        more = 1, c = b & 0x1f;
    } else if ((b & 0xf0) == 0xe0) {
        more = 2, c = b & 0x0f;
    } else if ((b & 0xf8) == 0xf0) {
        more = 3, c = b & 0x07;
    } else {
        return false;
    }
    if (s.size() - *at <= static_cast<size_t>(more)) return false;  // cut short
    for (int i = 1; i <= more; i++) {
        unsigned char n = static_cast<unsigned char>(s[*at + static_cast<size_t>(i)]);
        if ((n & 0xc0) != 0x80) return false;
        c = (c << 6) | (n & 0x3f);
    }
    static const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (c < least[more] || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff)) return false;
    *at += static_cast<size_t>(more) + 1;
    *out = c;
    return true;
}

void append_utf8(std::string* out, uint32_t c) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xc0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xe0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else {
        out->push_back(static_cast<char>(0xf0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3f)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3f)));
    }
}

// One shifted run: the UTF-16 units in modified base64, closed by "-".
void append_shifted(std::string* out, const std::vector<uint16_t>& units) {
    out->push_back('&');
    uint32_t bits = 0;
    int held = 0;
    for (uint16_t u : units) {
        bits = (bits << 16) | u;
        held += 16;
        while (held >= 6) {
            held -= 6;
            out->push_back(alphabet[(bits >> held) & 0x3f]);
        }
        bits &= (1u << held) - 1;
    }
    if (held > 0) out->push_back(alphabet[(bits << (6 - held)) & 0x3f]);
    out->push_back('-');
}

}  // namespace

bool imap_utf7_encode(std::string_view utf8, std::string* out) {
    out->clear();
    std::vector<uint16_t> run;
    for (size_t at = 0; at < utf8.size();) {
        uint32_t c;
        if (!next_code_point(utf8, &at, &c) || c < 0x20 || c == 0x7f) {
            out->clear();
            return false;
        }
        if (stands_for_itself(c)) {
            if (!run.empty()) append_shifted(out, run);
            run.clear();
            out->append(c == '&' ? "&-" : std::string(1, static_cast<char>(c)));
        } else if (c < 0x10000) {
            run.push_back(static_cast<uint16_t>(c));
        } else {
            c -= 0x10000;
            run.push_back(static_cast<uint16_t>(0xd800 | (c >> 10)));
            run.push_back(static_cast<uint16_t>(0xdc00 | (c & 0x3ff)));
        }
    }
    if (!run.empty()) append_shifted(out, run);
    return true;
}

bool imap_utf7_decode(std::string_view wire, std::string* out) {
    out->clear();
    auto refuse = [out] {
        out->clear();
        return false;
    };
    for (size_t at = 0; at < wire.size();) {
        char c = wire[at++];
        if (!stands_for_itself(static_cast<unsigned char>(c))) return refuse();
        if (c != '&') {
            out->push_back(c);
            continue;
        }
        size_t end = wire.find('-', at);
        if (end == std::string_view::npos) return refuse();
        if (end == at) {  // "&-"
            out->push_back('&');
            at++;
            continue;
        }
        uint32_t bits = 0;
        int held = 0;
        uint32_t high = 0;  // a high surrogate waiting for its low one
        for (; at < end; at++) {
            int v = value_of(wire[at]);
            if (v < 0) return refuse();
            bits = (bits << 6) | static_cast<uint32_t>(v);
            held += 6;
            if (held < 16) continue;
            held -= 16;
            uint32_t unit = (bits >> held) & 0xffff;
            bits &= (1u << held) - 1;
            if (high) {
                if (unit < 0xdc00 || unit > 0xdfff) return refuse();
                append_utf8(out, 0x10000 + ((high - 0xd800) << 10) + (unit - 0xdc00));
                high = 0;
            } else if (unit >= 0xd800 && unit <= 0xdbff) {
                high = unit;
            } else if (unit >= 0xdc00 && unit <= 0xdfff) {
                return refuse();
            } else if (unit < 0x80) {
                // Printable ASCII must stand for itself; control characters
                // have no place in a name.
                return refuse();
            } else {
                append_utf8(out, unit);
            }
        }
        // What is left must be padding: fewer than six bits, all zero.
        if (high || held >= 6 || bits != 0) return refuse();
        at = end + 1;
    }
    return true;
}
