// The tag table of the HTML to text converter: what each element does to
// the text, by its name.
#pragma once

#include <string_view>

// What an element does to the text.
enum HtmlTagKind {
    TAG_OTHER,       // nothing: an inline element or an unknown one
    TAG_BLOCK,       // a line break before and after
    TAG_PARAGRAPH,   // an empty line before and after
    TAG_PRE,         // a paragraph whose white space is kept
    TAG_BREAK,       // one line break
    TAG_RULE,        // a line of 80 "_"
    TAG_LIST,        // items marked "*"
    TAG_ORDERED,     // items numbered
    TAG_ITEM,        // a list item on a line of its own, indented and marked
    TAG_TERM,        // a definition term: a line of its own, one tab in
    TAG_DEFINITION,  // a definition: a line of its own, two tabs in
    TAG_TABLE,
    TAG_ROW,         // a line of its own
    TAG_CELL,        // a tab between cells of a row
    TAG_IMAGE,       // "[alt text]"
    TAG_BOLD,        // "[" ... "]"
    TAG_ITALIC,      // "{" ... "}"
    TAG_RAW,         // its content is text up to its end tag, never shown
    TAG_HEAD,        // nothing in it is shown
    TAG_BODY,        // ends the head
    TAG_HEAD_ONLY,   // belongs in the head and does not end it
    TAG_TEMPLATE,    // nothing in it is shown, nested ones included
};

// The kind of an element by its lower-case name.
HtmlTagKind html_tag_kind(std::string_view lower_name);
