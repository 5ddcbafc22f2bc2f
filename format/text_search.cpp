#include "format/text_search.h"

#include <cstring>

namespace {

unsigned char fold(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c; }

}  // namespace

// A plain restart-at-every-position search: every start is tried, so a match
// beginning inside an earlier partial match is not skipped ("aab" in "aaab").
const char* find_text_nocase(const char* text, const char* pattern) {
    const auto first = static_cast<unsigned char>(pattern[0]);
    // A first character that is no letter stands only for itself: the next
    // place worth trying is its next occurrence. Header searches ("\nTo:")
    // go through whole headers this way for every field a summary reads.
    const bool letter = fold(first) >= 'A' && fold(first) <= 'Z';
    for (const char* start = text;; start++) {
        if (first && !letter) {
            start = std::strchr(start, first);
            if (!start) return nullptr;
        }
        size_t i = 0;
        while (pattern[i] && fold(static_cast<unsigned char>(start[i])) == fold(static_cast<unsigned char>(pattern[i])))
            i++;
        if (!pattern[i]) return start;
        if (!*start) return nullptr;
    }
}

int extract_between(int max_len, const char* text, Array* out, const char* open, const char* close) {
    array_clear(out);
    const char* from = find_text_nocase(text, open);
    if (!from) return -1;
    from += std::strlen(open);
    const char* to = std::strstr(from, close);
    if (!to) return -1;
    long long length = to - from;
    if (length > max_len) length = max_len;
    array_copy_at(out, 0, from, static_cast<int>(length < 0 ? 0 : length));
    return 0;
}
