// Character references of HTML ("&eacute;", "&#233;", "&#xE9;") as a
// browser reads them: the named ones of the HTML standard's list (the
// generated html_entity_table.cpp), decimal and hexadecimal ones with the
// windows-1252 reading of 128 to 159, U+FFFD for zero, surrogates and
// numbers past U+10FFFF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct HtmlEntity {
    uint16_t name_at;      // where the name begins in html_entity_names
    uint8_t name_length;   // without the ";"
    uint8_t flags;         // bit 0: also a reference without ";"; bits 1-7: index in html_entity_seconds
    uint32_t code_point;
};

extern const char html_entity_names[];
extern const char32_t html_entity_seconds[];
extern const HtmlEntity html_entities[];
extern const size_t html_entity_count;

// The longest a named reference can be, ";" included.
constexpr size_t html_reference_longest_name = 32;

// The reference that begins text (the characters after an "&"). Returns how
// many characters of text it takes (its ";" included), 0 when text begins
// no reference, in which case the "&" is text. One or two code points go to
// code_points, their count to *count. In an attribute value an old name
// without ";" followed by "=" or a letter or digit is no reference
// ("?a=1&copy=2" stays). Digits may run on: the value stops growing past
// U+10FFFF.
size_t html_reference(std::string_view text, bool in_attribute, char32_t code_points[2], int* count);

// The named reference of the whole name (no "&", no ";"); null when the
// standard's list lacks it.
const HtmlEntity* html_entity_find(std::string_view name);
