// The list window, dialog 200: the accounts by name, Add, Remove, Settings,
// and OK, which writes the table and ends the program.
#include <string>

#include "core/ui_services.h"
#include "format/account_table.h"
#include "format/password_key.h"
#include "profiles/list_ids.h"
#include "profiles/profiles.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/list_box.h"

namespace {

struct ListState {
    Profiles* profiles;
    bool done = false;
};

HWND account_box(HWND dialog) { return control(dialog, IDC_ACCOUNT_LIST); }

void add_account(HWND dialog, Profiles* profiles) {
    HWND box = account_box(dialog);
    int at;
    {
        std::lock_guard<std::mutex> hold(profiles->accounts.lock);
        at = account_list_add(&profiles->accounts, list_box_selection(box));
    }
    if (at < 0) {
        ui_message_box(dialog, "Number of accounts reached maximum!", "Zenth Mail", UI_OK);
        return;
    }
    list_box_insert(box, at, "New Account");
}

void remove_account(HWND dialog, Profiles* profiles) {
    HWND box = account_box(dialog);
    int at = list_box_selection(box);
    if (at < 0) return;
    int id;
    {
        std::lock_guard<std::mutex> hold(profiles->accounts.lock);
        id = account_list_remove(&profiles->accounts, at);
    }
    list_box_delete(box, at);
    // A window still open on the account would otherwise store into
    // whichever account took its place.
    if (id) close_settings_windows(profiles, id);
}

void open_settings(HWND dialog, Profiles* profiles) {
    int at = list_box_selection(account_box(dialog));
    if (at < 0) return;
    int id;
    {
        std::lock_guard<std::mutex> hold(profiles->accounts.lock);
        id = at < profiles->accounts.table.count ? profiles->accounts.ids[at] : 0;
    }
    if (id) open_settings_window(profiles, id);
}

// A settings window stored its account: the list shows the new name in
// the account's place, which Add and Remove may have moved meanwhile.
void show_stored_name(HWND dialog, Profiles* profiles, int id) {
    std::string name;
    int at;
    {
        std::lock_guard<std::mutex> hold(profiles->accounts.lock);
        at = account_list_find(profiles->accounts, id);
        if (at >= 0) name = profiles->accounts.table.accounts[at].fields[ACCOUNT_NAME];
    }
    if (at < 0) return;
    HWND box = account_box(dialog);
    int selected = list_box_selection(box);
    list_box_delete(box, at);
    list_box_insert(box, at, name.c_str());
    if (selected >= 0) list_box_select(box, selected);
}

void write_table(HWND dialog, Profiles* profiles) {
    int result;
    {
        std::lock_guard<std::mutex> hold(profiles->accounts.lock);
        result = account_table_write(account_table_file, password_key(), profiles->accounts.table);
        if (result == ACCOUNT_TABLE_OK) account_list_drop_removed_files(&profiles->accounts);
    }
    if (result != ACCOUNT_TABLE_OK) ui_message_box(dialog, "Cannot open account data file!", "Zenth Mail", UI_OK);
}

INT_PTR CALLBACK list_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = dialog_state<ListState>(dialog);
    switch (message) {
    case WM_INITDIALOG: {
        state = take_dialog_state<ListState>(dialog, lparam);
        std::lock_guard<std::mutex> hold(state->profiles->accounts.lock);
        const AccountTable& table = state->profiles->accounts.table;
        for (int i = 0; i < table.count; i++) list_box_add(account_box(dialog), table.accounts[i].fields[ACCOUNT_NAME]);
        return TRUE;
    }
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE) redraw_whole(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_ADD: add_account(dialog, state->profiles); break;
        case IDC_REMOVE: remove_account(dialog, state->profiles); break;
        case IDC_SETTINGS: open_settings(dialog, state->profiles); break;
        case CMD_ACCOUNT_STORED: show_stored_name(dialog, state->profiles, static_cast<int>(lparam)); break;
        case IDC_LIST_OK:
            write_table(dialog, state->profiles);
            state->done = true;
            break;
        case IDC_LIST_CANCEL:
        case IDCANCEL: state->done = true; break;
        default: break;
        }
        return TRUE;
    case WM_CLOSE:
        state->done = true;
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

bool run_list_window(Profiles* profiles) {
    ListState state{profiles};
    HWND dialog = create_dialog(profiles->instance, IDD_ACCOUNT_LIST, nullptr, list_procedure, &state);
    if (!dialog) return false;
    profiles->list_window = dialog;
    centre_on_screen(dialog);
    ShowWindow(dialog, SW_SHOW);
    run_dialog_loop(DialogLoop{dialog, nullptr, nullptr, &state.done});
    return true;
}
