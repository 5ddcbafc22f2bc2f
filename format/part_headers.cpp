#include "format/part_headers.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "format/ascii_case.h"
#include "format/charsets.h"
#include "format/encoded_words.h"
#include "format/header_fields.h"

namespace {

constexpr int field_limit = 99;
// The longest field value read before it is cut to the record.
constexpr int value_limit = 4096;

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
        if (n >= 1 && n <= 9 && std::strlen(charset) == 10) return static_cast<int>(n);
    }
    // Every other charset the text display can read is its Windows code
    // page, which is never below 10 and so never meets the codes above.
    int code_page = charset_code_page(charset);
    return code_page ? code_page : CHARSET_OTHER;
}

int read_part_headers(const char* path, int64_t offset, PartHeaders* headers, bool attachment_mode) {
    array_clear(headers->type);
    array_clear(headers->encoding);
    array_clear(headers->file_name);
    headers->code_page = 0;

    // A field is read whole and then cut: the field reader treats a value
    // whose line end lies beyond its read as absent, and a folded type or
    // disposition with a long file name easily runs past 99 characters.
    Array* value = array_new(value_limit + 2);
    Array* parameter = array_new(field_limit + 1);
    read_field(path, offset, "Content-Type", value, value_limit);
    array_copy_at(headers->type, 0, value->text, field_limit);
    if (!headers->type->text[0]) array_copy(headers->type, "text/plain");
    // The parameter reader cuts a quoted value out of the text it is given;
    // the record's texts are copies already.
    get_field_parameter(value, "charset", parameter, field_limit);
    headers->code_page = charset_code(parameter->text);

    read_field(path, offset, "Content-Transfer-Encoding", value, value_limit);
    array_copy_at(headers->encoding, 0, value->text, field_limit);

    if (attachment_mode) {
        Array* disposition = array_new(field_limit + 1);
        read_field(path, offset, "Content-Disposition", value, value_limit);
        array_copy_at(disposition, 0, value->text, field_limit);
        // Names beyond ASCII come as RFC 2231 parameters or RFC 2047 words;
        // the name on disk is the decoded one in the system's code page.
        std::string decoded = decode_parameter(value->text, "filename");
        get_field_parameter(value, "filename", headers->file_name, field_limit);
        if (!headers->file_name->text[0] && decoded.empty()) {
            // Many programs name an attachment only on its type line, the
            // older way; that name is still better than a made-up one.
            read_field(path, offset, "Content-Type", value, value_limit);
            decoded = decode_parameter(value->text, "name");
            get_field_parameter(value, "name", headers->file_name, field_limit);
        }
        if (!decoded.empty()) {
            array_clear(headers->file_name);
            array_copy_at(headers->file_name, 0, utf8_to_file_name(decoded).c_str(), field_limit);
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
    delete_arrays(value, parameter);
    return 1;
}
