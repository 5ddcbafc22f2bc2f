#include "format/address_list.h"

#include <cstring>
#include <initializer_list>

#include "format/header_fields.h"
#include "format/text_search.h"

namespace {

constexpr int list_entries = 100;
constexpr int entry_limit = 255;    // longest entry a list stores whole
constexpr int part_limit = 124;     // address and name when entries are compared or joined
constexpr int field_buffer = address_field_capacity;  // an address field read from a header

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Copies [from, to) less its surrounding white space, at most max characters.
void copy_trimmed(Array* out, const char* from, const char* to, int max) {
    while (from < to && is_space(*from)) from++;
    while (to > from && is_space(to[-1])) to--;
    long long length = to - from;
    if (length > max) length = max;
    array_copy_at(out, 0, from, static_cast<int>(length));
}

void copy_cut(Array* out, const char* from, long long length, int max) {
    if (length > max) length = max;
    if (length < 0) length = 0;
    array_copy_at(out, 0, from, static_cast<int>(length));
}

// The next comma at or after `p` that is not inside a quoted string, or
// null. A quote without a partner is an ordinary character; once one is
// found (*unclosed set), later quotes are taken as ordinary without looking
// for their partners again.
const char* next_separator(const char* p, bool* unclosed) {
    for (; *p; p++) {
        if (*p == ',') return p;
        if (*p == '"' && !*unclosed) {
            const char* close = closing_of(p);
            if (close) p = close;
            else *unclosed = true;
        }
    }
    return nullptr;
}

size_t length_of(const Array* a) { return strnlen(a->text, static_cast<size_t>(a->capacity)); }

// Appends the pieces only when all of them fit, so that a text is never left
// ending in the middle of an entry.
bool append_whole(Array* out, int limit, const char* a, const char* b, const char* c) {
    size_t have = length_of(out);
    size_t need = std::strlen(a) + std::strlen(b) + std::strlen(c);
    if (have + need > static_cast<size_t>(limit)) return false;
    for (const char* piece : {a, b, c}) {
        size_t n = std::strlen(piece);
        std::memcpy(out->chars + have, piece, n);
        have += n;
    }
    out->chars[have] = 0;
    return true;
}

int room_of(const Array* a) { return a->capacity > 0 ? a->capacity - 1 : 0; }

int entry_capacity(const StringList* list) { return list->count > 0 ? list->items[0]->capacity : 0; }

}  // namespace

const char* closing_of(const char* at) {
    const char open = *at;
    const char close = open == '(' ? ')' : '"';
    int depth = 0;
    for (const char* p = at; *p; p++) {
        if (*p == '\\' && p[1] && p > at) {
            p++;
        } else if (*p == close && p > at && (open != '(' || --depth == 0)) {
            return p;
        } else if (open == '(' && *p == '(') {
            depth++;
        }
    }
    return nullptr;
}

void split_address(const char* entry, Array* out_address, Array* out_name, int max_address, int max_name,
                   int bar_form) {
    if (out_address) array_clear(out_address);
    if (out_name) array_clear(out_name);
    const char* end = entry + std::strlen(entry);
    const char* bar = bar_form == 1 ? std::strchr(entry, '|') : nullptr;
    if (bar) {
        if (out_name) copy_cut(out_name, entry, bar - entry, max_name);
        if (out_address) copy_trimmed(out_address, bar + 1, end, max_address);
        return;
    }
    if (out_address) {
        const char* open = std::strchr(entry, '<');
        const char* close = open ? std::strchr(open + 1, '>') : nullptr;
        if (close) copy_trimmed(out_address, open + 1, close, max_address);
        else copy_trimmed(out_address, entry, end, max_address);
    }
    if (out_name) copy_cut(out_name, entry, end - entry, max_name);
}

int join_address_list(StringList* list, Array* out_addresses, Array* out_names) {
    if (out_addresses) array_clear(out_addresses);
    if (out_names) array_clear(out_names);
    Array* address = array_new(part_limit + 1);
    Array* name = array_new(part_limit + 1);
    int result = 0;
    for (int i = 0; i < list_entries && i < list->count; i++) {
        const char* entry = list->items[i]->text;
        if (!entry[0]) break;
        split_address(entry, address, name, part_limit, part_limit, 1);
        const char* shown = name->text[0] ? name->text : address->text;
        if (out_addresses && !append_whole(out_addresses, room_of(out_addresses), address->text, ",", ""))
            result = -1;
        if (out_names && !append_whole(out_names, room_of(out_names), shown, ",", "\r\n\t")) result = -1;
        if (result) break;
    }
    if (out_addresses && length_of(out_addresses) > 0) array_chop(out_addresses);
    if (out_names) {
        size_t n = length_of(out_names);
        if (n > 3) out_names->chars[n - 4] = 0;
    }
    delete_arrays(address, name);
    return result;
}

