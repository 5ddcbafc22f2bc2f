#include "format/part_decode.h"

#include <cstring>

#include "core/arrays.h"
#include "core/file_reads.h"
#include "core/sys_files.h"
#include "format/ascii_case.h"
#include "format/base64.h"
#include "format/encryption.h"
#include "format/quote_file.h"
#include "format/quoted_printable.h"
#include "format/temp_files.h"
#include "core/window_number.h"

namespace {

// "base64 " and "Base64" name the same encoding as "base64".
bool is_encoding(const char* encoding, const char* name) {
    size_t length = std::strlen(name);
    if (!equal_nocase_n(encoding, name, length)) return false;
    for (const char* rest = encoding + length; *rest; rest++)
        if (*rest != ' ' && *rest != '\t') return false;
    return true;
}

// Quoted-printable or base64 (always base64 when the message is encrypted)
// decoded into `decoded_path`: 1, or 0 for any other encoding (nothing
// written), -1 when the decoding failed.
int undo_transfer_encoding(const char* input_path, const char* decoded_path, const char* encoding, int encrypted) {
    int result;
    if (is_encoding(encoding, "quoted-printable"))
        result = qp_decode_file_exact(input_path, decoded_path);
    else if (encrypted || is_encoding(encoding, "base64"))
        result = base64_decode_file(input_path, decoded_path);
    else
        return 0;
    return result == 0 ? 1 : -1;
}

}  // namespace

bool part_needs_decoding(const char* encoding, int encrypted) {
    return encrypted || is_encoding(encoding, "quoted-printable") || is_encoding(encoding, "base64");
}

const char* decode_part_text(const char* input_path, const char* encoding, int encrypted, const char* decoded_path,
                             const char* decrypted_path) {
    int undone = undo_transfer_encoding(input_path, decoded_path, encoding, encrypted);
    if (undone < 0) return nullptr;
    const char* text = undone ? decoded_path : input_path;
    if (!encrypted) return text;
    return decrypt_file(text, decrypted_path, 1) == 0 ? decrypted_path : nullptr;
}

int decode_part_stages(const char* input_path, const char* output_path, const char* encoding, int encrypted,
                       bool quote, const char* decoded_path, const char* decrypted_path) {
    int undone = undo_transfer_encoding(input_path, decoded_path, encoding, encrypted);
    // Every stage is written, even where it changes nothing.
    if (undone < 0 || (undone == 0 && sys_copy_file(input_path, decoded_path, false) != 0)) return -1;
    int result = encrypted ? decrypt_file(decoded_path, decrypted_path, 1)
                           : sys_copy_file(decoded_path, decrypted_path, false);
    if (result != 0) return -1;

    if (quote) return quote_file(decrypted_path, output_path) == 0 ? 0 : -1;
    return sys_copy_file(decrypted_path, output_path, false) == 0 ? 0 : -1;
}

int decode_part_file(WindowRef window, const char* input_path, const char* output_path, const char* encoding,
                     int encrypted, bool quote) {
    Array* decoded = array_new(100);
    Array* decrypted = array_new(100);
    temp_file_name(decoded, "decoded", window_number(window));
    temp_file_name(decrypted, "decrypted", window_number(window));
    int result = decode_part_stages(input_path, output_path, encoding, encrypted, quote, decoded->text,
                                    decrypted->text);
    delete_arrays(decoded, decrypted);
    return result;
}

bool decode_part_in_memory(const char* path, const PartRecord* part, size_t limit, std::string* text) {
    text->clear();
    const bool qp = is_encoding(part->encoding->text, "quoted-printable");
    if ((!qp && !is_encoding(part->encoding->text, "base64")) ||
        (part->body_end != 0 && part->body_end < part->body_start))
        return false;
    FileRead in;
    if (!file_read_open(&in, path)) return false;
    bool good = file_read_seek(&in, part->body_start);
    int64_t left = part->body_end == 0 ? -1 : part->body_end - part->body_start;
    bool full = false;
    // The range as the codec reads it; nothing more once the text is full.
    CodecRead read = [&](unsigned char* buffer, size_t n) -> size_t {
        if (full) return 0;
        if (left >= 0 && static_cast<int64_t>(n) > left) n = static_cast<size_t>(left);
        size_t got = 0, k = 0;
        while (got < n && (k = file_read_bytes(&in, buffer + got, n - got)) > 0) got += k;
        if (left > 0) left -= static_cast<int64_t>(got);
        return got;
    };
    CodecWrite write = [&](const unsigned char* bytes, size_t n) {
        full = full || text->size() + n > limit;
        if (!full) text->append(reinterpret_cast<const char*>(bytes), n);
        return !full;
    };
    good = good && (qp ? qp_decode_stream(read, write) : base64_decode_stream(read, write)) &&
           !file_read_failed(&in);
    file_read_close(&in);
    if (!good) text->clear();
    return good;
}
