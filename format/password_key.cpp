#include "format/password_key.h"

#include <atomic>
#include <cstring>

#include "format/encryption.h"
#include "format/key_file.h"

namespace {

// Written only by password_key_load, before other threads read it; the flag
// publishes it.
BlowfishKey password_key_state;
std::atomic<bool> password_key_ready{false};

}  // namespace

int password_key_load() {
    password_key_ready.store(false);
    unsigned char bytes[KEY_FILE_LENGTH];
    int found = read_key_file("pwdkey.dat", bytes);
    if (found == 1) {
        blowfish_init(&password_key_state, bytes, KEY_FILE_LENGTH);
        password_key_ready.store(true, std::memory_order_release);
    }
    std::memset(bytes, 0, sizeof bytes);
    return found == 1 ? 0 : -1;
}

bool password_key_loaded() { return password_key_ready.load(std::memory_order_acquire); }

const BlowfishKey* password_key() { return password_key_loaded() ? &password_key_state : nullptr; }

int password_encrypt_buffer(Array* buffer, int length) { return encrypt_buffer(password_key(), buffer, length); }

int password_decrypt_buffer(Array* buffer, int length) { return decrypt_buffer(password_key(), buffer, length); }
