// The two key files of the program folder, "bfkey.dat" for messages and
// "pwdkey.dat" for stored passwords: 32 bytes of raw key material each.
#pragma once

enum { KEY_FILE_LENGTH = 32 };

// Reads a key file into `key`. Returns 1 when it held exactly 32 bytes, 0 when
// it is absent (nothing is shown), and -1 when it has any other length, after
// "Key file is corrupted. Please reinstall." (caption "Zenth Mail").
int read_key_file(const char* path, unsigned char* key);
