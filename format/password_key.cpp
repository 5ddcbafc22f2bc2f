#include "format/password_key.h"

#include <atomic>

#include "format/encryption.h"
#include "format/key_file.h"

namespace {

// Written only by read_password_key, before other threads read it; the flag
// publishes it.
BlowfishKey password_key_state;
std::atomic<bool> password_key_ready{false};

}  // namespace

int read_password_key() { return load_key_state(password_key_file, &password_key_state, &password_key_ready); }

bool password_key_loaded() { return password_key_ready.load(std::memory_order_acquire); }

const BlowfishKey* password_key() { return password_key_loaded() ? &password_key_state : nullptr; }

int password_encrypt_buffer(Array* buffer, int length) { return encrypt_buffer(password_key(), buffer, length); }

int password_decrypt_buffer(Array* buffer, int length) { return decrypt_buffer(password_key(), buffer, length); }
