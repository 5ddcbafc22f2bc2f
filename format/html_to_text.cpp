// The tokenizer of the HTML to text converter: the states of a browser's
// HTML tokenizer that decide what is text (data, tags with their quoted
// attribute values, comments, the raw text of style and script, character
// references), fed one byte at a time so that no input is held whole.
#include "format/html_to_text.h"

#include <cstdio>
#include <memory>

#include "core/sys_files.h"
#include "format/html_layout.h"
#include "format/html_references.h"
#include "format/html_tags.h"

namespace {

enum State {
    DATA, REFERENCE, TAG_OPEN, END_TAG_OPEN, TAG_NAME, BEFORE_ATTRIBUTE, ATTRIBUTE_NAME, AFTER_ATTRIBUTE_NAME,
    BEFORE_VALUE, VALUE_DOUBLE, VALUE_SINGLE, VALUE_BARE, MARKUP, MARKUP_DASH, COMMENT_START, COMMENT_START_DASH,
    COMMENT, COMMENT_END_DASH, COMMENT_END, COMMENT_END_BANG, BOGUS_COMMENT, RAW, RAW_LESS, RAW_END,
};

// Which attribute's value is being kept.
enum Wanted { NO_VALUE, ALT_VALUE, START_VALUE };

constexpr size_t name_room = 16;   // longer names are no element of the table
constexpr size_t value_room = 400; // the shown part of an image's alternative text

struct Converter {
    HtmlLayout layout;
    State state = DATA;
    char name[name_room + 1] = {};  // the tag's name in lower case
    size_t name_length = 0;
    bool end_tag = false;
    char attribute[8] = {};         // the attribute's name in lower case, when short
    size_t attribute_length = 0;
    Wanted wanted = NO_VALUE;
    char alt[value_room] = {};
    size_t alt_length = 0;
    bool has_alt = false;
    int start = 0;
    char raw_name[name_room + 1] = {};  // the element whose end tag ends raw text
    size_t raw_length = 0;
    size_t raw_at = 0;
    char reference[html_reference_longest_name + 2] = {};  // what follows "&"
    size_t reference_length = 0;
    bool in_head = false;
    int templates = 0;
};

bool is_white(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_hex(int c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
char lower(int c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); }

bool hidden(const Converter& v) { return v.in_head || v.templates > 0; }

void text_byte(Converter* v, int c) {
    if (v->in_head && !is_white(c)) v->in_head = false;  // text ends the head, as in a browser
    if (!hidden(*v)) layout_byte(&v->layout, c);
}

// A reference is text too, and ends the head as text does.
void text_code_points(Converter* v, const char32_t* code_points, int count) {
    v->in_head = false;
    if (hidden(*v)) return;
    for (int i = 0; i < count; i++) layout_code_point(&v->layout, code_points[i]);
}

// The alternative text: its references read, its white space collapsed.
void write_alt(Converter* v) {
    std::string_view value(v->alt, v->alt_length);
    layout_mark(&v->layout, "[");
    v->layout.line_start = true;
    for (size_t at = 0; at < value.size();) {
        char c = value[at++];
        char32_t code_points[2];
        int count = 0;
        size_t used = c == '&' ? html_reference(value.substr(at), true, code_points, &count) : 0;
        if (used) {
            at += used;
            for (int i = 0; i < count; i++) layout_code_point(&v->layout, code_points[i]);
        } else {
            layout_byte(&v->layout, static_cast<unsigned char>(c));
        }
    }
    v->layout.space = false;
    layout_mark(&v->layout, "]");
}

void begin_tag(Converter* v, bool end) {
    v->end_tag = end;
    v->name_length = 0;
    v->has_alt = false;
    v->alt_length = 0;
    v->start = 0;
    v->wanted = NO_VALUE;
}

// The tag is complete: what it does to the text, and the raw text that
// follows the start tag of style, script and their like.
void finish_tag(Converter* v) {
    v->state = DATA;
    if (v->name_length > name_room) return;
    std::string_view name(v->name, v->name_length);
    HtmlTagKind kind = html_tag_kind(name);
    if (kind == TAG_TEMPLATE) {
        v->templates += v->end_tag ? (v->templates > 0 ? -1 : 0) : 1;
        return;
    }
    if (kind == TAG_HEAD) {
        v->in_head = !v->end_tag && v->templates == 0;
        return;
    }
    if (!v->end_tag && v->in_head && kind != TAG_HEAD_ONLY && kind != TAG_RAW) v->in_head = false;
    if (kind == TAG_BODY) v->in_head = false;
    if (kind == TAG_RAW && !v->end_tag) {
        name.copy(v->raw_name, name.size());
        v->raw_length = name.size();
        v->state = RAW;
        return;
    }
    if (hidden(*v)) return;
    if (kind == TAG_IMAGE) {
        if (!v->end_tag && v->has_alt && v->alt_length) write_alt(v);
        return;
    }
    // "</br>" breaks a line as "<br>" does.
    layout_tag(&v->layout, kind, v->end_tag && kind != TAG_BREAK, v->start);
}

void keep_value(Converter* v, int c) {
    if (v->wanted == ALT_VALUE) {
        if (v->alt_length < value_room) v->alt[v->alt_length++] = static_cast<char>(c);
    } else if (v->wanted == START_VALUE) {
        if (is_digit(c) && v->start < 100000) v->start = v->start * 10 + (c - '0');
    }
}

void begin_value(Converter* v) {
    std::string_view a(v->attribute, v->attribute_length);
    v->wanted = a == "alt" && !v->has_alt ? ALT_VALUE : a == "start" ? START_VALUE : NO_VALUE;
    if (v->wanted == ALT_VALUE) v->has_alt = true;
    if (v->wanted == START_VALUE) v->start = 0;
}

// The characters after "&" are complete: the reference they begin, and the
// rest of them as text.
void finish_reference(Converter* v) {
    std::string_view kept(v->reference, v->reference_length);
    char32_t code_points[2];
    int count = 0;
    size_t used = html_reference(kept, false, code_points, &count);
    if (used) text_code_points(v, code_points, count);
    else text_byte(v, '&');
    for (size_t i = used; i < kept.size(); i++) text_byte(v, static_cast<unsigned char>(kept[i]));
    v->reference_length = 0;
    v->state = DATA;
}

// One more character after "&"; false when it ends the reference and is to
// be read again as data.
bool reference_char(Converter* v, int c) {
    char* r = v->reference;
    size_t& n = v->reference_length;
    if (c == ';' && n > 0) {
        r[n++] = ';';
        finish_reference(v);
        return true;
    }
    bool keep = false;
    bool hex = n >= 2 && r[0] == '#' && (r[1] == 'x' || r[1] == 'X');
    if (n == 0 || r[0] != '#') {
        keep = (c == '#' && n == 0) || ((is_letter(c) || is_digit(c)) && n < html_reference_longest_name);
    } else if (n == 1 && (c == 'x' || c == 'X')) {
        keep = true;
    } else if (hex ? is_hex(c) : is_digit(c)) {
        // Leading zeros are not kept and digits past the ninth are not
        // needed (the value is then past U+10FFFF anyway), so a number of
        // any length fits.
        size_t digits_at = hex ? 2 : 1;
        if (n == digits_at + 1 && r[digits_at] == '0') --n;
        if (n < digits_at + 9) r[n++] = static_cast<char>(c);
        return true;
    }
    if (keep) r[n++] = static_cast<char>(c);
    return keep;
}

void step(Converter* v, int c);

// Reads c again in the data state after the state before it gave up.
void again_as_data(Converter* v, int c) {
    v->state = DATA;
    step(v, c);
}

void step(Converter* v, int c) {
    switch (v->state) {
    case DATA:
        if (c == '<') v->state = TAG_OPEN;
        else if (c == '&') v->state = REFERENCE, v->reference_length = 0;
        else text_byte(v, c);
        return;
    case REFERENCE:
        if (!reference_char(v, c)) {
            finish_reference(v);
            step(v, c);
        }
        return;
    case TAG_OPEN:
        if (c == '!') v->state = MARKUP;
        else if (c == '/') v->state = END_TAG_OPEN;
        else if (c == '?') v->state = BOGUS_COMMENT;
        else if (is_letter(c)) begin_tag(v, false), v->state = TAG_NAME, step(v, c);
        else text_byte(v, '<'), again_as_data(v, c);  // "5 < 6": a "<" that begins no tag is text
        return;
    case END_TAG_OPEN:
        if (is_letter(c)) begin_tag(v, true), v->state = TAG_NAME, step(v, c);
        else v->state = c == '>' ? DATA : BOGUS_COMMENT;
        return;
    case TAG_NAME:
        if (is_white(c)) v->state = BEFORE_ATTRIBUTE;
        else if (c == '/') v->state = BEFORE_ATTRIBUTE;
        else if (c == '>') finish_tag(v);
        else if (v->name_length <= name_room) v->name[v->name_length++] = lower(c);
        return;
    case BEFORE_ATTRIBUTE:
        if (c == '>') finish_tag(v);
        else if (!is_white(c) && c != '/') v->attribute_length = 0, v->state = ATTRIBUTE_NAME, step(v, c);
        return;
    case ATTRIBUTE_NAME:
        if (is_white(c)) v->state = AFTER_ATTRIBUTE_NAME;
        else if (c == '/') v->state = BEFORE_ATTRIBUTE;
        else if (c == '>') finish_tag(v);
        else if (c == '=' && v->attribute_length) v->state = BEFORE_VALUE;
        else if (v->attribute_length < sizeof v->attribute) v->attribute[v->attribute_length++] = lower(c);
        return;
    case AFTER_ATTRIBUTE_NAME:
        if (c == '=') v->state = BEFORE_VALUE;
        else if (c == '>') finish_tag(v);
        else if (c == '/') v->state = BEFORE_ATTRIBUTE;
        else if (!is_white(c)) v->attribute_length = 0, v->state = ATTRIBUTE_NAME, step(v, c);
        return;
    case BEFORE_VALUE:
        if (is_white(c)) return;
        begin_value(v);
        if (c == '"') v->state = VALUE_DOUBLE;
        else if (c == '\'') v->state = VALUE_SINGLE;
        else if (c == '>') finish_tag(v);
        else v->state = VALUE_BARE, step(v, c);
        return;
    case VALUE_DOUBLE:
    case VALUE_SINGLE:
        if (c == (v->state == VALUE_DOUBLE ? '"' : '\'')) v->state = BEFORE_ATTRIBUTE;
        else keep_value(v, c);
        return;
    case VALUE_BARE:
        if (is_white(c)) v->state = BEFORE_ATTRIBUTE;
        else if (c == '>') finish_tag(v);
        else keep_value(v, c);
        return;
    case MARKUP:
        if (c == '-') v->state = MARKUP_DASH;
        else v->state = BOGUS_COMMENT, step(v, c);  // "<!DOCTYPE ...>", "<![if !mso]>", "<![endif]>"
        return;
    case MARKUP_DASH:
        if (c == '-') v->state = COMMENT_START;
        else v->state = BOGUS_COMMENT, step(v, c);
        return;
    case COMMENT_START:
        v->state = c == '-' ? COMMENT_START_DASH : c == '>' ? DATA : COMMENT;
        return;
    case COMMENT_START_DASH:
        v->state = c == '-' ? COMMENT_END : c == '>' ? DATA : COMMENT;
        return;
    case COMMENT:
        if (c == '-') v->state = COMMENT_END_DASH;
        return;
    case COMMENT_END_DASH:
        v->state = c == '-' ? COMMENT_END : COMMENT;
        return;
    case COMMENT_END:
        if (c == '>') v->state = DATA;
        else if (c == '!') v->state = COMMENT_END_BANG;
        else if (c != '-') v->state = COMMENT;
        return;
    case COMMENT_END_BANG:
        v->state = c == '-' ? COMMENT_END_DASH : c == '>' ? DATA : COMMENT;
        return;
    case BOGUS_COMMENT:
        if (c == '>') v->state = DATA;
        return;
    case RAW:
        if (c == '<') v->state = RAW_LESS;
        return;
    case RAW_LESS:
        if (c == '/') v->state = RAW_END, v->raw_at = 0;
        else v->state = RAW, step(v, c);
        return;
    case RAW_END:
        if (v->raw_at < v->raw_length && lower(c) == v->raw_name[v->raw_at]) {
            ++v->raw_at;
        } else if (v->raw_at == v->raw_length && (is_white(c) || c == '/' || c == '>')) {
            begin_tag(v, true);
            for (size_t i = 0; i < v->raw_length; i++) v->name[i] = v->raw_name[i];
            v->name_length = v->raw_length;
            v->state = TAG_NAME;
            step(v, c);
        } else {
            v->state = RAW;
            step(v, c);
        }
        return;
    }
}

// The end of the input: a reference or a "<" still waiting is text; a cut
// tag, comment or raw text is not, as in a browser.
void finish(Converter* v) {
    if (v->state == REFERENCE) finish_reference(v);
    else if (v->state == TAG_OPEN) text_byte(v, '<');
    else if (v->state == END_TAG_OPEN) text_byte(v, '<'), text_byte(v, '/');
}

}  // namespace

int html_to_text(const char* input_path, const char* output_path, int code_page) {
    auto in = std::make_unique<HtmlInput>();
    in->file = sys_fopen(input_path, "rb");
    if (!in->file) {
        std::printf("\nCan't open this HTML file. Is your path correct?");
        return -1;
    }
    auto out = std::make_unique<HtmlOutput>();
    out->file = sys_fopen(output_path, "wb");
    if (!out->file) {
        std::printf("\nERROR-Unable to create %s\n", output_path);
        std::fclose(in->file);
        return -1;
    }
    out->code_page = code_page;
    auto converter = std::make_unique<Converter>();
    converter->layout.out = out.get();
    for (int c; (c = html_getc(in.get())) != -1;) {
        // Plain text outside markup is by far the most of a document.
        if (converter->state == DATA && c != '<' && c != '&') text_byte(converter.get(), c);
        else step(converter.get(), c);
    }
    finish(converter.get());
    std::fclose(in->file);
    html_output_flush(out.get());
    bool good = !out->failed && std::ferror(out->file) == 0;
    if (std::fclose(out->file) != 0) good = false;
    return good ? 0 : -1;
}
