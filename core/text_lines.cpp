#include "core/text_lines.h"

#include <cstring>

bool read_text_line(std::FILE* f, Array* into, int keep) {
    array_clear(into);
    int c = std::fgetc(f);
    if (c == EOF) return false;
    for (int n = 0; c != EOF && c != '\n'; c = std::fgetc(f))
        if (n < keep && n < into->capacity - 1) into->chars[n++] = static_cast<char>(c);
    if (char* cr = std::strchr(into->chars, '\r')) *cr = 0;
    return true;
}
