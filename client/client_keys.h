// The client's loading of its two keys at start-up, with what it tells the
// user about a key file of the wrong length.
#pragma once

// Loads "bfkey.dat" into the message key. Absent: the key stays unloaded,
// nothing is shown. Not exactly 32 bytes: "Key file is corrupted. Please
// reinstall." and the key stays unloaded. Returns 0 when the key was loaded,
// else -1. Called once at start-up, before any worker thread exists.
int load_message_key();

// The same for "pwdkey.dat" and the password key, while the account table
// loads.
int password_key_load();
