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

int main(int argc, char** argv) {
    if (argc < 2 || (argc - 2) % 8 != 0) {
        std::fprintf(stderr, "usage: zm_account_table <folder> (name smtp sender pop3 user password inbox options)...\n");
        return 2;
    }
    if (sys_set_current_directory(argv[1]) != 0) return 1;
    if (!sys_exists("pwdkey.dat")) {
        std::FILE* key = sys_fopen("pwdkey.dat", "wb");
        for (int i = 0; i < 32; i++) std::fputc((i * 37 + 11) & 0xFF, key);
        std::fclose(key);
    }
    if (password_key_load() != 0) return 1;
    std::FILE* table = sys_fopen("accountdata.cfg", "wb");
    if (!table) return 1;
    Array* stored = array_new(100);
    for (int a = 2; a < argc; a += 8) {
        for (int field = 0; field < account_fields; field++) {
            const char* value = argv[a + field];
            if (field == ACCOUNT_PASSWORD) {
                if (encode_password(value, stored) != 0) return 1;
                value = stored->text;
            }
            std::fprintf(table, "%s\r\n", value);
        }
    }
    delete_arrays(stored);
    return std::fclose(table) == 0 ? 0 : 1;
}
