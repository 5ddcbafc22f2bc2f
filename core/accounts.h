// The client's account table: up to ten accounts of eight fields each, as
// read from accountdata.cfg while the main window initialises, the
// passwords in plain text. The file itself is read and written by the
// account table codec (format/account_table.h).
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
// A field's block: a table line keeps at most 98 characters.
constexpr int account_field_size = 100;

enum : int {
    // The account's incoming server speaks IMAP rather than POP3: the
    // server field, the login bits and the POP3 TLS bits (IMAPS on 993,
    // STARTTLS on 143) then serve its IMAP sessions.
    ACCOUNT_IMAP = 0x4000,
    // Which provider's presets the account was set up from (0: none, or
    // "Other"; core/oauth_providers.h), three bits that keep room for more.
    ACCOUNT_PROVIDER_MASK = 0x3800,
    ACCOUNT_PROVIDER_SHIFT = 11,
    // The account signs in with OAuth 2.0: its logins carry an access token
    // instead of the password, and only over TLS.
    ACCOUNT_OAUTH = 0x400,
    // How the account's sessions are secured: TLS from the first byte
    // (POP3S, SMTPS) or an upgrade after the greeting (STLS, STARTTLS).
    // Both bits of a protocol set mean TLS from the first byte.
    ACCOUNT_SMTP_STARTTLS = 0x200,
    ACCOUNT_SMTP_TLS = 0x100,
    ACCOUNT_POP3_STLS = 0x80,
    ACCOUNT_POP3_TLS = 0x40,
    ACCOUNT_ENCRYPTED_AUTH_ONLY = 0x10,
    ACCOUNT_DELETE_FROM_SERVER = 0x8,
    ACCOUNT_POP_BEFORE_SMTP = 0x4,
    ACCOUNT_SMTP_AUTH = 0x2,
    ACCOUNT_POP3_AUTH = 0x1,
};

// One account, field f in fields[f], the password in plain text.
struct AccountRecord {
    char fields[account_fields][account_field_size];
};

struct AccountTable {
    int count = 0;  // complete accounts, at most max_accounts
    AccountRecord accounts[max_accounts] = {};
};

// Makes the table the client's (copied into its entries); null empties it.
void accounts_use(const AccountTable* table);
int account_count();
// Field f of account k: entry 8k + f of the table, or null outside it.
const char* account_field(int account, AccountField field);
int account_options(int account);
// The provider number of an option word, and the word with another one
// (a number past the bits' room as 0); every other bit is kept as it is.
int account_provider(int flags);
int with_account_provider(int flags, int provider);
// The first account's name began with "!": no account is preselected.
bool no_default_account();
