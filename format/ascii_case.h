// Comparisons of protocol and header words, ASCII letters without regard to
// case and every other byte exactly, whatever the locale.
#pragma once

#include <cstddef>
#include <string_view>

inline unsigned char ascii_lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

// Whether the first n characters agree (a shorter text agrees only up to
// its end, where both must end).
inline bool equal_nocase_n(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; i++) {
        unsigned char x = ascii_lower(static_cast<unsigned char>(a[i]));
        unsigned char y = ascii_lower(static_cast<unsigned char>(b[i]));
        if (x != y) return false;
        if (!x) return true;
    }
    return true;
}

inline bool begins_nocase(const char* text, const char* prefix) {
    for (; *prefix; text++, prefix++)
        if (ascii_lower(static_cast<unsigned char>(*text)) != ascii_lower(static_cast<unsigned char>(*prefix)))
            return false;
    return true;
}

inline bool equal_nocase(const char* a, const char* b) {
    for (;; a++, b++) {
        if (ascii_lower(static_cast<unsigned char>(*a)) != ascii_lower(static_cast<unsigned char>(*b))) return false;
        if (!*a) return true;
    }
}

// The same for words cut from a longer text: both whole, of one length.
inline bool equal_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (ascii_lower(static_cast<unsigned char>(a[i])) != ascii_lower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}
