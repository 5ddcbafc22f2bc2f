// The server folders dialog of an IMAP account, opened by "Server
// Folders..." of its settings window and modal to it: the rows "server
// folder -> local folder", the two fields a row is made from, Add, Change
// and Remove. OK writes the list to the account's file at once, as a
// sign-in keeps its grant at once.
#include <string>
#include <vector>

#include "core/code_pages.h"
#include "core/ui_services.h"
#include "profiles/profiles.h"
#include "profiles/server_folders.h"
#include "profiles/server_folders_ids.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/list_box.h"

namespace {

constexpr char caption[] = "Account Manager";

struct FoldersState {
    std::string server, user;
    std::vector<ImapFolderPair> pairs;
    bool done = false;
};

HWND rows(HWND dialog) { return control(dialog, IDC_FOLDER_LIST); }

void show_rows(HWND dialog, const FoldersState& state, int selected) {
    HWND box = rows(dialog);
    while (list_box_count(box) > 0) list_box_delete(box, 0);
    for (const ImapFolderPair& pair : state.pairs) list_box_add(box, folder_row_text(pair).c_str());
    if (selected >= 0) list_box_select(box, selected);
}

// The row chosen shows in the fields, to be changed there.
void show_chosen(HWND dialog, const FoldersState& state) {
    int at = list_box_selection(rows(dialog));
    if (at < 0 || at >= static_cast<int>(state.pairs.size())) return;
    const ImapFolderPair& pair = state.pairs[static_cast<size_t>(at)];
    set_control_text(dialog, IDC_SERVER_FOLDER, system_text_from_utf8(pair.server_folder).c_str());
    set_control_text(dialog, IDC_LOCAL_FOLDER, pair.local_folder.c_str());
}

// Adds the fields as a new row (`replacing` -1) or puts them in place of
// that row.
void take_fields(HWND dialog, FoldersState* state, int replacing) {
    if (replacing >= static_cast<int>(state->pairs.size())) return;
    ImapFolderPair pair{utf8_from_system_text(edit_text(dialog, IDC_SERVER_FOLDER)), edit_text(dialog, IDC_LOCAL_FOLDER)};
    std::string refusal = folder_list_refusal(state->pairs, pair, replacing);
    if (!refusal.empty()) {
        ui_message_box(dialog, refusal.c_str(), caption, UI_OK);
        focus_control(dialog, refusal.find("local folder") != std::string::npos ? IDC_LOCAL_FOLDER : IDC_SERVER_FOLDER);
        return;
    }
    int at = replacing;
    if (at < 0) {
        state->pairs.push_back(pair);
        at = static_cast<int>(state->pairs.size()) - 1;
    } else {
        state->pairs[static_cast<size_t>(at)] = pair;
    }
    show_rows(dialog, *state, at);
}

void remove_row(HWND dialog, FoldersState* state) {
    int at = list_box_selection(rows(dialog));
    if (at < 0 || at >= static_cast<int>(state->pairs.size())) return;
    state->pairs.erase(state->pairs.begin() + at);
    show_rows(dialog, *state, at < static_cast<int>(state->pairs.size()) ? at : at - 1);
}

void close_dialog(HWND dialog, FoldersState* state) {
    close_owned_dialog(dialog);
    state->done = true;
}

void keep(HWND dialog, FoldersState* state) {
    if (state->pairs.empty()) {
        ui_message_box(dialog, "Please add at least one server folder.", caption, UI_OK);
        focus_control(dialog, IDC_SERVER_FOLDER);
        return;
    }
    if (imap_folders_save(state->server.c_str(), state->user.c_str(), state->pairs) != 0) {
        ui_message_box(dialog, "Cannot write the server folder list!", caption, UI_OK);
        return;
    }
    close_dialog(dialog, state);
}

INT_PTR CALLBACK folders_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = dialog_state<FoldersState>(dialog);
    switch (message) {
    case WM_INITDIALOG: {
        state = take_dialog_state<FoldersState>(dialog, lparam);
        HWND local = control(dialog, IDC_LOCAL_FOLDER);
        for (const std::string& path : local_folder_paths()) combo_add(local, path.c_str());
        show_rows(dialog, *state, 0);
        show_chosen(dialog, *state);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_FOLDER_LIST:
            if (HIWORD(wparam) == LBN_SELCHANGE) show_chosen(dialog, *state);
            break;
        case IDC_FOLDER_ADD: take_fields(dialog, state, -1); break;
        case IDC_FOLDER_CHANGE: {
            int at = list_box_selection(rows(dialog));
            if (at >= 0) take_fields(dialog, state, at);
            break;
        }
        case IDC_FOLDER_REMOVE: remove_row(dialog, state); break;
        case IDC_FOLDERS_OK: keep(dialog, state); break;
        case IDC_FOLDERS_CANCEL:
        case IDCANCEL: close_dialog(dialog, state); break;
        default: break;
        }
        return TRUE;
    case WM_CLOSE:
        close_dialog(dialog, state);
        return TRUE;
    case WM_DESTROY:
        // Also when the settings window that owns it closes.
        if (state) state->done = true;
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

void run_server_folders_window(HWND owner, const std::string& server, const std::string& user,
                               const std::string& inbox) {
    FoldersState state{server, user, {}};
    if (imap_folders_load(server.c_str(), user.c_str(), inbox.c_str(), &state.pairs) != 0) {
        ui_message_box(owner,
                       "The server folder list of this account cannot be read. It shows the account's inbox "
                       "alone; OK writes the list anew.",
                       caption, UI_OK);
        state.pairs = {{imap_server_inbox, inbox}};
    }
    run_owned_dialog(owner, IDD_SERVER_FOLDERS, folders_procedure, &state, &state.done);
}
