// The text side of the HTML converter: collapses white space, owes line
// breaks until the next visible character (so runs of block boundaries give
// one break or one empty line, never a pile), and writes the marks of list
// items, table cells, bold and italic.
#pragma once

#include "format/html_stream.h"
#include "format/html_tags.h"

struct HtmlLayout {
    HtmlOutput* out = nullptr;
    int breaks = 0;          // line breaks owed before the next visible character
    int trailing = 0;        // line breaks at the end of the text, owed ones included
    bool wrote = false;      // a visible character was written: breaks before it are dropped
    bool space = false;      // a blank owed
    bool line_start = true;  // white space here is dropped
    bool separator = false;  // a tab owed between table cells
    int pre = 0;             // open pre elements: white space kept
    bool skip_feed = false;  // the line feed right after a pre start tag is not shown
    char prefix[40] = {};    // an item's indent and mark, written before its first character
    int lists = 0;           // open lists
    int numbers[32] = {};    // the next number of each open ordered list, 0 for a bullet list
    int tables = 0;          // open tables
    int cells[32] = {};      // cells so far in the current row of each open table
};

// One byte of the HTML's text (a white-space byte included).
void layout_byte(HtmlLayout* layout, int c);
// The character of a reference.
void layout_code_point(HtmlLayout* layout, char32_t c);
// A literal mark ("[", "]", "{", "}").
void layout_mark(HtmlLayout* layout, const char* text);
// A start tag (end false) or end tag of the kind; number is a list's
// "start" attribute (0 when it has none).
void layout_tag(HtmlLayout* layout, HtmlTagKind kind, bool end, int number);
