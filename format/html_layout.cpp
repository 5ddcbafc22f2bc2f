#include "format/html_layout.h"

#include <cstdio>

namespace {

constexpr int most_levels = 32;

bool is_white(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// What is owed before a visible character: the line breaks (none before the
// first character of the text), then an item's mark, a cell's tab or a blank.
void settle(HtmlLayout* l) {
    if (l->breaks) {
        if (l->wrote)
            for (int i = 0; i < l->breaks; i++) html_putc(l->out, '\n');
        l->breaks = 0;
        l->space = l->separator = false;
    }
    if (l->prefix[0]) {
        html_puts(l->out, l->prefix);
        l->prefix[0] = 0;
        l->space = l->separator = false;
    } else if (l->separator) {
        html_putc(l->out, '\t');
        l->space = l->separator = false;
    } else if (l->space) {
        html_putc(l->out, ' ');
        l->space = false;
    }
    l->wrote = true;
    l->trailing = 0;
    l->line_start = false;
}

// At least n line breaks between the text so far and the next character:
// 1 ends the line, 2 leaves an empty line. Owed breaks of boundaries that
// meet are not added up.
void block(HtmlLayout* l, int n) {
    l->space = l->separator = false;
    l->line_start = true;
    if (l->trailing < n) {
        l->breaks += n - l->trailing;
        l->trailing = n;
    }
}

void line_break(HtmlLayout* l) {
    l->space = l->separator = false;
    l->line_start = true;
    ++l->breaks;
    ++l->trailing;
}

void item(HtmlLayout* l, const char* indent_and_mark) {
    block(l, 1);
    std::snprintf(l->prefix, sizeof l->prefix, "%s", indent_and_mark);
}

void list_item(HtmlLayout* l) {
    // Two tabs in at the first level, one more for each level below.
    int depth = l->lists < 1 ? 1 : l->lists > 8 ? 8 : l->lists;
    char tabs[10] = {};
    for (int i = 0; i <= depth; i++) tabs[i] = '\t';
    char mark[40];
    int* number = l->lists >= 1 && l->lists <= most_levels ? &l->numbers[l->lists - 1] : nullptr;
    if (number && *number) std::snprintf(mark, sizeof mark, "%s%d. ", tabs, (*number)++);
    else std::snprintf(mark, sizeof mark, "%s* ", tabs);
    item(l, mark);
}

}  // namespace

void layout_byte(HtmlLayout* l, int c) {
    if (l->skip_feed) {
        l->skip_feed = false;
        if (c == '\n') return;
    }
    if (c == 0) return;  // a browser shows nothing for a NUL
    if (!is_white(c)) {
        settle(l);
        html_putc(l->out, static_cast<char>(c));
    } else if (l->pre) {
        if (c == '\n') {
            line_break(l);
        } else {
            settle(l);
            html_putc(l->out, c == '\t' ? '\t' : ' ');
        }
    } else if (!l->line_start) {
        l->space = true;
    }
}

void layout_code_point(HtmlLayout* l, char32_t c) {
    if (c < 0x80) {
        // A control character shows as nothing; one of white space is white space.
        if ((c < 0x20 && !is_white(static_cast<int>(c))) || c == 0x7F) return;
        layout_byte(l, static_cast<int>(c));
        return;
    }
    l->skip_feed = false;
    // Characters a browser shows as nothing: C1 controls, the soft hyphen,
    // the joiners and zero-width spaces that newsletters pad their preview
    // lines with.
    if (c <= 0x9F || c == 0xAD || c == 0x34F || (c >= 0x200B && c <= 0x200D) || c == 0x2060 || c == 0xFEFF) return;
    settle(l);
    if (c == 0xA0) html_putc(l->out, ' ');  // a blank that does not collapse
    else html_put_code_point(l->out, c);
}

void layout_mark(HtmlLayout* l, const char* text) {
    l->skip_feed = false;
    settle(l);
    html_puts(l->out, text);
}

void layout_tag(HtmlLayout* l, HtmlTagKind kind, bool end, int number) {
    if (kind != TAG_OTHER) l->skip_feed = false;
    switch (kind) {
    case TAG_BLOCK:
    case TAG_TABLE:
    case TAG_ROW:
        block(l, 1);
        if (kind == TAG_TABLE) {
            l->tables += end ? (l->tables > 0 ? -1 : 0) : 1;
            if (l->tables >= 1 && l->tables <= most_levels && !end) l->cells[l->tables - 1] = 0;
        } else if (kind == TAG_ROW && l->tables >= 1 && l->tables <= most_levels) {
            l->cells[l->tables - 1] = 0;
        }
        break;
    case TAG_PARAGRAPH:
        block(l, 2);
        break;
    case TAG_PRE:
        block(l, 2);
        if (end) l->pre -= l->pre > 0;
        else ++l->pre, l->skip_feed = true;
        break;
    case TAG_BREAK:
        line_break(l);
        break;
    case TAG_RULE:
        block(l, 1);
        settle(l);
        for (int i = 0; i < 80; i++) html_putc(l->out, '_');
        block(l, 2);
        break;
    case TAG_LIST:
    case TAG_ORDERED:
        block(l, 1);
        if (end) {
            l->lists -= l->lists > 0;
        } else if (++l->lists <= most_levels) {
            l->numbers[l->lists - 1] = kind == TAG_ORDERED ? (number > 0 ? number : 1) : 0;
        }
        break;
    case TAG_ITEM:
        if (end) block(l, 1);
        else list_item(l);
        break;
    case TAG_TERM:
    case TAG_DEFINITION:
        if (end) block(l, 1);
        else item(l, kind == TAG_TERM ? "\t" : "\t\t");
        break;
    case TAG_CELL:
        if (!end && l->tables >= 1 && l->tables <= most_levels && l->cells[l->tables - 1]++ > 0 && !l->line_start)
            l->separator = true;
        break;
    case TAG_BOLD:
        layout_mark(l, end ? "]" : "[");
        break;
    case TAG_ITALIC:
        layout_mark(l, end ? "}" : "{");
        break;
    default:
        break;
    }
}
