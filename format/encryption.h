// Message encryption: Blowfish blocks with padding over buffers and files,
// the message key loaded from "bfkey.dat", and the test for an encrypted
// message.
#pragma once

#include "core/arrays.h"
#include "core/ui_services.h"
#include "format/blowfish.h"

// Pads the first `length` bytes of the buffer with 1 to 8 bytes, each holding
// the number of bytes added (a whole block of 8 when the length is already a
// multiple of 8), and enciphers them in place. Returns the padded length, or
// -1 when there is no key or the padded text would reach the buffer's last
// byte, which stays zero; the buffer is then unchanged.
int encrypt_buffer(const BlowfishKey* key, Array* buffer, int length);

// Deciphers the whole blocks among the first `length` bytes in place (never
// the buffer's last byte), then takes the padding off: when the last
// deciphered byte p is 1 to 8, the last p bytes become zero and the result is
// 0; otherwise the bytes stay as deciphered and the result is -1.
int decrypt_buffer(const BlowfishKey* key, Array* buffer, int length);

// Reads "bfkey.dat" and expands it into the message key, which stays
// unloaded unless the file held exactly 32 bytes. Returns the KeyFileResult
// and shows nothing (the client's load_message_key tells the user). Called
// once at start-up, before any worker thread exists.
int read_message_key();
bool message_key_loaded();
// The message key, or null while none is loaded.
const BlowfishKey* message_key();

// Pads and enciphers a file with the message key: the output is the input
// length rounded up to a multiple of 8, plus 8 when it already was one.
// Returns 0, or -1 after a message box owned by `window`.
int encrypt_file(WindowRef window, const char* input_path, const char* output_path);

// With `encrypted` nonzero deciphers a file made by encrypt_file with the
// message key, dropping its padding; with 0 copies it unchanged. Without an
// output path the result is discarded. Returns 0, or -1 after a message.
int decrypt_file(const char* input_path, const char* output_path, int encrypted);

// 1 when the message's top-level header holds the line
// "Content-Transfer-Encoding: X-ZMcrypt" (any case), else 0.
int is_encrypted_message(const char* path);
