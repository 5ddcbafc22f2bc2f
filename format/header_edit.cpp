#include "format/header_edit.h"

#include <cstdio>
#include <cstring>

#include "core/arrays.h"
#include "core/sys_files.h"
#include "format/codec_io.h"
#include "format/header_fields.h"
#include "format/temp_files.h"

namespace {

constexpr int chunk_size = 1020;
enum { absent = -1, broken = -3 };

bool write_all(std::FILE* out, const char* bytes, size_t n) { return std::fwrite(bytes, 1, n, out) == n; }

// Skips one line, however long, up to and including its line feed.
// Returns the byte that follows it (EOF at the end of the file) unread.
int skip_line(std::FILE* in) {
    int c;
    while ((c = std::getc(in)) != EOF && c != '\n') {
    }
    if (c == EOF) return EOF;
    int next = std::getc(in);
    if (next != EOF) std::ungetc(next, in);
    return next;
}

// The number of physical lines of the field that starts at `at`: its first
// line and every following line that begins with a space or a tab.
int field_line_count(const char* path, int64_t at) {
    std::FILE* in = sys_fopen(path, "rb");
    if (!in) return 1;
    int lines = 1;
    if (std::fseek(in, static_cast<long>(at), SEEK_SET) == 0) {
        for (int next = skip_line(in); next == ' ' || next == '\t'; next = skip_line(in)) lines++;
    }
    std::fclose(in);
    return lines;
}

int replace_field(const char* path, const char* temp_path, const char* name, const char* text) {
    int64_t at = 0;
    int found = locate_header_field(path, 0, name, FIELD_FIRST, SCOPE_HEADER, &at);
    if (found == -1) return absent;
    if (found != 0) return broken;
    // A folded field goes as a whole: its continuation lines left behind
    // would fold onto the line before it.
    int lines = field_line_count(path, at);
    return copy_replacing_line(path, temp_path, at, lines, text) == 0 ? 0 : broken;
}

int strip_field(int number, const char* path, const char* name) {
    Array* temp = array_new(100);
    temp_file_name(temp, "strip", number);
    int result = replace_field(path, temp->text, name, "");
    if (result == 0 && sys_copy_file(temp->text, path, false) != 0) result = broken;
    delete_arrays(temp);
    return result;
}

}  // namespace

// Bytes are copied exactly as they are: a message may hold zero bytes or
// 8-bit text anywhere, and a header edit must not change anything else.
int copy_replacing_line(const char* source, const char* destination, int64_t offset, int line_count,
                        const char* text) {
    std::FILE *in, *out;
    if (!codec_open_files(source, destination, nullptr, nullptr, &in, &out)) return -1;
    bool ok = true;
    char chunk[chunk_size];
    for (int64_t left = offset < 0 ? 0 : offset; ok && left > 0;) {
        size_t want = left < chunk_size ? static_cast<size_t>(left) : chunk_size;
        size_t n = std::fread(chunk, 1, want, in);
        if (n == 0) ok = false;  // the source ends before the offset
        else ok = write_all(out, chunk, n);
        left -= static_cast<int64_t>(n);
    }
    for (int i = 0; ok && i < line_count; i++) skip_line(in);
    if (ok) ok = write_all(out, text, std::strlen(text));
    while (ok) {
        size_t n = std::fread(chunk, 1, chunk_size, in);
        if (n > 0) ok = write_all(out, chunk, n);
        if (n < chunk_size) break;
    }
    if (std::ferror(in)) ok = false;
    std::fclose(in);
    if (std::fclose(out) != 0) ok = false;
    return ok ? 0 : -1;
}

int replace_header_field(const char* path, const char* temp_path, const char* name, const char* text) {
    return replace_field(path, temp_path, name, text) == 0 ? 0 : -1;
}

int strip_header_field(int number, const char* path, const char* name) {
    return strip_field(number, path, name) == 0 ? 0 : -1;
}

int strip_private_fields(int number, const char* path) {
    static const char* const private_fields[] = {"X-ZMMark",    "X-ZMRead",       "X-ZMServer", "X-ZMAccountIndex",
                                                 "X-ZMAddress", "X-ZMRecipients", "X-ZMOpts"};
    // A field the message does not carry is nothing to remove; only a file
    // that cannot be read or rewritten fails the whole.
    for (const char* name : private_fields)
        if (strip_field(number, path, name) == broken) return -1;
    return 0;
}
