// The account table file accountdata.cfg: eight CR LF lines per account, at
// most ten accounts, no header; line 6 of each holds the password padded,
// enciphered with the password key and base64-encoded. The client reads it;
// the account manager writes it. Nothing here asks or shows anything.
#pragma once

#include "core/accounts.h"
#include "core/arrays.h"
#include "format/blowfish.h"

extern const char account_table_file[];  // "accountdata.cfg"

// The stored form of a password: padded, enciphered with `key` and
// base64-encoded. Returns 0, or -1 without a key or when the text would not
// fit the 99 characters of a table line (passwords over 71 characters).
int encode_password(const BlowfishKey* key, const char* password, Array* stored);
// A stored password back to plain text in place. Without a key the field is
// left empty; text that does not decode stays as deciphered.
void decode_password(const BlowfishKey* key, Array* field);

enum {
    ACCOUNT_TABLE_OK = 0,
    ACCOUNT_TABLE_CANNOT_OPEN = -1,
    ACCOUNT_TABLE_WRITE_FAILED = -2,
    ACCOUNT_TABLE_BAD_PASSWORD = -3,  // a password encode_password refuses
};

// Reads the table into a fresh record: each line cut at its first carriage
// return and to 98 characters, the passwords decoded with `key`. An account
// that the file ends inside is dropped, and lines after the tenth account
// are ignored. ACCOUNT_TABLE_OK or ACCOUNT_TABLE_CANNOT_OPEN.
int account_table_read(const char* path, const BlowfishKey* key, AccountTable* table);
// Creates or replaces the file with the table's accounts, the passwords
// encoded with `key`, through a scratch file that takes the old file's place
// only when every write succeeded: on any failure the old table stays. A
// password that cannot be stored leaves the file as it was
// (ACCOUNT_TABLE_BAD_PASSWORD).
int account_table_write(const char* path, const BlowfishKey* key, const AccountTable& table);
