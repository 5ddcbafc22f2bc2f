#include "format/header_text.h"

#include <cstring>

void header_safe_copy(Array* out, const char* text, int max) {
    array_clear(out);
    int limit = out->capacity - 1;
    if (max < limit) limit = max;
    int n = 0;
    for (const char* p = text ? text : ""; *p && n < limit; p++) out->chars[n++] = *p == '\r' || *p == '\n' ? ' ' : *p;
}
