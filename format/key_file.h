// The two key files of the program folder, "bfkey.dat" for messages and
// "pwdkey.dat" for stored passwords: 32 bytes of raw key material each, no
// header, no line end. Reading and writing only report what happened; the
// program decides what its user is told.
#pragma once

#include <atomic>

#include "format/blowfish.h"

enum { KEY_FILE_LENGTH = 32 };

extern const char message_key_file[];   // "bfkey.dat", made by the options program
extern const char password_key_file[];  // "pwdkey.dat", made by the account manager

enum KeyFileResult { KEY_FILE_ABSENT = 0, KEY_FILE_LOADED = 1, KEY_FILE_CORRUPT = -1 };

// What the programs tell the user about a key file of any other length
// (caption "Zenth Mail").
extern const char key_file_corrupt_text[];

// Reads a key file into `key`: KEY_FILE_LOADED when it held exactly 32 bytes,
// KEY_FILE_ABSENT when it cannot be opened, KEY_FILE_CORRUPT for any other
// length or a read error. `key` is written only when the key loaded.
int read_key_file(const char* path, unsigned char* key);

// Creates or replaces the file with the 32 bytes of `key`, through a scratch
// file: a failed write leaves the old file as it was. Returns 0, or -1 when
// it could not be written.
int write_key_file(const char* path, const unsigned char* key);

// A new key of 32 bytes from the system's cryptographic source, written to
// `path` and kept in `key`. Returns 0, or -1 when no random bytes or no
// file could be had (`key` is then zeroed).
int create_key_file(const char* path, unsigned char* key);

// Reads a key file and expands it into `state`, publishing it through
// `ready`, which is cleared first and set only when the key loaded. Returns
// the KeyFileResult.
int load_key_state(const char* path, BlowfishKey* state, std::atomic<bool>* ready);
