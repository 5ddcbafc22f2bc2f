#include "format/quoted_printable.h"

#include <cstdio>
#include <cstring>

#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/codec_io.h"

namespace {

const char hex_digits[] = "0123456789ABCDEF";

// Input read per chunk, and the output that can hold any chunk encoded: a
// byte becomes at most three characters plus a soft break, so even text that
// is all 8-bit characters always fits.
constexpr int encode_chunk = 16 * 1024 - 1;
constexpr int encode_output = 6 * (encode_chunk + 1) + 16;
constexpr int decode_chunk = 64 * 1024;
constexpr int decode_output = 64 * 1024;

int hex_value(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

int qp_encode_chunk(char* carry, const char* chunk, Array* output, int chunk_length, int* line_length) {
    if (chunk_length <= 0 || output->capacity < 1) return 0;
    int end = static_cast<int>(strnlen(output->text, static_cast<size_t>(output->capacity)));
    const int limit = output->capacity - 1;  // the block's last byte stays zero
    char* out = output->chars;
    auto put = [&](char ch) {
        if (end < limit) out[end++] = ch;
    };
    int length = *line_length;

    unsigned char c;
    int i;
    if (*carry == 0) {
        c = static_cast<unsigned char>(chunk[0]);
        i = 1;
    } else {
        c = static_cast<unsigned char>(*carry);
        i = 0;
    }
    bool have_current = true;
    while (i < chunk_length) {
        unsigned char d = static_cast<unsigned char>(chunk[i]);
        bool pair = false;
        if (c == ' ' && d != '\r') {
            put(' ');
            length++;
        } else if (c >= '!' && c <= '~' && c != '=' && c != '.') {
            put(static_cast<char>(c));
            length++;
        } else if (c == '\r' && d == '\n') {
            put('\r');
            put('\n');
            length = 0;
            pair = true;
        } else {
            put('=');
            put(hex_digits[c >> 4]);
            put(hex_digits[c & 15]);
            length += 3;
        }
        if (length > 70) {
            put('=');
            put('\r');
            put('\n');
            length = 0;
        }
        if (end + 3 > limit) {
            out[end] = 0;
            *line_length = length;
            show_message("Quoted-Printable encoding error!");
            return -1;
        }
        if (pair && ++i >= chunk_length) {
            have_current = false;  // the line end took the chunk's last byte
            break;
        }
        c = static_cast<unsigned char>(chunk[i++]);
    }
    out[end] = 0;
    *carry = have_current ? static_cast<char>(c) : 0;
    *line_length = length;
    return 0;
}

int qp_encode_file(const char* input_path, const char* output_path) {
    std::FILE* in;
    std::FILE* out;
    if (!codec_open_files(input_path, output_path, "Could not open quoted-printable input file!", "Could not open quoted-printable output file!", &in, &out))
        return -1;
    Array* input = array_new(encode_chunk + 1);
    Array* output = array_new(encode_output);
    char carry = 0;
    int line_length = 0;
    bool good = true;
    int result = 0;
    for (;;) {
        size_t n = codec_read_full(in, input->chars, encode_chunk);
        output->chars[0] = 0;
        if (qp_encode_chunk(&carry, input->text, output, static_cast<int>(n), &line_length) != 0) {
            result = -1;
            break;
        }
        good = codec_write_all(out, output->text, std::strlen(output->text)) && good;
        if (n < static_cast<size_t>(encode_chunk)) break;
    }
    if (result == 0) {
        // A zero byte as the successor writes the byte still carried.
        const char flush[1] = {0};
        output->chars[0] = 0;
        if (qp_encode_chunk(&carry, flush, output, 1, &line_length) != 0)
            result = -1;
        else
            good = codec_write_all(out, output->text, std::strlen(output->text)) && good;
    }
    delete_arrays(input, output);
    std::fclose(in);
    if (!codec_close_output(out) || !good) result = -1;
    return result;
}

namespace {

bool decode_qp(const CodecRead& read, const CodecWrite& write, bool keep_zero_bytes) {
    // Room for a chunk, the two bytes of look-ahead kept from the last one,
    // and the three zero bytes that follow the end of the input.
    Array* input = array_new(decode_chunk + 5);
    Array* output = array_new(decode_output);
    unsigned char* b = input->bytes;
    unsigned char* o = output->bytes;
    int used = 0;
    bool good = true;
    auto emit = [&](unsigned char c) {
        if (c == 0 && !keep_zero_bytes) return;  // the output is text
        if (used == decode_output) {
            good = write(o, static_cast<size_t>(used)) && good;
            used = 0;
        }
        o[used++] = c;
    };
    size_t have = 0;
    for (;;) {
        size_t n = read(b + have, decode_chunk);
        have += n;
        bool last = n < static_cast<size_t>(decode_chunk);
        // The input's own bytes; the zeros added behind the last ones only
        // give an "=" at the very end its two bytes of look-ahead.
        size_t input_end = have;
        if (last) {
            b[have] = b[have + 1] = b[have + 2] = 0;
            have += 3;
        }
        size_t i = 0;
        while (i + 2 < have && (!last || i < input_end)) {
            unsigned char c = b[i];
            if (c == '=') {
                int high = hex_value(b[i + 1]);
                int low = hex_value(b[i + 2]);
                if (high >= 0 && low >= 0) {
                    emit(static_cast<unsigned char>(high * 16 + low));
                    i += 3;
                    continue;
                }
                if (b[i + 1] == '\r' && b[i + 2] == '\n') {
                    i += 3;
                    continue;
                }
            }
            emit(c);
            i++;
        }
        if (last) break;
        std::memmove(b, b + i, have - i);
        have -= i;
    }
    if (used > 0) good = write(o, static_cast<size_t>(used)) && good;
    delete_arrays(input, output);
    return good;
}

int decode_qp_file(const char* input_path, const char* output_path, bool keep_zero_bytes) {
    std::FILE *in, *out;
    if (!codec_open_files(input_path, output_path, nullptr, nullptr, &in, &out)) return -1;
    bool good = decode_qp(codec_file_read(in), codec_file_write(out), keep_zero_bytes);
    std::fclose(in);
    return codec_close_output(out) && good ? 0 : -1;
}

}  // namespace

bool qp_decode_stream(const CodecRead& read, const CodecWrite& write) { return decode_qp(read, write, true); }

int qp_decode_file(const char* input_path, const char* output_path) {
    return decode_qp_file(input_path, output_path, false);
}

int qp_decode_file_exact(const char* input_path, const char* output_path) {
    return decode_qp_file(input_path, output_path, true);
}
