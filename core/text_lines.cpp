#include "core/text_lines.h"

#include <cstring>

bool read_text_line(std::FILE* f, char* into, int size, int keep) {
    if (size > 0) std::memset(into, 0, static_cast<size_t>(size));
    int c = std::fgetc(f);
    if (c == EOF) return false;
    for (int n = 0; c != EOF && c != '\n'; c = std::fgetc(f))
        if (n < keep && n < size - 1) into[n++] = static_cast<char>(c);
    if (char* cr = std::strchr(into, '\r')) *cr = 0;
    return true;
}

bool write_text_line(std::FILE* f, const char* text, int size) {
    int length = static_cast<int>(strnlen(text, static_cast<size_t>(size < 0 ? 0 : size)));
    return std::fprintf(f, "%.*s\r\n", length, text) == length + 2;
}
