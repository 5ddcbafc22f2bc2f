#include "format/attachment_files.h"

#include <cstring>
#include <string>

#include "core/sys_files.h"
#include "format/base64.h"
#include "format/charsets.h"
#include "format/codec_io.h"
#include "format/encoded_words.h"
#include "format/encryption.h"
#include "format/temp_files.h"

namespace {

constexpr char marker[] = "X-ZMAttachment:";
constexpr int name_limit = 99;  // characters
constexpr size_t name_bytes = 4 * name_limit;
constexpr size_t copy_chunk = 64 * 1024;

// The file name without its folder.
const char* base_name(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    return name;
}

// Reads the marker line and leaves the file just after it. The name is the
// text after the colon and its leading blanks, at most 99 characters of
// UTF-8 (a name in the system's code page, as older files hold, is
// converted); a quote, a backslash or a control character in it becomes
// "_", since it goes into quoted parameters of the part header. False when
// the file does not begin with the marker.
bool read_marker_line(std::FILE* file, std::string* out) {
    std::string name;
    char start[sizeof marker] = {};
    size_t got = std::fread(start, 1, sizeof marker - 1, file);
    if (got != sizeof marker - 1 || std::memcmp(start, marker, got) != 0) return false;
    bool leading = true;
    for (;;) {
        int c = std::fgetc(file);
        if (c == EOF || c == '\n') break;
        if (leading && (c == ' ' || c == '\t')) continue;
        leading = false;
        if (c == '\r') {
            int next = std::fgetc(file);
            if (next == '\n' || next == EOF) break;
            std::ungetc(next, file);
        }
        if (name.size() < name_bytes) {
            if (c < 0x20 || c == 0x7F || c == '"' || c == '\\') c = '_';
            name.push_back(static_cast<char>(c));
        }
    }
    *out = utf8_prefix(raw_header_text_to_utf8(name), name_limit);
    return true;
}

bool ascii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The part header of an attachment. An ASCII name goes into both
// parameters as it is; a name beyond it as RFC 2047 words in "name" (which
// older readers know) and as an RFC 2231 "filename*".
std::string part_header(int boundary, const std::string& name) {
    char delimiter[40];
    std::snprintf(delimiter, sizeof delimiter, "\r\n------=_NextPart_%.5i\r\n", boundary);
    std::string header = delimiter;
    if (ascii(name)) {
        header += "Content-Type: application/octet-stream; name=\"" + name +
                  "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"" + name +
                  "\"\r\n\r\n";
        return header;
    }
    header += "Content-Type: application/octet-stream;\r\n name=\"" + encode_header_text(name, 7) +
              "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n " +
              encode_parameter("filename", name, 1) + "\r\n\r\n";
    return header;
}

bool copy_rest(std::FILE* from, std::FILE* to, Array* buffer) {
    for (;;) {
        size_t n = codec_read_full(from, buffer->bytes, copy_chunk);
        if (!codec_write_all(to, buffer->bytes, n)) return false;
        if (n < copy_chunk) return std::ferror(from) == 0;
    }
}

}  // namespace

void attachment_file_name(Array* out, int window_number, int index) {
    array_clear(out);
    // The separator: without it window 12's attachment 34 and window 123's
    // attachment 4 were one file.
    array_printf(out, "temp\\attachment%i_%i.tmp", window_number, index);
}

int add_attachment(WindowRef window, int window_number, int* attachment_count, const char* chosen_path, bool encrypt,
                   Array* name_out) {
    Array* target = array_new(100);
    Array* scratch = array_new(100);
    attachment_file_name(target, window_number, *attachment_count);
    const char* name = base_name(chosen_path);
    const char* source = chosen_path;
    int result = 0;
    if (encrypt) {
        // Not the window's "attachment<W>" scratch name: that is also the
        // name of attachment file i of window W / 10 when W ends in digit i.
        temp_file_name(scratch, "attachcrypt", window_number);
        if (encrypt_file(window, chosen_path, scratch->text) != 0) result = -1;
        source = scratch->text;
    }
    // The marker holds the name in UTF-8, as the builder takes every text.
    const std::string utf8_name = system_text_to_utf8(name);
    if (result == 0 && base64_encode_file(source, target->text, utf8_name.c_str()) != 0) result = -1;
    if (result == 0) {
        (*attachment_count)++;
        if (name_out) array_copy(name_out, utf8_name.c_str());
    }
    delete_arrays(target, scratch);
    return result;
}

