#include "ui/copy_move_dialog.h"

#include <cstring>
#include <vector>

#include "core/app_state.h"
#include "core/ui_services.h"
#include "store/folders.h"
#include "ui/message_list.h"
#include "ui/copy_move_ids.h"
#include "ui/thread_commands.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/list_box.h"

namespace {

struct CopyMoveJob {
    HWND window;
    CopyMode mode;
    // Taken when the command starts: the folder on show may change while the
    // dialog is open, and the collected numbers belong to this one.
    Array* source;
    std::vector<SelectionEntry> entries;
};

struct DialogState {
    bool done = false;
    bool chosen = false;
};

void add_folder(void* context, const char* relative_path) {
    list_box_add(static_cast<HWND>(context), relative_path);
}

INT_PTR CALLBACK dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = dialog_state<DialogState>(dialog);
    switch (message) {
    case WM_INITDIALOG: {
        take_dialog_state<DialogState>(dialog, lparam);
        FolderTreeSink sink{.context = control(dialog, IDC_FOLDER_CHOICE),
                            .insert = nullptr,
                            .mark_has_children = nullptr,
                            .add_entry = add_folder};
        fill_folder_tree(app.store_root->text, nullptr, sink, true, static_cast<int>(std::strlen(app.store_root->text)));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDC_DIALOG_OK) {
            // The dialog stays until its choice has been read.
            state->chosen = true;
            state->done = true;
        } else if (LOWORD(wparam) == IDC_DIALOG_CANCEL || LOWORD(wparam) == IDCANCEL) {
            DestroyWindow(dialog);
            state->done = true;
        }
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(dialog);
        state->done = true;
        return TRUE;
    default:
        return FALSE;
    }
}

// The relative path chosen in the dialog's list, empty when none is.
void chosen_folder(HWND dialog, Array* out) {
    HWND list = control(dialog, IDC_FOLDER_CHOICE);
    list_box_text(list, list_box_selection(list), out);
}

void copy_move_thread(void* argument) {
    auto* job = static_cast<CopyMoveJob*>(argument);
    DialogState state;
    int resource = job->mode == COPY_MESSAGES ? IDD_COPY_FILE : IDD_MOVE_FILE;
    HWND dialog = create_dialog(window_instance(job->window), resource, nullptr, dialog_procedure, &state);
    Array* relative = array_new(1000);
    if (dialog) {
        ShowWindow(dialog, SW_SHOW);
        run_dialog_loop(DialogLoop{dialog, nullptr, nullptr, &state.done});
        if (state.chosen) {
            chosen_folder(dialog, relative);
            DestroyWindow(dialog);
        }
    }
    if (relative->text[0]) {
        Array* target = array_new(1000);
        folder_store_path(target, relative->text);
        copy_move_files(job->source->text, target->text, job->entries, job->mode, job->window);
        // The list belongs to the window's thread: it lists the folder again.
        if (job->mode == MOVE_MESSAGES) post_command(job->window, CMD_REFILL_AFTER_MOVE);
        delete_arrays(target);
    }
    delete_arrays(relative, job->source);
    delete job;
}

}  // namespace

void copy_move_messages(HWND window, CopyMode mode) {
    auto* job = new CopyMoveJob{window, mode, array_new(1024), {}};
    if (collect_list_selection(window, SELECT_COPY_MOVE, &job->entries) != 0) {
        delete_arrays(job->source);
        delete job;
        return;
    }
    array_copy(job->source, app.current_folder->text);
    if (!start_dialog_thread(copy_move_thread, job)) {
        delete_arrays(job->source);
        delete job;
    }
}
