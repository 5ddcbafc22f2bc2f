// The account table accountdata.cfg: eight lines per account, at most ten
// accounts, the passwords enciphered with the key in pwdkey.dat. Read once,
// while the main window initialises; only the account manager writes it.
#pragma once

#include "core/arrays.h"

enum AccountField {
    ACCOUNT_NAME = 0,
    ACCOUNT_SMTP_SERVER = 1,
    ACCOUNT_SENDER = 2,  // "\"name\" <address>"
    ACCOUNT_POP3_SERVER = 3,
    ACCOUNT_USER = 4,
    ACCOUNT_PASSWORD = 5,  // plain text once loaded
    ACCOUNT_INBOX = 6,     // "maildir\..."
    ACCOUNT_OPTIONS = 7,
};
constexpr int account_fields = 8;
constexpr int max_accounts = 10;

enum : int {
    ACCOUNT_ENCRYPTED_AUTH_ONLY = 0x10,
    ACCOUNT_DELETE_FROM_SERVER = 0x8,
    ACCOUNT_POP_BEFORE_SMTP = 0x4,
    ACCOUNT_SMTP_AUTH = 0x2,
    ACCOUNT_POP3_AUTH = 0x1,
};

// Fills the table. Without a table file it makes an empty one and asks
// whether to set up an account (Yes starts the account manager and ends the
// client); the table is then empty and the result -1. Otherwise 0.
int accounts_load();
int account_count();
// Field f of account k: entry 8k + f of the table, or null outside it.
const char* account_field(int account, AccountField field);
int account_options(int account);
// The first account's name began with "!": no account is preselected.
bool no_default_account();

// The stored form of a password: padded, enciphered with the password key
// and base64-encoded (the account manager writes it, tests make tables with
// it). Returns 0, or -1 without a key or when the text would not fit 99
// characters.
int encode_password(const char* password, Array* stored);
// Back to plain text in place; without a key the field is left empty.
void decode_password(Array* field);
