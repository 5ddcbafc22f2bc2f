// The tag table of the HTML to text converter.
#include <cstring>

#include "format/html_to_text.h"

namespace {

enum Match { EXACT, PREFIX };
enum Score { ADD, SET };
// What a row writes beyond its fixed text: a heading's line feed only for a
// bare one-digit heading tag ("<H1>" is 4 characters, "</H1>" 5).
enum Extra { NONE, FEED_IF_4, FEED_IF_5 };

struct TagRow {
    const char* upper;
    const char* lower;  // null: the upper-case form only
    Match match;
    Score op;
    int score;
    const char* text;
    Extra extra;
};

#define RULE "________________________________________________________________________________"

// Every row is tested in this order and the effects of all matching rows
// add up: "<HR>" is a heading prefix (a line feed, being 4 characters) and
// a rule; "<HTML>" sets the score to 1 and its heading prefix adds 1.
constexpr TagRow tag_rows[] = {
    {"<HTML>", "<html>", EXACT, SET, 1, "", NONE},
    {"<BODY>", "<body>", EXACT, ADD, 1, "", NONE},
    {"</HEAD>", "</head>", EXACT, ADD, 1, "\n", NONE},
    {"<CENTER>", "<center>", EXACT, ADD, 1, "\n", NONE},
    {"</CENTER>", "</center>", EXACT, ADD, 1, "\n", NONE},
    {"<P>", "<p>", EXACT, ADD, -1, "\n\n", NONE},
    {"<BR>", "<br>", EXACT, ADD, -1, "\n", NONE},
    {"<H", "<h", PREFIX, ADD, 1, "", FEED_IF_4},
    {"</H", "</h", PREFIX, ADD, 1, "", FEED_IF_5},
    {"<DL>", "<dl>", EXACT, ADD, 1, "", NONE},
    {"</DL>", "</dl>", EXACT, ADD, 1, "\n", NONE},
    {"<DD>", "<dd>", EXACT, ADD, 0, "\n\t\t", NONE},
    {"<DT>", "<dt>", EXACT, ADD, 0, "\t", NONE},
    {"<LI>", "<li>", EXACT, ADD, 0, "\n\t\t", NONE},
    {"<UL>", "<ul>", EXACT, ADD, 1, "", NONE},
    {"</UL>", "</ul>", EXACT, ADD, 1, "\n", NONE},
    {"<OL>", "<ol>", EXACT, ADD, 1, "", NONE},
    {"</OL>", "</ol>", EXACT, ADD, 1, "\n", NONE},
    {"<TABLE>", "<table>", EXACT, ADD, 1, "\n", NONE},
    {"</TABLE>", "</table>", EXACT, ADD, 1, "\n", NONE},
    {"<TH", "<th", PREFIX, ADD, 1, "\n\t", NONE},
    {"</TH>", "</th>", EXACT, ADD, 1, "\n", NONE},
    {"<TR", "<tr", PREFIX, ADD, 1, "\t", NONE},
    {"</TR>", "</tr>", EXACT, ADD, 1, "\n", NONE},
    {"<BLINK>", "<blink>", EXACT, ADD, 1, "", NONE},
    {"</BLINK>", "</blink>", EXACT, ADD, 1, "", NONE},
    {"<HR", "<hr", PREFIX, ADD, 1, RULE "\n\n", NONE},
    {"<IMG", "<img", PREFIX, ADD, 1, "", NONE},
    {"<A HREF", nullptr, PREFIX, ADD, 1, "", NONE},
    {"<FORM", "<form", PREFIX, ADD, 1, "", NONE},
    {"</FORM", "</form", PREFIX, ADD, 1, "\n", NONE},
    {"<B>", "<b>", EXACT, ADD, 1, "[", NONE},
    {"</B>", "</b>", EXACT, ADD, 1, "]", NONE},
    {"<I>", "<i>", EXACT, ADD, 1, "{", NONE},
    {"</I>", "</i>", EXACT, ADD, 1, "}", NONE},
};
static_assert(sizeof tag_rows / sizeof tag_rows[0] == 35);

bool form_matches(const char* tag, size_t tag_length, const char* form, Match match) {
    if (!form) return false;
    size_t n = std::strlen(form);
    if (match == EXACT) return tag_length == n && std::memcmp(tag, form, n) == 0;
    return tag_length >= n && std::memcmp(tag, form, n) == 0;
}

}  // namespace

int convert_tag(const char* tag, HtmlOutput* out) {
    size_t length = std::strlen(tag);
    int score = 0;
    for (const TagRow& row : tag_rows) {
        if (!form_matches(tag, length, row.upper, row.match) && !form_matches(tag, length, row.lower, row.match))
            continue;
        score = row.op == SET ? row.score : score + row.score;
        html_puts(out, row.text);
        if ((row.extra == FEED_IF_4 && length == 4) || (row.extra == FEED_IF_5 && length == 5)) html_putc(out, '\n');
    }
    return score;
}
