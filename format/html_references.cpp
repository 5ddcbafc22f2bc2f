#include "format/html_references.h"

#include <algorithm>
#include <cstring>

namespace {

// What numeric references 128 to 159 stand for: the characters of
// windows-1252, as a browser reads them; 0 where that code page has none
// (the number is then kept).
constexpr char16_t windows_1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool is_alnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int digit_value(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (!hex) return -1;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view entity_name(const HtmlEntity& e) { return {html_entity_names + e.name_at, e.name_length}; }

size_t numeric_reference(std::string_view text, char32_t* code_point) {
    size_t at = 1;  // after "#"
    bool hex = at < text.size() && (text[at] == 'x' || text[at] == 'X');
    if (hex) ++at;
    size_t first = at;
    uint32_t value = 0;
    for (int d; at < text.size() && (d = digit_value(text[at], hex)) >= 0; ++at)
        if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + static_cast<uint32_t>(d);
    if (at == first) return 0;
    if (at < text.size() && text[at] == ';') ++at;
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
    else if (value >= 0x80 && value <= 0x9F && windows_1252[value - 0x80]) value = windows_1252[value - 0x80];
    *code_point = value;
    return at;
}

}  // namespace

const HtmlEntity* html_entity_find(std::string_view name) {
    const HtmlEntity* end = html_entities + html_entity_count;
    const HtmlEntity* found = std::lower_bound(html_entities, end, name,
                                               [](const HtmlEntity& e, std::string_view n) { return entity_name(e) < n; });
    return found != end && entity_name(*found) == name ? found : nullptr;
}

size_t html_reference(std::string_view text, bool in_attribute, char32_t code_points[2], int* count) {
    *count = 0;
    if (text.empty()) return 0;
    if (text[0] == '#') {
        size_t used = numeric_reference(text, &code_points[0]);
        if (used) *count = 1;
        return used;
    }
    size_t run = 0;
    while (run < text.size() && run < html_reference_longest_name && is_alnum(text[run])) ++run;
    const HtmlEntity* entity = nullptr;
    size_t used = 0;
    if (run < text.size() && text[run] == ';' && (entity = html_entity_find(text.substr(0, run)))) {
        used = run + 1;
    } else {
        // The old names that count without ";" are at most 6 characters
        // long; the longest one that begins the run wins ("&notin" is not
        // "&not" and "in").
        for (size_t n = std::min<size_t>(run, 6); n >= 2 && !entity; --n) {
            const HtmlEntity* e = html_entity_find(text.substr(0, n));
            if (e && (e->flags & 1)) {
                entity = e;
                used = n;
            }
        }
        if (entity && in_attribute && used < text.size() && (text[used] == '=' || is_alnum(text[used]))) return 0;
    }
    if (!entity) return 0;
    code_points[0] = entity->code_point;
    *count = 1;
    if (int second = entity->flags >> 1) code_points[(*count)++] = html_entity_seconds[second];
    return used;
}
