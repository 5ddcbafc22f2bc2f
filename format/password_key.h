// The key that enciphers the passwords of the account table, kept apart from
// the message key: "pwdkey.dat", 32 bytes, made by the account manager.
#pragma once

#include "core/arrays.h"
#include "format/blowfish.h"

// Reads "pwdkey.dat" and expands it into the password key, which stays
// unloaded unless the file held exactly 32 bytes. Returns the KeyFileResult
// and shows nothing (the client's password_key_load tells the user). Called
// before any worker thread exists.
int read_password_key();
bool password_key_loaded();
// The password key, or null while none is loaded.
const BlowfishKey* password_key();

// encrypt_buffer and decrypt_buffer with the password key; both give -1
// while no key is loaded. A password of n characters becomes n rounded up to
// the next multiple of 8 (plus 8 when it already was one) enciphered bytes.
int password_encrypt_buffer(Array* buffer, int length);
int password_decrypt_buffer(Array* buffer, int length);
