#include "format/base64.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/codec_io.h"

constexpr char base64_alphabet[66] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";

namespace {

// Character values by byte. "=" and every byte outside the alphabet count as
// 0: the decoder never skips characters, so a stray one must still give a
// defined value.
constexpr std::array<unsigned char, 256> make_values() {
    std::array<unsigned char, 256> values{};
    for (int i = 0; i < 64; i++) values[static_cast<unsigned char>(base64_alphabet[i])] = static_cast<unsigned char>(i);
    return values;
}
constexpr std::array<unsigned char, 256> values = make_values();

int text_length(const Array* a) {
    return a->capacity > 0 ? static_cast<int>(strnlen(a->text, static_cast<size_t>(a->capacity))) : 0;
}

// Four characters of bytes b0 b1 b2, with "=" for the n < 3 missing ones.
void encode_group(const unsigned char* b, int n, char* out) {
    unsigned v = (static_cast<unsigned>(b[0]) << 16) | (static_cast<unsigned>(b[1]) << 8) | b[2];
    out[0] = base64_alphabet[(v >> 18) & 63];
    out[1] = base64_alphabet[(v >> 12) & 63];
    out[2] = n >= 2 ? base64_alphabet[(v >> 6) & 63] : '=';
    out[3] = n >= 3 ? base64_alphabet[v & 63] : '=';
}

// Appends up to four characters at *end, leaving the block's last byte alone.
// Returns false once the output is full.
bool append_group(Array* output, int* end, const char* group) {
    for (int i = 0; i < 4; i++) {
        if (*end >= output->capacity - 1) return false;
        output->chars[(*end)++] = group[i];
    }
    return true;
}

}  // namespace

int base64_value(unsigned char c) { return values[c]; }

void base64_encode_block(const char* source, Array* output, int n) {
    if (n < 1) return;
    if (n > 3) n = 3;
    unsigned char bytes[3] = {};
    std::memcpy(bytes, source, static_cast<size_t>(n));
    char group[4];
    encode_group(bytes, n, group);
    int end = text_length(output);
    append_group(output, &end, group);
}

void base64_decode_block(const char* group, Array* output, int* position) {
    auto c = [group](int i) { return static_cast<unsigned char>(group[i]); };
    unsigned v = (static_cast<unsigned>(values[c(0)]) << 18) | (static_cast<unsigned>(values[c(1)]) << 12) |
                 (static_cast<unsigned>(values[c(2)]) << 6) | values[c(3)];
    const unsigned char bytes[3] = {static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v)};
    int at = *position;
    for (int i = 0; i < 3; i++)
        if (at + i >= 0 && at + i < output->capacity - 1) output->bytes[at + i] = bytes[i];
    *position += group[2] == '=' ? 1 : group[3] == '=' ? 2 : 3;
}

void base64_encode(const char* source, Array* output, int length) {
    auto* bytes = reinterpret_cast<const unsigned char*>(source);
    int end = text_length(output);
    char group[4];
    for (int i = 0; i < length; i += 3) {
        unsigned char block[3] = {};
        int n = length - i < 3 ? length - i : 3;
        std::memcpy(block, bytes + i, static_cast<size_t>(n));
        encode_group(block, n, group);
        if (!append_group(output, &end, group)) break;
    }
}

namespace {

std::string encode_string(const void* source, size_t length, bool url_safe) {
    auto* bytes = static_cast<const unsigned char*>(source);
    std::string text;
    text.reserve((length + 2) / 3 * 4);
    char group[4];
    for (size_t i = 0; i < length; i += 3) {
        unsigned char block[3] = {};
        size_t n = length - i < 3 ? length - i : 3;
        std::memcpy(block, bytes + i, n);
        encode_group(block, static_cast<int>(n), group);
        text.append(group, 4);
    }
    if (!url_safe) return text;
    while (!text.empty() && text.back() == '=') text.pop_back();
    for (char& c : text) c = c == '+' ? '-' : c == '/' ? '_' : c;
    return text;
}

}  // namespace

std::string base64_string(const void* bytes, size_t length) { return encode_string(bytes, length, false); }

std::string base64url_string(const void* bytes, size_t length) { return encode_string(bytes, length, true); }

int base64_decode(const char* text, Array* output, int length) {
    int position = 0;
    int i = 0;
    for (; i + 4 <= length; i += 4) base64_decode_block(text + i, output, &position);
    int left = length - i;
    if (left >= 2) {
        char group[4] = {'=', '=', '=', '='};
        std::memcpy(group, text + i, static_cast<size_t>(left));
        base64_decode_block(group, output, &position);
    }
    int stored = output->capacity - 1;
    return position < stored ? position : (stored < 0 ? 0 : stored);
}

int base64_decode_in_place(Array* buffer, int length) {
    if (length > buffer->capacity) length = buffer->capacity;
    if (length <= 0) return 0;
    Array* scratch = array_new(length);
    int n = base64_decode(buffer->text, scratch, length);
    std::memset(buffer->chars, 0, static_cast<size_t>(length));
    int room = buffer->capacity - 1;
    if (n > room) n = room;
    std::memcpy(buffer->chars, scratch->text, static_cast<size_t>(n));
    delete_arrays(scratch);
    return n;
}

