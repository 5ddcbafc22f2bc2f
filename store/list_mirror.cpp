#include "store/list_mirror.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/file_reads.h"
#include "core/log.h"
#include "core/sys_files.h"
#include "format/address_list.h"
#include "format/attachment_count.h"
#include "format/temp_files.h"

namespace {

constexpr int line_capacity = 16384;

const char* file_name_of(const char* path) {
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// The line of a message: name, from name, recipients, subject, date,
// marked, read, attachments and the mark of decoded text, each followed by
// a TAB, then CR LF. A caller that reads the line's fields back gives the
// summary and recipients text (address_field_capacity) they go into, as
// room for making the line: nothing is allocated for each message then.
// Returns false when the message could not be summarised.
bool format_line(const char* message_path, Array* line, MessageSummary* summary = nullptr,
                 Array* recipients = nullptr) {
    MessageSummary* s = summary ? summary : summary_new();
    Array* joined = recipients ? recipients : array_new(address_field_capacity);
    int result = summarise_for_row(message_path, s);
    if (result == SUMMARY_SUBJECT_LOCKED) locked_subjects++;
    bool readable = result == SUMMARY_OK;
    join_list(s->recipients, joined, address_list_entries, address_field_capacity - 1);
    array_printf(line, "%s\t%s\t%s\t%s\t%s\t%i\t%i\t%i\t%s\t\r\n", file_name_of(message_path), s->from_name->text,
                 joined->text, s->subject->text, s->date->text, s->marked, s->read, s->attachments,
                 mirror_utf8_mark);
    if (!recipients) delete_arrays(joined);
    if (!summary) summary_delete(s);
    return readable;
}

// The line as appended: no field may break it, so CR and LF anywhere
// (its own line end too) become blanks; the caller writes CR LF after it.
void format_appended_line(const char* message_path, Array* line, MessageSummary* summary = nullptr,
                          Array* recipients = nullptr) {
    format_line(message_path, line, summary, recipients);
    // Up to the line's end: the rest of the buffer is zeros.
    for (char* c = line->chars; *c; c++)
        if (*c == '\r' || *c == '\n') *c = ' ';
}

bool line_is_for(const char* line, const char* name) { return std::strncmp(line, name, std::strlen(name)) == 0; }

// Reads one line of at most capacity - 2 characters (with its line end).
bool read_line(std::FILE* f, Array* line) {
    // fgets ends what it reads with a zero; the rest of the buffer may hold
    // an older line, which nothing reads.
    line->chars[0] = 0;
    return std::fgets(line->chars, line->capacity - 1, f) != nullptr;
}

// Each refresh has a scratch file of its own: the list fill, a mark and a
// copy or move may refresh lines at the same time.
std::atomic<int> refresh_number{0};

}  // namespace

std::atomic<int> locked_subjects{0};

int summarise_for_row(const char* message_path, MessageSummary* summary) {
    // The header's fields, its boundaries and each part's header are looked
    // for one after another: through the held file that is one open of the
    // file, not one for every search, and for most messages one read.
    bool held = hold_file(message_path);
    int result = read_summary(0, summary, message_path);
    summary->attachments = count_attachments(message_path);
    if (held) release_held_file();
    return result;
}

int file_size(const char* path) {
    int64_t size = sys_file_size(path);
    return size < 0 || size > INT32_MAX ? -1 : static_cast<int>(size);
}

void mirror_open(ListMirror* mirror, const char* folder) {
    mirror->offset = 0;
    std::snprintf(mirror->path, sizeof mirror->path, "%s\\%s", folder, "mirror.dat");
}

void mirror_discard(ListMirror* mirror) {
    // Its files are closed first: an open file cannot be removed everywhere.
    mirror->fresh_lines.clear();
    mirror_close(mirror);
    mirror->offset = 0;
    sys_remove_file(mirror->path);
}

void mirror_append(ListMirror* mirror, const char* message_path) {
    std::FILE* f = sys_fopen(mirror->path, "ab");
    if (!f) return;
    Array* line = array_new(line_capacity);
    format_appended_line(message_path, line);
    std::fprintf(f, "%s\r\n", line->text);
    std::fclose(f);
    delete_arrays(line);
}

namespace {

// The field's text cut to the buffer, ended by a zero (an absent field is
// empty), without filling the rest of the buffer.
void copy_field(Array* out, const char* text) {
    if (out->capacity < 1) return;
    size_t n = text ? strnlen(text, static_cast<size_t>(out->capacity - 1)) : 0;
    std::memcpy(out->chars, text ? text : "", n);
    out->chars[n] = 0;
}

// Whether the line carries the mark of decoded text after its eighth TAB.
bool line_is_decoded(const char* line) {
    const char* p = line;
    for (int tabs = 0; tabs < 8 && p; tabs++) {
        p = std::strchr(p, '\t');
        if (p) p++;
    }
    const size_t n = sizeof mirror_utf8_mark - 1;
    return p && std::strncmp(p, mirror_utf8_mark, n) == 0 && p[n] == '\t';
}

// Fields 2 to 8 of a line; anything after the eighth TAB is ignored.
void read_fields(char* line, MessageSummary* summary, Array* recipients) {
    char* fields[8] = {};
    char* p = line;
    for (int i = 0; i < 8 && p; i++) {
        fields[i] = p;
        char* tab = std::strchr(p, '\t');
        if (tab) *tab = 0;
        p = tab ? tab + 1 : nullptr;
    }
    // Only what a row shows is set: clearing the whole summary (its hundred
    // recipients) for every line would cost more than reading the mirror.
    summary->multipart = 0;
    copy_field(summary->from_name, fields[1]);
    copy_field(recipients, fields[2]);
    copy_field(summary->subject, fields[3]);
    copy_field(summary->date, fields[4]);
    summary->marked = fields[5] ? std::atoi(fields[5]) : 0;
    summary->read = fields[6] ? std::atoi(fields[6]) : 1;
    summary->attachments = fields[7] ? std::atoi(fields[7]) : 0;
}

void log_unopened(const ListMirror* mirror) {
    log_write(mirror->path);
    log_write(": could not open file.\r\n");
}

// The mirror has no more lines: the message's line is made, appended, and
// read back from memory exactly as it was written.
int append_and_read(ListMirror* mirror, const char* message_path, MessageSummary* summary, Array* recipients) {
    if (!mirror->out) mirror->out = sys_fopen(mirror->path, "ab");
    if (!mirror->out) {
        log_unopened(mirror);
        return -1;
    }
    // A last line cut short before its line end gets one first: the new line
    // must not run on from it.
    if (mirror->open_end && std::fputs("\r\n", mirror->out) >= 0) mirror->open_end = false;
    // The lookups' line buffer: its last byte is never written, so each
    // line made into it ends with a zero as in a new buffer.
    if (!mirror->line) mirror->line = array_new(line_capacity);
    Array* line = mirror->line;
    format_appended_line(message_path, line, summary, recipients);
    bool written = std::fprintf(mirror->out, "%s\r\n", line->text) >= 0;
    if (written) read_fields(line->chars, summary, recipients);
    if (!written) log_unopened(mirror);
    return written ? 0 : -1;
}

}  // namespace

namespace {

// Puts the lines made afresh in the places of the old lines of their
// messages, in one pass: they were found in file order. A line that is
// decoded by now (a mark or read change rewrote it meanwhile) stays.
void write_fresh_lines(ListMirror* mirror) {
    Array* scratch = array_new(100);
    temp_file_name(scratch, "dellist", refresh_number++);
    std::FILE* in = sys_fopen(mirror->path, "rb");
    std::FILE* out = in ? sys_fopen(scratch->text, "wb") : nullptr;
    Array* line = array_new(line_capacity);
    bool written = in && out;
    size_t next = 0;
    while (written && read_line(in, line)) {
        const char* text = line->text;
        if (next < mirror->fresh_lines.size()) {
            const std::string& fresh = mirror->fresh_lines[next];
            const std::string name = fresh.substr(0, fresh.find('\t'));
            if (line_is_for(text, name.c_str()) && line->text[name.size()] == '\t') {
                next++;
                if (!line_is_decoded(text)) text = fresh.c_str();
            }
        }
        written = std::fputs(text, out) >= 0;
    }
    if (in) std::fclose(in);
    if (out) written = std::fclose(out) == 0 && written;
    if (written) sys_copy_file(scratch->text, mirror->path, false);
    if (out) sys_remove_file(scratch->text);
    delete_arrays(scratch, line);
}

}  // namespace

void mirror_close(ListMirror* mirror) {
    if (mirror->in) std::fclose(mirror->in);
    if (mirror->out) std::fclose(mirror->out);
    delete_arrays(mirror->line);
    mirror->line = nullptr;
    mirror->in = mirror->out = nullptr;
    mirror->read_all = mirror->open_end = false;
    if (!mirror->fresh_lines.empty()) write_fresh_lines(mirror);
    mirror->fresh_lines.clear();
}

int mirror_lookup(ListMirror* mirror, const char* message_path, MessageSummary* summary, Array* recipients) {
    const char* name = file_name_of(message_path);
    if (!mirror->read_all && !mirror->in) {
        mirror->in = sys_fopen(mirror->path, "rb");
        // Read in large pieces: every read of the file is a system call.
        if (mirror->in) std::setvbuf(mirror->in, nullptr, _IOFBF, 1 << 16);
        if (!mirror->in) {
            // A missing mirror is an empty one; one that is there but cannot
            // be read is a failure.
            if (sys_exists(mirror->path)) {
                log_unopened(mirror);
                return -1;
            }
            mirror->read_all = true;
        }
    }
    if (mirror->read_all) return append_and_read(mirror, message_path, summary, recipients);

    if (!mirror->line) mirror->line = array_new(line_capacity);
    Array* line = mirror->line;
    bool found = false, any = false;
    while (read_line(mirror->in, line)) {
        any = true;
        size_t length = std::strlen(line->text);
        mirror->open_end = length > 0 && line->text[length - 1] != '\n';
        if (line_is_for(line->text, name)) {
            found = true;
            break;
        }
    }
    if (found) {
        mirror->offset = std::ftell(mirror->in);
        if (!line_is_decoded(line->text)) {
            // Written before texts were decoded: the row comes from the
            // message, and its line is replaced when the mirror is closed.
            format_line(message_path, line, summary, recipients);
            mirror->fresh_lines.emplace_back(line->text);
        }
        read_fields(line->chars, summary, recipients);
        return 0;
    }
    if (any) {
        // Lines were left, but none of them is the message's.
        Array* text = array_new(200);
        array_printf(text, "Could not read from list mirror file: looking for %s at offset %i.\r\n", name,
                     static_cast<int>(std::ftell(mirror->in)));
        log_write(text->text);
        delete_arrays(text);
        return -1;
    }
    // Nothing more to read: this and every later message is appended.
    std::fclose(mirror->in);
    mirror->in = nullptr;
    mirror->read_all = true;
    return append_and_read(mirror, message_path, summary, recipients);
}

int mirror_refresh(ListMirror* mirror, const char* message_path) {
    Array* scratch = array_new(100);
    temp_file_name(scratch, "dellist", refresh_number++);
    std::FILE* in = sys_fopen(mirror->path, "rb");
    std::FILE* out = in ? sys_fopen(scratch->text, "wb") : nullptr;
    if (!in || !out) {
        if (in) std::fclose(in);
        delete_arrays(scratch);
        return -1;
    }
    const char* name = file_name_of(message_path);
    Array* line = array_new(line_capacity);
    bool found = false, written = true;
    while (read_line(in, line)) {
        if (line_is_for(line->text, name)) {
            found = true;
            break;
        }
        written = written && std::fputs(line->text, out) >= 0;
    }
    if (found) {
        Array* fresh = array_new(line_capacity);
        if (format_line(message_path, fresh)) written = written && std::fputs(fresh->text, out) >= 0;
        delete_arrays(fresh);
        while (read_line(in, line)) written = written && std::fputs(line->text, out) >= 0;
    }
    std::fclose(in);
    written = std::fclose(out) == 0 && written;
    int result = -1;
    if (found && written && sys_copy_file(scratch->text, mirror->path, false) == 0) result = 0;
    sys_remove_file(scratch->text);
    delete_arrays(scratch, line);
    return result;
}
