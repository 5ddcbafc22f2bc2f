#include "format/encryption.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "core/find_in_file.h"
#include "core/log.h"
#include "core/sys_files.h"
#include "format/key_file.h"

namespace {

// Written only by read_message_key, at start-up before any worker thread
// exists; the flag publishes it to every thread that reads it afterwards.
BlowfishKey message_key_state;
std::atomic<bool> message_key_ready{false};

// Files are ciphered in chunks of many blocks; the output is exactly what
// reading 8 bytes at a time would give, since a file read comes back short
// only at its end.
constexpr size_t CHUNK = 64 * 1024;

bool write_all(std::FILE* f, const unsigned char* bytes, size_t n) {
    return !f || n == 0 || std::fwrite(bytes, 1, n, f) == n;
}

// Closes the output; a failed close loses buffered data, so it counts.
bool close_output(std::FILE* f) { return !f || std::fclose(f) == 0; }

int fail(WindowRef window, const char* text, std::FILE* a, std::FILE* b, Array* chunk) {
    if (a) std::fclose(a);
    if (b) std::fclose(b);
    delete_arrays(chunk);
    ui_message_box(window, text, "Zenth Mail", UI_OK);
    return -1;
}

}  // namespace

int encrypt_buffer(const BlowfishKey* key, Array* buffer, int length) {
    if (!key || !buffer || length < 0) return -1;
    int padding = 8 - length % 8;
    if (static_cast<long long>(length) + padding > buffer->capacity - 1LL) {
        log_write("Encryption buffer too small.\r\n");
        return -1;
    }
    unsigned char* bytes = buffer->bytes;
    std::memset(bytes + length, padding, static_cast<size_t>(padding));
    int padded = length + padding;
    for (int at = 0; at < padded; at += 8) blowfish_encrypt_bytes(key, bytes + at);
    return padded;
}

int decrypt_buffer(const BlowfishKey* key, Array* buffer, int length) {
    if (!key || !buffer || length < 0) return -1;
    if (length > buffer->capacity - 1) length = buffer->capacity - 1;
    int end = length / 8 * 8;
    if (end == 0) return -1;
    unsigned char* bytes = buffer->bytes;
    for (int at = 0; at < end; at += 8) blowfish_decrypt_bytes(key, bytes + at);
    int padding = bytes[end - 1];
    if (padding < 1 || padding > 8) return -1;
    std::memset(bytes + end - padding, 0, static_cast<size_t>(padding));
    return 0;
}

int read_message_key() { return load_key_state(message_key_file, &message_key_state, &message_key_ready); }

bool message_key_loaded() { return message_key_ready.load(std::memory_order_acquire); }

const BlowfishKey* message_key() { return message_key_loaded() ? &message_key_state : nullptr; }

int encrypt_file(WindowRef window, const char* input_path, const char* output_path) {
    const BlowfishKey* key = message_key();
    // Without a key the blocks would leave in the clear under the marker of
    // an encrypted message.
    if (!key)
        return fail(window, "Could not encrypt e-mail because the encryption key file bfkey.dat does not exist.",
                    nullptr, nullptr, nullptr);
    std::FILE* in = sys_fopen(input_path, "rb");
    if (!in) return fail(window, "Could not open encryption source file!", nullptr, nullptr, nullptr);
    std::FILE* out = sys_fopen(output_path, "wb");
    if (!out) return fail(window, "Could not open attachment file!", in, nullptr, nullptr);

    Array* chunk = array_new(static_cast<int>(CHUNK) + 8);
    unsigned char* bytes = chunk->bytes;
    for (;;) {
        size_t n = std::fread(bytes, 1, CHUNK, in);
        size_t length = n;
        if (n < CHUNK) {
            if (std::ferror(in)) return fail(window, "Could not read encryption source file!", in, out, chunk);
            size_t padding = 8 - n % 8;
            std::memset(bytes + n, static_cast<int>(padding), padding);
            length = n + padding;
        }
        for (size_t at = 0; at < length; at += 8) blowfish_encrypt_bytes(key, bytes + at);
        if (!write_all(out, bytes, length)) return fail(window, "Could not write attachment file!", in, out, chunk);
        if (n < CHUNK) break;
    }
    std::fclose(in);
    delete_arrays(chunk);
    if (!close_output(out)) return fail(window, "Could not write attachment file!", nullptr, nullptr, nullptr);
    return 0;
}

int decrypt_file(const char* input_path, const char* output_path, int encrypted) {
    const BlowfishKey* key = message_key();
    if (encrypted && !key)
        return fail(nullptr, "Could not decrypt e-mail because the encryption key file bfkey.dat does not exist.",
                    nullptr, nullptr, nullptr);
    std::FILE* out = nullptr;
    if (output_path) {
        out = sys_fopen(output_path, "wb");
        if (!out) return fail(nullptr, "Could not open decryption destination file!", nullptr, nullptr, nullptr);
    }
    std::FILE* in = sys_fopen(input_path, "rb");
    if (!in) return fail(nullptr, "Could not open decryption source file!", out, nullptr, nullptr);

    const char* write_error = "Could not write decryption destination file!";
    Array* chunk = array_new(static_cast<int>(CHUNK));
    unsigned char* bytes = chunk->bytes;
    // Each block is written one step late: only the last one carries the
    // padding, and it is known to be the last only when the next read of a
    // whole block fails. A short read at the end is not a block and is dropped.
    unsigned char held[8];
    bool holding = false;
    for (;;) {
        size_t n = std::fread(bytes, 1, CHUNK, in);
        if (n < CHUNK && std::ferror(in)) return fail(nullptr, "Could not read decryption source file!", in, out, chunk);
        if (!encrypted) {
            if (!write_all(out, bytes, n)) return fail(nullptr, write_error, in, out, chunk);
        } else if (size_t whole = n / 8 * 8; whole > 0) {
            for (size_t at = 0; at < whole; at += 8) blowfish_decrypt_bytes(key, bytes + at);
            if (holding && !write_all(out, held, 8)) return fail(nullptr, write_error, in, out, chunk);
            if (!write_all(out, bytes, whole - 8)) return fail(nullptr, write_error, in, out, chunk);
            std::memcpy(held, bytes + whole - 8, 8);
            holding = true;
        }
        if (n < CHUNK) break;
    }
    if (holding) {
        // 1 to 7 bytes of padding leave the rest of the block; a whole block
        // of padding (8), or a value above 8, leaves nothing of it; a last
        // byte of 0 is no padding at all and the block is kept whole.
        int padding = held[7];
        size_t keep = padding == 0 ? 8 : padding < 8 ? static_cast<size_t>(8 - padding) : 0;
        if (!write_all(out, held, keep)) return fail(nullptr, write_error, in, out, chunk);
    }
    std::fclose(in);
    delete_arrays(chunk);
    if (!close_output(out)) return fail(nullptr, write_error, nullptr, nullptr, nullptr);
    return 0;
}

int is_encrypted_message(const char* path) {
    int64_t header_end = 0;
    int64_t marker = 0;
    if (find_in_file(path, "\r\n\r\n", &header_end, false, true) != 1) return 0;
    // Only a marker that begins inside the header counts, so the search
    // stops there instead of reading a large message to its end.
    return find_in_file_within(path, "\r\nContent-Transfer-Encoding: X-ZMcrypt\r\n", &marker, header_end - 1, false) ==
                   1
               ? 1
               : 0;
}