// File encoding and decoding stream in fixed chunks, so memory use does not
// depend on the size of the file.
namespace {

// A whole number of lines of input per read: 1024 lines of 21 groups.
constexpr int encode_chunk = 63 * 1024;
constexpr int encode_output = 86 * 1024;
constexpr int decode_chunk = 64 * 1024;
constexpr int decode_output = 48 * 1024 + 3;

// Decodes one line's characters four at a time into a bounded output that
// is written out whenever it fills; lines end at "\n", their "\r\n" removed.
struct LineDecoder {
    const CodecWrite& write;
    unsigned char* buffer;
    int used = 0;
    char group[4] = {};
    int group_length = 0;
    bool pending_cr = false;
    bool good = true;

    void flush() {
        if (used > 0 && !write(buffer, static_cast<size_t>(used))) good = false;
        used = 0;
    }
    void decode_group() {
        unsigned v = (static_cast<unsigned>(values[static_cast<unsigned char>(group[0])]) << 18) |
                     (static_cast<unsigned>(values[static_cast<unsigned char>(group[1])]) << 12) |
                     (static_cast<unsigned>(values[static_cast<unsigned char>(group[2])]) << 6) |
                     values[static_cast<unsigned char>(group[3])];
        int n = group[2] == '=' ? 1 : group[3] == '=' ? 2 : 3;
        if (used + 3 > decode_output) flush();
        buffer[used] = static_cast<unsigned char>(v >> 16);
        if (n > 1) buffer[used + 1] = static_cast<unsigned char>(v >> 8);
        if (n > 2) buffer[used + 2] = static_cast<unsigned char>(v);
        used += n;
        group_length = 0;
    }
    void push(char c) {
        group[group_length++] = c;
        if (group_length == 4) decode_group();
    }
    // The line's last group may be short: two or three characters count as
    // padded with "=", a single one gives nothing (as base64_decode does).
    void end_line() {
        if (group_length >= 2) {
            for (int i = group_length; i < 4; i++) group[i] = '=';
            decode_group();
        }
        group_length = 0;
    }
    void feed(const char* bytes, size_t n) {
        for (size_t i = 0; i < n; i++) {
            char c = bytes[i];
            if (pending_cr) {
                pending_cr = false;
                if (c == '\n') {
                    end_line();
                    continue;
                }
                push('\r');
            }
            if (c == '\r') {
                pending_cr = true;
            } else {
                push(c);
                if (c == '\n') end_line();
            }
        }
    }
    void finish() {
        if (pending_cr) push('\r');
        pending_cr = false;
        end_line();
        flush();
    }
};

}  // namespace

int base64_encode_file(const char* input_path, const char* output_path, const char* attachment_name) {
    std::FILE* in;
    std::FILE* out;
    if (!codec_open_files(input_path, output_path, "Could not open base64 input file!", "Could not open base64 output file!", &in, &out))
        return -1;
    bool good = true;
    if (attachment_name) good = std::fprintf(out, "X-ZMAttachment: %s\r\n", attachment_name) >= 0;

    Array* input = array_new(encode_chunk);
    Array* output = array_new(encode_output);
    int blocks = 0;
    for (;;) {
        size_t n = codec_read_full(in, input->bytes, encode_chunk);
        if (n == 0) break;
        char* o = output->chars;
        for (size_t i = 0; i < n; i += 3) {
            unsigned char block[3] = {};
            size_t take = n - i < 3 ? n - i : 3;
            std::memcpy(block, input->bytes + i, take);
            encode_group(block, static_cast<int>(take), o);
            o += 4;
            if (++blocks == 21) {
                *o++ = '\r';
                *o++ = '\n';
                blocks = 0;
            }
        }
        good = codec_write_all(out, output->text, static_cast<size_t>(o - output->chars)) && good;
        if (n < static_cast<size_t>(encode_chunk)) break;
    }
    delete_arrays(input, output);
    std::fclose(in);
    return codec_close_output(out) && good ? 0 : -1;
}

bool base64_decode_stream(const CodecRead& read, const CodecWrite& write) {
    Array* input = array_new(decode_chunk);
    Array* output = array_new(decode_output);
    LineDecoder decoder{write, output->bytes};
    for (;;) {
        size_t n = read(input->bytes, decode_chunk);
        decoder.feed(input->text, n);
        if (n < static_cast<size_t>(decode_chunk)) break;
    }
    decoder.finish();
    delete_arrays(input, output);
    return decoder.good;
}

int base64_decode_file(const char* input_path, const char* output_path) {
    std::FILE *in, *out;
    if (!codec_open_files(input_path, output_path, nullptr, nullptr, &in, &out)) return -1;
    bool good = base64_decode_stream(codec_file_read(in), codec_file_write(out));
    std::fclose(in);
    return codec_close_output(out) && good ? 0 : -1;
}
