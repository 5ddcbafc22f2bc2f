// Names not in the table (span, a, font, strong...) do nothing, so the
// white space around them is kept as a browser keeps it.
#include "format/html_tags.h"

#include <algorithm>
#include <iterator>

namespace {

struct TagRow {
    std::string_view name;
    HtmlTagKind kind;
};

// Sorted by name for the binary search.
constexpr TagRow tag_rows[] = {
    {"address", TAG_BLOCK},     {"article", TAG_BLOCK},    {"aside", TAG_BLOCK},       {"b", TAG_BOLD},
    {"base", TAG_HEAD_ONLY},    {"basefont", TAG_HEAD_ONLY}, {"bgsound", TAG_HEAD_ONLY}, {"blockquote", TAG_PARAGRAPH},
    {"body", TAG_BODY},         {"br", TAG_BREAK},         {"caption", TAG_BLOCK},     {"center", TAG_BLOCK},
    {"dd", TAG_DEFINITION},     {"details", TAG_BLOCK},    {"dialog", TAG_BLOCK},      {"dir", TAG_LIST},
    {"div", TAG_BLOCK},         {"dl", TAG_BLOCK},         {"dt", TAG_TERM},           {"fieldset", TAG_BLOCK},
    {"figcaption", TAG_BLOCK},  {"figure", TAG_BLOCK},     {"footer", TAG_BLOCK},      {"form", TAG_BLOCK},
    {"h1", TAG_PARAGRAPH},      {"h2", TAG_PARAGRAPH},     {"h3", TAG_PARAGRAPH},      {"h4", TAG_PARAGRAPH},
    {"h5", TAG_PARAGRAPH},      {"h6", TAG_PARAGRAPH},     {"head", TAG_HEAD},         {"header", TAG_BLOCK},
    {"hgroup", TAG_BLOCK},      {"hr", TAG_RULE},          {"i", TAG_ITALIC},          {"iframe", TAG_RAW},
    {"image", TAG_IMAGE},       {"img", TAG_IMAGE},        {"legend", TAG_BLOCK},      {"li", TAG_ITEM},
    {"link", TAG_HEAD_ONLY},    {"listing", TAG_PRE},      {"main", TAG_BLOCK},        {"menu", TAG_LIST},
    {"meta", TAG_HEAD_ONLY},    {"nav", TAG_BLOCK},        {"noembed", TAG_RAW},       {"noframes", TAG_RAW},
    {"noscript", TAG_RAW},      {"ol", TAG_ORDERED},       {"p", TAG_PARAGRAPH},       {"pre", TAG_PRE},
    {"script", TAG_RAW},        {"section", TAG_BLOCK},    {"style", TAG_RAW},         {"summary", TAG_BLOCK},
    {"table", TAG_TABLE},       {"td", TAG_CELL},          {"template", TAG_TEMPLATE}, {"textarea", TAG_RAW},
    {"th", TAG_CELL},           {"title", TAG_RAW},        {"tr", TAG_ROW},            {"ul", TAG_LIST},
};

constexpr bool sorted() {
    for (size_t i = 1; i < sizeof tag_rows / sizeof tag_rows[0]; i++)
        if (!(tag_rows[i - 1].name < tag_rows[i].name)) return false;
    return true;
}
static_assert(sorted(), "the tag table must stay sorted");

}  // namespace

HtmlTagKind html_tag_kind(std::string_view lower_name) {
    const TagRow* end = std::end(tag_rows);
    const TagRow* row = std::lower_bound(std::begin(tag_rows), end, lower_name,
                                         [](const TagRow& r, std::string_view n) { return r.name < n; });
    return row != end && row->name == lower_name ? row->kind : TAG_OTHER;
}
