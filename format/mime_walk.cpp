#include "format/mime_walk.h"

#include <cstdio>
#include <cstring>

#include "core/app_state.h"
#include "core/file_reads.h"
#include "core/find_in_file.h"
#include "core/sys_files.h"
#include "format/ascii_case.h"
#include "format/part_headers.h"

namespace {

// Real mail nests a handful of levels; a hostile message must not run the
// walk's stack out.
constexpr int max_depth = 32;
// Delimiters one walk may take in all. Well-formed messages take each
// delimiter once; this only ends walks over malformed files whose nested
// boundaries make the levels see each other's parts again and again.
constexpr int max_steps = 10000;

struct WalkState {
    const char* enclosing[max_depth];  // delimiters of the multiparts around the current one
    int depth = 0;
    int steps = 0;
    // The last unbounded search: recording a part finds the delimiter that
    // the walk then looks for again, which for a large attachment would be a
    // second pass over all of it.
    char searched[110] = {};
    int64_t searched_from = 0;
    int64_t found_at = 0;
    bool found_close = false;
};

// Whether the whole delimiter stands at `at` (the file search compares only
// its first 49 characters); *close tells whether "--" follows it.
bool delimiter_at(const char* path, const char* delimiter, int64_t at, bool* close) {
    size_t length = std::strlen(delimiter);
    FileRead f;
    if (!file_read_open(&f, path)) return false;
    char bytes[120] = {};
    size_t got = 0;
    if (length + 2 <= sizeof bytes && file_read_seek(&f, at)) got = file_read_bytes(&f, bytes, length + 2);
    file_read_close(&f);
    if (got < length || std::memcmp(bytes, delimiter, length) != 0) return false;
    *close = got == length + 2 && bytes[length] == '-' && bytes[length + 1] == '-';
    // A delimiter line holds the boundary and nothing but white space; a
    // longer boundary that begins with this one ("=_b_" and "=_b_.REL", as
    // some programs nest them) is another level's delimiter.
    return *close || got == length || std::memchr(" \t\r\n", bytes[length], 4) != nullptr;
}

// The next delimiter at or after *at, open or close, and with a limit (not
// negative) only one that begins at or before it. Counts against the walk's
// steps when there is a walk.
bool next_delimiter(const char* path, const char* delimiter, int64_t* at, bool* close, WalkState* state,
                    int64_t limit = -1) {
    int64_t from = *at;
    if (state && limit < 0 && std::strcmp(state->searched, delimiter) == 0 && state->searched_from <= from &&
        from <= state->found_at) {
        *at = state->found_at;
        *close = state->found_close;
        return true;
    }
    for (;;) {
        if (state && state->steps >= max_steps) return false;
        int64_t found = from;
        int result = limit < 0 ? find_in_file(path, delimiter, &found, false, true)
                               : find_in_file_within(path, delimiter, &found, limit, true);
        if (result <= 0) return false;
        if (delimiter_at(path, delimiter, found, close)) {
            if (state) {
                state->steps++;
                if (limit < 0) {
                    std::snprintf(state->searched, sizeof state->searched, "%s", delimiter);
                    state->searched_from = *at;
                    state->found_at = found;
                    state->found_close = *close;
                }
            }
            *at = found;
            return true;
        }
        from = found + 1;
    }
}

bool next_open_delimiter(const char* path, const char* delimiter, int64_t* offset, WalkState* state) {
    int64_t at = *offset;
    bool close = false;
    for (;;) {
        if (!next_delimiter(path, delimiter, &at, &close, state)) return false;
        if (!close) break;
        at += static_cast<int64_t>(std::strlen(delimiter)) + 2;
    }
    *offset = at;
    return true;
}

int record(const char* path, int64_t offset, const char* delimiter, PartRecord* list, const PartHeaders* headers,
           bool collect, WalkState* state) {
    int64_t header_end = offset;
    if (find_in_file(path, "\r\n\r\n", &header_end, false, true) <= 0) return 0;
    int64_t start = header_end + 4;
    int64_t end = 0;
    bool incomplete = false;
    if (delimiter[0]) {
        int64_t next = offset;
        bool close = false;
        bool own = next_delimiter(path, delimiter, &next, &close, state);
        // A blank line found only beyond the next delimiter belongs to a
        // later part: this part's header has no end.
        if (own && next < header_end) return 0;
        // Where a level's own close delimiter is missing (a cut or broken
        // message), the next delimiter of an enclosing level ends its part;
        // with none either, the part runs to the end of the file. What is
        // there is kept, marked as possibly incomplete.
        int64_t outer_end = -1;
        for (int i = 0; state && i < state->depth; i++) {
            if (std::strcmp(state->enclosing[i], delimiter) == 0) continue;
            int64_t outer = header_end;
            if (next_delimiter(path, state->enclosing[i], &outer, &close, state, own ? next : -1) &&
                (outer_end < 0 || outer < outer_end))
                outer_end = outer;
        }
        if (outer_end >= 0 && (!own || outer_end < next)) {
            end = outer_end;
            incomplete = true;
        } else if (own) {
            end = next;
        } else {
            incomplete = true;
        }
        if (end != 0 && end < start) end = start;
    }
    if (!collect) part_list_clear(list);
    part_list_append(list, start, end, headers, incomplete);
    return 1;
}

// Whether the lines of delimiter `longer` also stand as lines of `shorter`,
// by the test delimiter_at makes.
bool taken_for(const char* shorter, const char* longer) {
    size_t n = std::strlen(shorter);
    if (std::strncmp(shorter, longer, n) != 0) return false;
    char next = longer[n];
    return next == 0 || next == ' ' || next == '\t' || (next == '-' && longer[n + 1] == '-');
}

// Whether one delimiter's lines would be found by a search for the other,
// which makes the two levels take each other's parts.
bool overlaps(const char* a, const char* b) { return taken_for(a, b) || taken_for(b, a); }

bool walk(const char* path, int64_t offset, StringList* preferences, PartRecord* list, int* best, bool collect,
          WalkState* state) {
    Array* boundary = array_new(110);
    Array* delimiter = array_new(110);
    PartHeaders headers;
    part_headers_init(&headers);

    int64_t at = offset;
    if (read_boundary(path, boundary, &at) != 0) {
        // A single-part entity: the message itself, or (nested) a container
        // without a boundary, whose multipart type matches no preference.
        read_part_headers(path, offset, &headers, collect);
        if (match_type(headers.type->text, preferences) >= 0 &&
            record(path, offset, "", list, &headers, collect, state))
            *best = 0;
    } else {
        array_printf(delimiter, "\r\n--%.100s", boundary->text);
        bool descend = state->depth < max_depth;
        // A nested boundary that an enclosing one would also find (the same
        // text, say) is not walked on its own: the enclosing walk already
        // sees its parts as its own.
        for (int i = 0; descend && i < state->depth; i++)
            if (overlaps(state->enclosing[i], delimiter->text)) descend = false;
        if (descend) {
            state->enclosing[state->depth++] = delimiter->text;
            for (;;) {
                if (!next_open_delimiter(path, delimiter->text, &at, state)) break;
                at++;
                read_part_headers(path, at, &headers, collect);
                if (is_multipart(headers.type->text) && walk(path, at, preferences, list, best, collect, state)) {
                    if (!collect && *best == 0) break;
                    continue;
                }
                int index = match_type(headers.type->text, preferences);
                if (index >= 0 && (collect || *best == -1 || index < *best) &&
                    record(path, at, delimiter->text, list, &headers, collect, state))
                    *best = index;
                if (!collect && *best == 0) break;
            }
            state->depth--;
        }
    }
    part_headers_release(&headers);
    delete_arrays(boundary, delimiter);
    return *best != -1;
}

}  // namespace

int find_boundary(const char* path, const char* delimiter, int64_t* offset) {
    return next_open_delimiter(path, delimiter, offset, nullptr) ? 1 : 0;
}

int match_type(const char* type, StringList* preferences) {
    for (int i = 0; i < preferences->count; i++) {
        const char* entry = string_list_get(preferences, i)->text;
        if (entry[0] && begins_nocase(type, entry)) return i;
    }
    return -1;
}

bool is_multipart(const char* type) { return begins_nocase(type, "multipart"); }

int record_part(const char* path, int64_t offset, const char* delimiter, PartRecord* list,
                const PartHeaders* headers, bool collect) {
    return record(path, offset, delimiter, list, headers, collect, nullptr);
}

bool walk_parts(const char* path, int64_t offset, StringList* preferences, PartRecord* list, int* best,
                bool collect) {
    WalkState state;
    return walk(path, offset, preferences, list, best, collect, &state);
}

bool collect_attachments(const char* path, PartRecord* list) {
    int best = -1;
    return walk_parts(path, 0, app.dispositions, list, &best, true);
}
