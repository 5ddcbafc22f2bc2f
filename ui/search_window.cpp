// "Search" (1280): dialog 1300 on a thread of its own; the search itself
// (client/search.cpp) runs there over a copy of the list taken when OK is
// pressed.
#include <cstdint>
#include <string>

#include "client/search.h"
#include "core/ui_services.h"
#include "ui/mail_commands.h"
#include "ui/search_ids.h"
#include "ui/thread_commands.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/edit.h"
#include "wingui/list_box.h"

namespace {

struct SearchDialog {
    HWND main_window = nullptr;
    bool done = false;
};

void fill(HWND dialog) {
    HWND fields = control(dialog, IDC_SEARCH_FIELD), constraints = control(dialog, IDC_SEARCH_CONSTRAINT);
    for (const char* field : search_fields) combo_add(fields, field);
    for (const SearchConstraint& c : search_constraints) combo_add(constraints, c.text);
    combo_select(fields, 0);
    combo_select(constraints, 0);
    edit_limit(dialog, IDC_SEARCH_TEXT, 1000);
}

void search_now(HWND dialog, SearchDialog* state) {
    SearchRequest request;
    request.field = combo_selection(control(dialog, IDC_SEARCH_FIELD));
    request.constraint = combo_selection(control(dialog, IDC_SEARCH_CONSTRAINT));
    if (request.field < 0 || request.field > SEARCH_EMAIL || request.constraint < 0 || request.constraint > 3) {
        ui_message_box(dialog, "Please choose a field and a constraint.", "Zenth Mail", UI_OK);
        return;
    }
    Array* text = array_new(1001);
    control_text(dialog, IDC_SEARCH_TEXT, text);
    request.text = text->text;
    delete_arrays(text);
    // The scratch files of a "Message" search are this dialog's own.
    request.scratch_number = static_cast<int>(reinterpret_cast<uintptr_t>(dialog));
    std::string folder;
    int n = make_result_folder(&folder);
    if (n > 0) {
        send_command(state->main_window, CMD_SEARCH_ROWS, reinterpret_cast<LPARAM>(&request));
        int found = run_search(request, folder);
        std::string label = (found > 0 ? "1" : "0") + folder.substr(std::string("maildir\\").size());
        send_command(state->main_window, CMD_ADD_RESULT_FOLDER, reinterpret_cast<LPARAM>(label.c_str()));
    }
    state->done = true;
}

INT_PTR CALLBACK search_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    SearchDialog* state = dialog_state<SearchDialog>(dialog);
    switch (message) {
    case WM_INITDIALOG:
        take_dialog_state<SearchDialog>(dialog, lparam);
        fill(dialog);
        return TRUE;
    case WM_COMMAND:
        if (!state) return FALSE;
        switch (LOWORD(wparam)) {
        case IDOK:
        case IDC_SEARCH_OK:
            search_now(dialog, state);
            return TRUE;
        case IDCANCEL:
        case IDC_SEARCH_CANCEL:
            state->done = true;
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        if (state) state->done = true;
        return TRUE;
    default:
        return FALSE;
    }
}

void run_search_dialog(void* argument) {
    auto* state = static_cast<SearchDialog*>(argument);
    HWND dialog = create_dialog(window_instance(state->main_window), IDD_SEARCH, nullptr, search_procedure, state);
    if (dialog) {
        centre_on_screen(dialog);
        ShowWindow(dialog, SW_SHOW);
        DialogLoop loop;
        loop.dialog = dialog;
        loop.done = &state->done;
        run_dialog_loop(loop);
        DestroyWindow(dialog);
    }
    delete state;
}

}  // namespace

void search(HWND window, int) {
    auto* state = new SearchDialog;
    state->main_window = window;
    if (!start_dialog_thread(run_search_dialog, state)) delete state;
}
