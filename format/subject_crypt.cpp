#include "format/subject_crypt.h"

#include <cstring>

#include "format/base64.h"
#include "format/encryption.h"

int encrypt_subject(const char* subject, Array* stored) {
    if (!message_key_loaded() || stored->capacity < encrypted_subject_max_length + 1) return -1;
    Array* plain = array_new(subject_max_length + 8 + 1);
    int length = static_cast<int>(strnlen(subject, subject_max_length));
    std::memcpy(plain->chars, subject, static_cast<size_t>(length));
    int padded = encrypt_buffer(message_key(), plain, length);
    int result = -1;
    if (padded > 0) {
        array_clear(stored);
        base64_encode(plain->text, stored, padded);
        result = 0;
    }
    delete_arrays(plain);
    return result;
}

int decrypt_subject(const char* stored, Array* subject) {
    array_copy(subject, stored);
    if (!message_key_loaded()) return -1;
    int length = static_cast<int>(strnlen(stored, encrypted_subject_max_length + 1));
    Array* bytes = array_new(encrypted_subject_max_length + 1);
    int n = base64_decode(stored, bytes, length);
    int result = -1;
    if (n > 0 && n % 8 == 0 && length <= encrypted_subject_max_length && decrypt_buffer(message_key(), bytes, n) == 0) {
        array_copy(subject, bytes->text);
        result = 0;
    }
    array_clear(bytes);
    delete_arrays(bytes);
    return result;
}
