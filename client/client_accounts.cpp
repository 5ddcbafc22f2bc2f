#include "client/client_accounts.h"

#include <memory>

#include "client/client_keys.h"
#include "core/accounts.h"
#include "core/processes.h"
#include "core/quit.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/account_table.h"
#include "format/password_key.h"

namespace {

// No readable account table at start: the account manager starts and the
// client ends, to read the new table when it starts again.
void offer_account_manager_and_quit() {
    int answer = ui_message_box(nullptr, "Would you like to setup an e-mail account now?", "Zenth Mail",
                                UI_YESNO | UI_ICON_QUESTION);
    if (answer == UI_ANSWER_YES) {
        sys_start_program("zenth-profiles.exe");
        request_quit();
    }
}

}  // namespace

int accounts_load() {
    accounts_use(nullptr);
    auto table = std::make_unique<AccountTable>();
    // The key is read only for a table that is there, so a first start
    // says nothing about a key.
    bool present = sys_exists(account_table_file);
    if (present) password_key_load();
    if (!present || account_table_read(account_table_file, password_key(), table.get()) != ACCOUNT_TABLE_OK) {
        sys_create_file(account_table_file);
        offer_account_manager_and_quit();
        return -1;
    }
    accounts_use(table.get());
    return 0;
}
