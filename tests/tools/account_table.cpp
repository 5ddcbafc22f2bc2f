// Writes an account table as the account manager does, for tests: a fixed
// password key (unless the folder has one) and the eight lines of each
// account, the password enciphered and encoded.
//
//   zm_account_table <program folder> (name smtp sender pop3 user password inbox options)...
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/accounts.h"
#include "core/sys_files.h"
#include "format/account_table.h"
#include "format/key_file.h"
#include "format/password_key.h"

// Every failure says why on stderr, so a test can tell this program's refusal
// from Wine failing to start it.
static int fail(const char* why) {
    std::fprintf(stderr, "zm_account_table: %s\n", why);
    return 1;
}

int main(int argc, char** argv) {
    if (argc < 2 || (argc - 2) % 8 != 0) {
        std::fprintf(stderr, "usage: zm_account_table <folder> (name smtp sender pop3 user password inbox options)...\n");
        return 2;
    }
    if (sys_set_current_directory(argv[1]) != 0) return fail("cannot enter the folder");
    if (!sys_exists(password_key_file)) {
        unsigned char key[KEY_FILE_LENGTH];
        for (int i = 0; i < KEY_FILE_LENGTH; i++) key[i] = static_cast<unsigned char>((i * 37 + 11) & 0xFF);
        if (write_key_file(password_key_file, key) != 0) return fail("cannot write pwdkey.dat");
    }
    if (read_password_key() != KEY_FILE_LOADED) return fail("cannot load pwdkey.dat");

    auto table = std::make_unique<AccountTable>();
    for (int a = 2; a < argc; a += 8) {
        if (table->count == max_accounts) return fail("more accounts than a table holds");
        AccountRecord& record = table->accounts[table->count++];
        for (int field = 0; field < account_fields; field++) {
            if (std::strlen(argv[a + field]) >= account_field_size - 1) return fail("a field longer than a table line");
            std::strcpy(record.fields[field], argv[a + field]);
        }
    }
    switch (account_table_write(account_table_file, password_key(), *table)) {
    case ACCOUNT_TABLE_OK: return 0;
    case ACCOUNT_TABLE_BAD_PASSWORD: return fail("cannot encode a password");
    case ACCOUNT_TABLE_CANNOT_OPEN: return fail("cannot create accountdata.cfg");
    default: return fail("cannot write accountdata.cfg");
    }
}