int split_address_list(const char* text, StringList* list, int max_entries) {
    string_list_clear(list);
    int limit = max_entries < list->count ? max_entries : list->count;
    int capacity_limit = entry_capacity(list) - 1;
    int stored = 0;
    bool failed = false;
    const char* at = text;
    bool unclosed = false;
    for (;;) {
        const char* comma = next_separator(at, &unclosed);
        const char* end = comma ? comma : at + std::strlen(at);
        if (stored >= limit) return -1;
        long long length = end - at;
        if (length > entry_limit || length > capacity_limit) failed = true;
        copy_cut(list->items[stored], at, length, capacity_limit);
        stored++;
        if (!comma) break;
        if (stored >= limit) return -1;
        at = comma + 1;
    }
    return failed ? -1 : 0;
}

int join_list(StringList* list, Array* out, int max_entries, int max_len) {
    array_clear(out);
    int limit = room_of(out);
    if (max_len < limit) limit = max_len < 0 ? 0 : max_len;
    int used = 0;
    int result = 0;
    for (int i = 0; i < max_entries && i < list->count; i++) {
        const char* entry = list->items[i]->text;
        if (!entry[0]) break;
        used++;
        if (!append_whole(out, limit, used > 1 ? "," : "", entry, "")) {
            result = -1;
            break;
        }
    }
    if (max_entries > 0 && used == max_entries) result = -1;
    return result;
}

int address_in_list(StringList* list, const char* entry, int count) {
    Array* wanted = array_new(part_limit + 1);
    Array* other = array_new(part_limit + 1);
    split_address(entry, wanted, nullptr, part_limit, 0, 0);
    int found = 0;
    for (int i = 0; i < count && i < list->count && !found; i++) {
        split_address(list->items[i]->text, other, nullptr, part_limit, 0, 0);
        found = std::strcmp(wanted->text, other->text) == 0;
    }
    delete_arrays(wanted, other);
    return found;
}

int remove_duplicate_addresses(StringList* list, int max) {
    StringList* original = string_list_new(list->count, entry_capacity(list));
    string_list_copy(original, list);
    string_list_clear(list);
    int kept = 0;
    int dropped = 0;
    for (int i = 0; i < original->count; i++) {
        const char* entry = original->items[i]->text;
        if (!entry[0]) break;
        if (address_in_list(list, entry, kept)) {
            dropped++;
            continue;
        }
        if (kept >= max) {
            // Leave the caller's list as it came rather than half rebuilt.
            string_list_copy(list, original);
            dropped = -1;
            break;
        }
        array_copy(list->items[kept++], entry);
    }
    string_list_release(original);
    delete original;
    return dropped;
}

int has_duplicate_addresses(StringList* list) {
    StringList* copy = string_list_new(list->count, entry_capacity(list));
    string_list_copy(copy, list);
    int dropped = remove_duplicate_addresses(copy, copy->count);
    string_list_release(copy);
    delete copy;
    return dropped > 0 ? 1 : 0;
}

int check_recipient_string(const char* text) {
    bool commas = false;
    bool content = false;  // something other than white space since the last comma
    bool unclosed = false;
    for (const char* p = text; *p; p++) {
        if (*p == ',') {
            if (!content) return -1;
            commas = true;
            content = false;
        } else if (*p == '"') {
            // Quoted strings end where the split ends them (an escaped quote
            // does not close one), or a comma the split takes as a separator
            // would go unchecked here.
            content = true;
            const char* close = unclosed ? nullptr : closing_of(p);
            if (close) p = close;
            else unclosed = true;
        } else if (!is_space(*p)) {
            content = true;
        }
    }
    return commas && !content ? -1 : 0;
}

int parse_address_field(const char* header_text, const char* name, StringList* list, int max_entries) {
    const char* at = find_text_nocase(header_text, name);
    if (!at) return -2;
    const char* value = at + std::strlen(name);
    while (*value == ' ' || *value == '\t') value++;
    const char* header_end = std::strstr(header_text, "\r\n\r\n");
    // The first match lying in the body means the header has no such field:
    // a forwarded message quotes its "To:" line there.
    if (header_end && value > header_end) return -2;

    const char* end = nullptr;
    for (const char* r = std::strchr(at + std::strlen(name), '\r'); r; r = std::strchr(r + 1, '\r')) {
        char next = r[1] ? r[2] : 0;
        if (next != ' ' && next != '\t') {
            end = r;
            break;
        }
    }
    if (!end || !header_end || end > header_end) return -1;
    if (end < value) end = value;

    Array* buffer = array_new(field_buffer);
    copy_cut(buffer, value, end - value, field_buffer - 1);
    unfold_value(buffer, field_buffer);
    int result = split_address_list(buffer->text, list, max_entries) == 0 ? 0 : -1;
    delete_arrays(buffer);
    return result;
}
