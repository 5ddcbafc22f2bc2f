#include "format/header_fields.h"

#include <cstdio>
#include <cstring>

#include "core/find_in_file.h"
#include "core/file_reads.h"
#include "format/safe_fread.h"
#include "format/text_search.h"

namespace {

// find_in_file compares at most this many characters of a pattern.
constexpr int search_width = 49;
// Names longer than this are cut; "\r\n" and the name fill an 8192-byte text.
constexpr int name_limit = 8189;
// Most bytes read after a found name: room for the longest address field
// the client writes ("X-ZMRecipients", 12630 characters) with its name.
constexpr int read_limit = 16000;

unsigned char fold(unsigned char c) {
    // find_in_file sees a zero byte as 0x14 and compares upper case.
    if (c == 0) return 0x14;
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

// Whether the file begins with the name, compared as find_in_file would
// compare a match at position 0. Reading the first bytes answers that at
// once, where a search for the name would scan the whole file whenever the
// first line is another field.
bool file_begins_with(const char* path, const char* name, int length) {
    int n = length < search_width ? length : search_width;
    FileRead f;
    if (!file_read_open(&f, path)) return false;
    unsigned char start[search_width];
    size_t got = file_read_bytes(&f, start, static_cast<size_t>(n));
    file_read_close(&f);
    if (got < static_cast<size_t>(n)) return false;
    for (int i = 0; i < n; i++)
        if (fold(start[i]) != fold(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

int name_length(const char* name) { return static_cast<int>(strnlen(name, name_limit)); }

}  // namespace

int locate_header_field(const char* path, int64_t start, const char* name, int occurrence, int scope,
                        int64_t* found) {
    if (start < 0) start = 0;
    int length = name_length(name);
    // No field has an empty name; an empty pattern would match anywhere.
    if (length == 0) return -1;

    int64_t header_end = start;
    int ends = find_in_file(path, "\r\n\r\n", &header_end, false, false);
    if (ends < 0) return -3;
    // Without a header end the whole rest of the file is the header.
    bool bounded = scope == SCOPE_HEADER && ends > 0;

    // The searches compare only the pattern's first search_width characters:
    // line break and name are cut there, not kept whole.
    char pattern[search_width + 3];
    std::snprintf(pattern, sizeof pattern, "\r\n%s", name);

    bool matched = false;
    int64_t name_at = 0;
    int64_t from = start;
    // The file's first line has no line break before it.
    if (start == 0 && file_begins_with(path, name, length)) {
        matched = true;
        name_at = 0;
        from = length;
    }
    // In last-occurrence mode a first-line match is only the earliest
    // candidate: later lines of the same name still win.
    if (!matched || occurrence != FIELD_FIRST) {
        for (;;) {
            int64_t at = from;
            // Within one header the search ends at its blank line: a field
            // that is absent must not cost a pass over the rest of the file.
            int found = bounded ? find_in_file_within(path, pattern, &at, header_end, false)
                                : find_in_file(path, pattern, &at, false, false);
            if (found <= 0) break;
            if (bounded && at > header_end) break;
            matched = true;
            name_at = at + 2;
            from = name_at + length;
            if (occurrence == FIELD_FIRST) break;
        }
    }
    if (!matched) return -1;
    *found = name_at;
    return 0;
}

int read_header_field(const char* path, int64_t* offset, const char* name, Array* out, int max_len,
                      int occurrence, int scope) {
    array_clear(out);
    if (max_len < 0) max_len = 0;
    int64_t name_at = 0;
    if (locate_header_field(path, offset ? *offset : 0, name, occurrence, scope, &name_at) != 0) return -1;
    int64_t value_at = name_at + name_length(name);

    FileRead f;
    if (!file_read_open(&f, path)) return -1;
    if (!file_read_seek(&f, value_at)) {
        file_read_close(&f);
        return -1;
    }
    long long wanted = static_cast<long long>(max_len) + name_length(name) + 10;
    if (wanted > read_limit) wanted = read_limit;
    // One byte more than the text considered, only to tell whether a line
    // break at its very end is followed by a continuation line. The text is
    // ended after what was read: the rest of its room is never looked at,
    // so it is not cleared for every field.
    char text[read_limit + 2];
    int got = safe_read_bytes(text, static_cast<int>(sizeof text), static_cast<int>(wanted) + 1, &f);
    file_read_close(&f);
    int considered = got < wanted ? got : static_cast<int>(wanted);
    char follower = got > considered ? text[considered] : 0;
    text[considered] = 0;

    int result = -1;
    const char* colon = std::strchr(text, ':');
    if (colon) {
        const char* value = colon + 1;
        while (*value == ' ' || *value == '\t') value++;
        // The value ends at the first line break that does not continue.
        const char* end = nullptr;
        for (const char* p = std::strchr(value, '\n'); p; p = std::strchr(p + 1, '\n')) {
            char next = p[1] ? p[1] : follower;
            if (next != ' ' && next != '\t') {
                end = p;
                break;
            }
        }
        if (end) {
            if (end > value && end[-1] == '\r') end--;
            long long length = end - value;
            if (length > 0) {
                int fits = array_fit(out, max_len, 0);
                array_copy_at(out, 0, value, static_cast<int>(length < fits ? length : fits));
                result = length > fits ? -2 : 0;
                if (offset) *offset = name_at;
            }
        }
    }
    return result;
}

int get_field_parameter(Array* value, const char* param, Array* out, int max_len) {
    array_clear(out);
    if (max_len < 0) max_len = 0;
    const char* text = value->text;
    const char* end = text + strnlen(text, static_cast<size_t>(value->capacity));  // one past the last character
    const char* at = find_text_nocase(text, param);
    if (!at) return -1;
    at += std::strlen(param);
    while (at < end && (*at == ' ' || *at == '\t')) at++;
    if (at >= end || *at != '=') return -1;
    at++;
    while (at < end && (*at == ' ' || *at == '\t')) at++;
    if (at >= end) return -1;

    const char* stop = end;
    if (*at == '"') {
        at++;
        if (auto close = static_cast<const char*>(std::memchr(at, '"', static_cast<size_t>(end - at)))) {
            stop = close;
            array_set_char_at(value, close, 0);
        }
    } else {
        // An unquoted parameter is one token: "charset=utf-8; format=flowed"
        // gives utf-8, not the rest of the value.
        stop = at;
        while (stop < end && !std::strchr("; \t\r\n", *stop)) stop++;
    }
    long long length = stop - at;
    if (length <= 0) return -1;
    int fits = array_fit(out, max_len, 0);
    array_copy_at(out, 0, at, static_cast<int>(length < fits ? length : fits));
    return length > fits ? -2 : 0;
}

void unfold_value(Array* buffer, int max_len) {
    char* text = buffer->chars;
    size_t length = strnlen(text, static_cast<size_t>(buffer->capacity));
    size_t limit = max_len < 0 ? 0 : static_cast<size_t>(max_len);
    size_t kept = 0;
    for (size_t i = 0; i < length; i++) {
        char c = text[i];
        if (i < limit && (c == '\t' || c == '\r' || c == '\n')) continue;
        text[kept++] = c;
    }
    for (size_t i = kept; i < length; i++) text[i] = 0;
}
