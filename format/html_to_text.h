// HTML to text for the plain text viewer and the editors, as a browser
// shows the text: one streaming pass with no document model. Head, style,
// script and comment contents are dropped, character references are read,
// white space collapses as a browser collapses it, block elements break
// lines, list items are marked, table cells separated and images stand as
// their alternative text in brackets.
#pragma once

#include <string_view>

// Converts the HTML file into a text file in the code page the text will be
// shown in (the HTML's own bytes are taken to be in it already; the
// characters of references are written in it). Returns 0, or -1 when the
// input cannot be opened ("\nCan't open this HTML file. Is your path
// correct?" on standard output), the output cannot be created
// ("\nERROR-Unable to create <path>\n" on standard output), or the output
// could not be written whole; the caller then keeps the HTML as it is.
int html_to_text(const char* input_path, const char* output_path, int code_page);

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
