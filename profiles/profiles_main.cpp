// zenth-profiles, the account manager: edits the account table
// "accountdata.cfg" of the folder it runs in and makes the password key
// "pwdkey.dat" when there is none. Nothing is written until OK in the list
// window. The exit code is 0 however it ends.
#include <windows.h>

#include "core/ui_services.h"
#include "format/account_table.h"
#include "format/key_file.h"
#include "format/password_key.h"
#include "profiles/profiles.h"

namespace {

void tell(const char* text) { ui_message_box(nullptr, text, "Zenth Mail", UI_OK); }

// The password key, made when the folder has none. A key file of any other
// length is not replaced: passwords stored under it may still be wanted,
// and the client reports it the same way.
bool password_key_ready() {
    int found = read_password_key();
    if (found == KEY_FILE_ABSENT) {
        unsigned char key[KEY_FILE_LENGTH];
        int made = create_key_file(password_key_file, key);
        SecureZeroMemory(key, sizeof key);
        if (made != 0) {
            tell("Could not create the password key file pwdkey.dat.");
            return false;
        }
        found = read_password_key();
    }
    if (found == KEY_FILE_CORRUPT) {
        tell(key_file_corrupt_text);
        return false;
    }
    return found == KEY_FILE_LOADED;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!password_key_ready()) return 0;
    // Never freed: settings windows still open when the list window ends
    // keep using it until the process ends under them.
    auto* profiles = new Profiles;
    profiles->instance = instance;
    // A missing table is an empty one; the file is made at OK.
    account_table_read(account_table_file, password_key(), &profiles->accounts.table);
    account_list_number(&profiles->accounts);
    run_list_window(profiles);
    return 0;
}
