// Writes an account table as the account manager does, for tests: a fixed
// password key (unless the folder has one) and the eight lines of each
// account, the password enciphered and encoded.
//
//   zm_account_table <program folder> (name smtp sender pop3 user password inbox options)...
#include <cstdio>
#include <cstring>
#include <string>

#include "core/accounts.h"
#include "core/arrays.h"
#include "core/sys_files.h"
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
    if (!sys_exists("pwdkey.dat")) {
        std::FILE* key = sys_fopen("pwdkey.dat", "wb");
        if (!key) return fail("cannot create pwdkey.dat");
        for (int i = 0; i < 32; i++) std::fputc((i * 37 + 11) & 0xFF, key);
        if (std::fclose(key) != 0) return fail("cannot write pwdkey.dat");
    }
    if (password_key_load() != 0) return fail("cannot load pwdkey.dat");
    std::FILE* table = sys_fopen("accountdata.cfg", "wb");
    if (!table) return fail("cannot create accountdata.cfg");
    Array* stored = array_new(100);
    for (int a = 2; a < argc; a += 8) {
        for (int field = 0; field < account_fields; field++) {
            const char* value = argv[a + field];
            if (field == ACCOUNT_PASSWORD) {
                if (encode_password(value, stored) != 0) return fail("cannot encode a password");
                value = stored->text;
            }
            std::fprintf(table, "%s\r\n", value);
        }
    }
    delete_arrays(stored);
    return std::fclose(table) == 0 ? 0 : fail("cannot write accountdata.cfg");
}
