#include "format/percent_encoding.h"

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool alphanumeric(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

}  // namespace

std::string percent_encode(std::string_view text, std::string_view kept) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (alphanumeric(c) || kept.find(c) != std::string_view::npos) {
            out.push_back(c);
        } else {
            auto b = static_cast<unsigned char>(c);
            out += {'%', hex[b >> 4], hex[b & 15]};
        }
    }
    return out;
}

bool percent_decode(std::string_view text, std::string* out, bool strict, bool plus_is_space) {
    out->clear();
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (c == '%') {
            int hi = i + 2 < text.size() ? hex_value(text[i + 1]) : -1;
            int lo = hi >= 0 ? hex_value(text[i + 2]) : -1;
            if (hi >= 0 && lo >= 0) {
                out->push_back(static_cast<char>(hi << 4 | lo));
                i += 2;
                continue;
            }
            if (strict) return false;
        }
        out->push_back(plus_is_space && c == '+' ? ' ' : c);
    }
    return true;
}
