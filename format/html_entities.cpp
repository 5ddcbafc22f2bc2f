// The entity table of the HTML to text converter.
#include <cstring>

#include "format/html_to_text.h"

namespace {

struct EntityRow {
    const char* name;  // compared exactly, case included, with the whole text read
    const char* text;
};

// "& " is what read_entity leaves for an ampersand followed by a space, so
// a bare ampersand in running text stays.
constexpr EntityRow entity_rows[] = {
    {"lt", "<"},       {"#60", "<"},           {"gt", ">"},           {"#62", ">"},
    {"amp", "&"},      {"#38", "&"},           {"nbsp", " "},         {"quot", "\""},
    {"#34", "\""},     {"copy", "[Copyright]"}, {"#169", "[Copyright]"}, {"reg", "[Registered]"},
    {"#174", "[Registered]"}, {"trade", "[Trademark]"}, {"#153", "[Trademark]"}, {"& ", "& "},
};

}  // namespace

const char* entity_text(const char* entity) {
    for (const EntityRow& row : entity_rows)
        if (std::strcmp(entity, row.name) == 0) return row.text;
    return "";
}
