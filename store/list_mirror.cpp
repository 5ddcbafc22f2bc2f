#include "store/list_mirror.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
// marked, read and attachments, each followed by a TAB, then CR LF.
// Returns false when the message could not be summarised.
bool format_line(const char* message_path, Array* line) {
    MessageSummary* s = summary_new();
    int result = read_summary(0, s, message_path);
    if (result == SUMMARY_SUBJECT_LOCKED) locked_subjects++;
    bool readable = result == SUMMARY_OK;
    Array* recipients = array_new(address_field_capacity);
    join_list(s->recipients, recipients, address_list_entries, address_field_capacity - 1);
    array_printf(line, "%s\t%s\t%s\t%s\t%s\t%i\t%i\t%i\t\r\n", file_name_of(message_path), s->from_name->text,
                 recipients->text, s->subject->text, s->date->text, s->marked, s->read,
                 count_attachments(message_path));
    delete_arrays(recipients);
    summary_delete(s);
    return readable;
}

bool line_is_for(const char* line, const char* name) { return std::strncmp(line, name, std::strlen(name)) == 0; }

// Reads one line of at most capacity - 2 characters (with its line end).
bool read_line(std::FILE* f, Array* line) {
    array_clear(line);
    return std::fgets(line->chars, line->capacity - 1, f) != nullptr;
}

// Each refresh has a scratch file of its own: the list fill, a mark and a
// copy or move may refresh lines at the same time.
std::atomic<int> refresh_number{0};

}  // namespace

std::atomic<int> locked_subjects{0};

int file_size(const char* path) {
    int64_t size = sys_file_size(path);
    return size < 0 || size > INT32_MAX ? -1 : static_cast<int>(size);
}

void mirror_open(ListMirror* mirror, const char* folder) {
    mirror->offset = 0;
    std::snprintf(mirror->path, sizeof mirror->path, "%s\\%s", folder, "mirror.dat");
}

void mirror_discard(ListMirror* mirror) {
    mirror->offset = 0;
    sys_remove_file(mirror->path);
}

void mirror_append(ListMirror* mirror, const char* message_path) {
    std::FILE* f = sys_fopen(mirror->path, "ab");
    if (!f) return;
    Array* line = array_new(line_capacity);
    format_line(message_path, line);
    // No field may break the line: CR and LF anywhere become blanks.
    for (int i = 0; i < line->capacity; i++)
        if (line->chars[i] == '\r' || line->chars[i] == '\n') line->chars[i] = ' ';
    std::fprintf(f, "%s\r\n", line->text);
    std::fclose(f);
    delete_arrays(line);
}

int mirror_lookup(ListMirror* mirror, const char* message_path, MessageSummary* summary, Array* recipients) {
    const char* name = file_name_of(message_path);
    if (mirror->offset >= file_size(mirror->path)) mirror_append(mirror, message_path);
    std::FILE* f = sys_fopen(mirror->path, "rb");
    if (!f) {
        log_write(mirror->path);
        log_write(": could not open file.\r\n");
        return -1;
    }
    std::fseek(f, static_cast<long>(mirror->offset), SEEK_SET);
    Array* line = array_new(line_capacity);
    bool found = false;
    while (read_line(f, line)) {
        if (line_is_for(line->text, name)) {
            found = true;
            break;
        }
    }
    if (!found) {
        Array* text = array_new(200);
        array_printf(text, "Could not read from list mirror file: looking for %s at offset %i.\r\n", name,
                     static_cast<int>(std::ftell(f)));
        log_write(text->text);
        delete_arrays(text, line);
        std::fclose(f);
        return -1;
    }
    mirror->offset = std::ftell(f);
    std::fclose(f);

    // Fields 2 to 8 of the line; anything after the eighth TAB is ignored.
    char* fields[8] = {};
    char* p = line->chars;
    for (int i = 0; i < 8 && p; i++) {
        fields[i] = p;
        char* tab = std::strchr(p, '\t');
        if (tab) *tab = 0;
        p = tab ? tab + 1 : nullptr;
    }
    summary_clear(summary);
    if (fields[1]) array_copy(summary->from_name, fields[1]);
    if (fields[2]) array_copy(recipients, fields[2]);
    if (fields[3]) array_copy(summary->subject, fields[3]);
    if (fields[4]) array_copy(summary->date, fields[4]);
    summary->marked = fields[5] ? std::atoi(fields[5]) : 0;
    summary->read = fields[6] ? std::atoi(fields[6]) : 1;
    summary->attachments = fields[7] ? std::atoi(fields[7]) : 0;
    delete_arrays(line);
    return 0;
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
