#include "transport/auth_responses.h"

#include <cstdio>
#include <cstring>

#include "format/base64.h"
#include "transport/md5.h"

namespace {

// Writes the base64 of the bytes as the whole text of `output`, or leaves it
// empty and returns -1 when the text would not fit before its last byte.
int encode_into(const unsigned char* bytes, size_t n, Array* output, size_t limit) {
    array_clear(output);
    size_t length = (n + 2) / 3 * 4;
    if (length > limit || static_cast<long long>(length) > output->capacity - 1LL) return -1;
    base64_encode(reinterpret_cast<const char*>(bytes), output, static_cast<int>(n));
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

    Array* challenge = array_new(391);  // 3 bytes for every 4 of the 519 characters
    size_t n = static_cast<size_t>(base64_decode(challenge_line + start, challenge, static_cast<int>(length)));

    unsigned char digest[16];
    hmac_md5(challenge->bytes, n, reinterpret_cast<const unsigned char*>(password), std::strlen(password), digest);

    Array* text = array_new(200);
    char digits[33] = {};
    for (int i = 0; i < 16; i++) std::snprintf(digits + 2 * i, 3, "%.2x", digest[i]);
    int written = array_printf(text, "%.99s %.32s", user, digits);
    int result = written < 0 ? -1 : encode_into(text->bytes, static_cast<size_t>(written), output, SIZE_MAX);
    array_clear(challenge);
    delete_arrays(text, challenge);
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

namespace {

bool has_control(const char* text) {
    for (const char* p = text; *p; p++)
        if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7f) return true;
    return false;
}

}  // namespace

std::string xoauth2_message(const char* user, const char* token) {
    if (has_control(user) || has_control(token)) return std::string();
    return std::string("user=") + user + "\x01" "auth=Bearer " + token + "\x01\x01";
}

std::string oauthbearer_message(const char* user, const char* host, int port, const char* token) {
    if (has_control(user) || has_control(host) || has_control(token)) return std::string();
    std::string message = "n,a=";
    for (const char* p = user; *p; p++) message += *p == ',' ? "=2C" : *p == '=' ? "=3D" : std::string(1, *p);
    message += ",";
    if (*host) message += std::string("\x01" "host=") + host + "\x01" "port=" + std::to_string(port);
    return message + "\x01" "auth=Bearer " + token + "\x01\x01";
}
