#include "transport/auth_responses.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "transport/md5.h"

namespace {

const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";

// A private base64 pair for these short texts, with the shared codec's rules:
// groups of four without line breaks; in decoding, "=" and characters outside
// the alphabet count as 0, and a group cut short reads as if "=" followed.
size_t base64_length(size_t n) { return (n + 2) / 3 * 4; }

void encode(const unsigned char* bytes, size_t n, char* out) {
    for (size_t i = 0; i < n; i += 3) {
        size_t left = n - i;
        uint32_t v = uint32_t{bytes[i]} << 16;
        if (left > 1) v |= uint32_t{bytes[i + 1]} << 8;
        if (left > 2) v |= bytes[i + 2];
        *out++ = alphabet[(v >> 18) & 63];
        *out++ = alphabet[(v >> 12) & 63];
        *out++ = left > 1 ? alphabet[(v >> 6) & 63] : '=';
        *out++ = left > 2 ? alphabet[v & 63] : '=';
    }
}

int value_of(char c) {
    const char* at = c ? std::strchr(alphabet, c) : nullptr;
    return at && *at != '=' ? static_cast<int>(at - alphabet) : 0;
}

// Decodes `length` characters into `out`, which needs room for
// 3 * ceil(length / 4) bytes. Returns the number of bytes produced.
size_t decode(const char* text, size_t length, unsigned char* out) {
    size_t produced = 0;
    for (size_t i = 0; i < length; i += 4) {
        char c[4];
        for (size_t k = 0; k < 4; k++) c[k] = i + k < length ? text[i + k] : '=';
        uint32_t v = uint32_t(value_of(c[0])) << 18 | uint32_t(value_of(c[1])) << 12 |
                     uint32_t(value_of(c[2])) << 6 | uint32_t(value_of(c[3]));
        out[produced] = static_cast<unsigned char>(v >> 16);
        out[produced + 1] = static_cast<unsigned char>(v >> 8);
        out[produced + 2] = static_cast<unsigned char>(v);
        produced += c[2] == '=' ? 1 : c[3] == '=' ? 2 : 3;
    }
    return produced;
}

// Writes the base64 of the bytes as the whole text of `output`, or leaves it
// empty and returns -1 when the text would not fit before its last byte.
int encode_into(const unsigned char* bytes, size_t n, Array* output, size_t limit) {
    array_clear(output);
    size_t length = base64_length(n);
    if (length > limit || static_cast<long long>(length) > output->capacity - 1LL) return -1;
    encode(bytes, n, output->chars);
    return 0;
}

}  // namespace

int cram_md5_response(const char* user, const char* password, const char* challenge_line, Array* output) {
    // The challenge lies between the first space and the carriage return; a
    // space after the carriage return does not count.
    size_t end = std::strcspn(challenge_line, "\r");
    const char* space = static_cast<const char*>(std::memchr(challenge_line, ' ', end));
    size_t start = space ? static_cast<size_t>(space - challenge_line) + 1 : 0;
    size_t length = end - start;
    if (length > 519) length = 519;

    unsigned char challenge[390];  // 3 bytes for every 4 of the 519 characters
    size_t n = decode(challenge_line + start, length, challenge);

    unsigned char digest[16];
    hmac_md5(challenge, n, reinterpret_cast<const unsigned char*>(password), std::strlen(password), digest);

    Array* text = array_new(200);
    char digits[33] = {};
    for (int i = 0; i < 16; i++) std::snprintf(digits + 2 * i, 3, "%.2x", digest[i]);
    int written = array_printf(text, "%.99s %.32s", user, digits);
    int result = written < 0 ? -1 : encode_into(text->bytes, static_cast<size_t>(written), output, SIZE_MAX);
    delete_arrays(text);
    std::memset(challenge, 0, sizeof challenge);
    std::memset(digest, 0, sizeof digest);
    return result;
}

int cram_md5_response_line(const char* user, const char* password, const char* challenge_line, Array* line) {
    if (cram_md5_response(user, password, challenge_line, line) != 0) return -1;
    size_t length = std::strlen(line->text);
    if (static_cast<long long>(length) + 2 > line->capacity - 1LL) {
        array_clear(line);
        return -1;
    }
    std::memcpy(line->chars + length, "\r\n", 2);
    return 0;
}

int plain_response(const char* user, const char* password, Array* output) {
    // Authorisation identity (empty), user name and password, each after a
    // zero byte.
    Array* message = array_new(273);
    size_t user_length = strnlen(user, 271);
    size_t password_room = user_length < 270 ? 270 - user_length : 0;
    size_t password_length = strnlen(password, password_room);
    std::memcpy(message->chars + 1, user, user_length);
    std::memcpy(message->chars + 2 + user_length, password, password_length);
    int result = encode_into(message->bytes, user_length + password_length + 2, output, 270);
    array_clear(message);
    delete_arrays(message);
    return result;
}