namespace {

// The switched form of one attachment file: its name and base64 text taken
// apart, the bytes deciphered or enciphered, and encoded again with the name
// into `output`.
bool switch_one(WindowRef window, const char* input, const char* output, bool decrypt, Array* name, Array* buffer,
                const Array* plain, const Array* decoded, const Array* converted) {
    std::FILE* in = sys_fopen(input, "rb");
    if (!in) return false;
    std::string marker;
    bool good = read_marker_line(in, &marker) && !marker.empty();
    array_copy(name, marker.c_str());
    if (good) {
        std::FILE* out = sys_fopen(plain->text, "wb");
        good = out && copy_rest(in, out, buffer);
        if (out) good = codec_close_output(out) && good;
    }
    std::fclose(in);
    good = good && base64_decode_file(plain->text, decoded->text) == 0;
    good = good && (decrypt ? decrypt_file(decoded->text, converted->text, 1)
                            : encrypt_file(window, decoded->text, converted->text)) == 0;
    return good && base64_encode_file(converted->text, output, name->text) == 0;
}

}  // namespace

int toggle_attachment_encryption(WindowRef window, int window_number, int attachment_count, bool encrypted_now) {
    Array* path = array_new(100);
    Array* name = array_new(name_limit + 1);
    Array* buffer = array_new(static_cast<int>(copy_chunk));
    Array* plain = array_new(100);
    Array* decoded = array_new(100);
    Array* converted = array_new(100);
    temp_file_name(plain, "plainatt", window_number);
    temp_file_name(decoded, "decodedatt", window_number);
    temp_file_name(converted, "outatt", window_number);
    StringList* switched = string_list_new(attachment_count > 0 ? attachment_count : 1, 100);
    int done = 0;
    for (; done < attachment_count; done++) {
        attachment_file_name(path, window_number, done);
        array_printf(switched->items[done], "temp\\attachswitch%i_%i.tmp", window_number, done);
        if (!switch_one(window, path->text, switched->items[done]->text, encrypted_now, name, buffer, plain, decoded,
                        converted))
            break;
    }
    // All or nothing: the files are replaced only once every one was
    // converted, so a failure leaves each attachment as it was, matching the
    // check mark that stays.
    int result = done == attachment_count ? 0 : -1;
    for (int i = 0; i < attachment_count && result == 0; i++) {
        attachment_file_name(path, window_number, i);
        if (sys_replace_file(switched->items[i]->text, path->text) != 0) result = -1;
    }
    for (int i = 0; i < attachment_count && i <= done; i++)
        if (switched->items[i]->text[0] && sys_exists(switched->items[i]->text))
            sys_remove_file(switched->items[i]->text);
    string_list_release(switched);
    delete switched;
    delete_arrays(path, name, buffer, plain, decoded, converted);
    return result;
}

int write_attachments(const ComposeFields* fields, std::FILE* output, int boundary) {
    Array* path = array_new(100);
    std::string name;
    Array* buffer = array_new(static_cast<int>(copy_chunk));
    int result = 0;
    for (int i = 0; i < fields->attachment_count && result == 0; i++) {
        attachment_file_name(path, fields->window_number, i);
        std::FILE* in = sys_fopen(path->text, "rb");
        bool good = in && read_marker_line(in, &name);
        good = good && std::fputs(part_header(boundary, name).c_str(), output) >= 0;
        good = good && copy_rest(in, output, buffer);
        if (in) std::fclose(in);
        if (!good) result = -1;
    }
    if (result == 0 && std::fprintf(output, "\r\n------=_NextPart_%.5i--\r\n", boundary) < 0) result = -1;
    if (result != 0) ui_message_box(fields->window, "Could not send attachment!", "Zenth Mail", UI_OK);
    delete_arrays(path, buffer);
    return result;
}
