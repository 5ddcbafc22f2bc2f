#include "format/part_headers.h"

#include <cstdlib>
#include <cstring>

#include "format/ascii_case.h"
#include "format/header_fields.h"

namespace {

constexpr int field_limit = 99;

// One field of the header starting at `offset`, the offset itself untouched.
void read_field(const char* path, int64_t offset, const char* name, Array* out, int max_len) {
    int64_t at = offset;
    read_header_field(path, &at, name, out, max_len, FIELD_FIRST, SCOPE_HEADER);
}

}  // namespace

int read_boundary(const char* path, Array* boundary, int64_t* offset) {
    array_clear(boundary);
    Array* type = array_new(1026);
    int64_t at = *offset;
    int result = -1;
    if (read_header_field(path, &at, "Content-Type", type, 1024, FIELD_FIRST, SCOPE_HEADER) != -1 &&
        get_field_parameter(type, "boundary", boundary, boundary->capacity - 1) != -1) {
        *offset = at;
        result = 0;
    }
    delete_arrays(type);
    return result;
}

int charset_code(const char* charset) {
    if (!charset[0]) return CHARSET_NONE;
    if (equal_nocase(charset, "us-ascii")) return CHARSET_US_ASCII;
    if (equal_nocase(charset, "utf-8")) return CHARSET_UTF8;
    if (begins_nocase(charset, "iso-8859-")) {
        long n = std::strtol(charset + 9, nullptr, 10);
        if (n >= 1 && n <= 9) return static_cast<int>(n);
    }
    return CHARSET_OTHER;
}

int read_part_headers(const char* path, int64_t offset, PartHeaders* headers, bool attachment_mode) {
    array_clear(headers->type);
    array_clear(headers->encoding);
    array_clear(headers->file_name);
    headers->code_page = 0;

    read_field(path, offset, "Content-Type", headers->type, field_limit);
    if (!headers->type->text[0]) array_copy(headers->type, "text/plain");
    read_field(path, offset, "Content-Transfer-Encoding", headers->encoding, field_limit);

    // The parameter reader cuts a quoted value out of the text it is given,
    // so parameters are read from copies and the type text stays whole.
    Array* copy = array_new(headers->type->capacity);
    Array* value = array_new(field_limit + 1);
    array_copy(copy, headers->type->text);
    get_field_parameter(copy, "charset", value, field_limit);
    headers->code_page = charset_code(value->text);

    if (attachment_mode) {
        Array* disposition = array_new(field_limit + 1);
        read_field(path, offset, "Content-Disposition", disposition, field_limit);
        array_copy(copy, disposition->text);
        get_field_parameter(copy, "filename", headers->file_name, field_limit);
        if (!headers->file_name->text[0]) {
            // Many programs name an attachment only on its type line, the
            // older way; that name is still better than a made-up one.
            array_copy(copy, headers->type->text);
            get_field_parameter(copy, "name", headers->file_name, field_limit);
        }
        if (!headers->file_name->text[0]) {
            if (begins_nocase(disposition->text, "inline"))
                array_copy(headers->file_name,
                           begins_nocase(headers->type->text, "text/html") ? "inline.html" : "inline.txt");
            else
                array_copy(headers->file_name, "unknown.txt");
        }
        array_copy(headers->type, disposition->text);
        delete_arrays(disposition);
    }
    delete_arrays(copy, value);
    return 1;
}
