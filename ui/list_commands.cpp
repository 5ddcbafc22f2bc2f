#include "ui/list_commands.h"

#include <commctrl.h>

#include <vector>

#include "client/attachment_save.h"
#include "client/main_window_ids.h"
#include "client/view_state.h"
#include "core/app_state.h"
#include "core/settings.h"
#include "core/ui_services.h"
#include "core/window_number.h"
#include "store/busy_folders.h"
#include "store/message_delete.h"
#include "store/message_files.h"
#include "store/message_save.h"
#include "ui/attachment_box.h"
#include "ui/command_states.h"
#include "ui/copy_move_dialog.h"
#include "ui/file_dialogs.h"
#include "ui/message_list.h"
#include "ui/thread_commands.h"
#include "ui/transfer_jobs.h"
#include "wingui/controls.h"
#include "wingui/list_view.h"
#include "wingui/menus.h"

namespace {

HWND list_of(HWND window) { return control(window, IDC_MESSAGE_LIST); }

bool remove_row(void* context, int row) { return remove_list_row(static_cast<HWND>(context), row); }

void delete_messages(HWND window) {
    disable_message_commands(window);
    std::vector<SelectionEntry> entries;
    if (collect_list_selection(window, SELECT_DELETE, &entries) != 0) return;
    delete_message_files(app.current_folder->text, entries, DeleteSink{window, remove_row});
    // The row below the deleted ones moves up into the first one's place.
    HWND list = list_of(window);
    int first = entries.front().row;
    if (first < list_row_count(list)) {
        list_select_row(list, first);
        SetFocus(list);
        enable_message_commands(window);
    } else {
        disable_message_commands(window);
    }
}

void delete_all_in_folder(HWND window) {
    // A receive or server job may be writing into the folder: ignored.
    if (mail_job_running()) return;
    disable_message_commands(window);
    if (delete_all_messages(app.current_folder->text) != 0) return;
    fill_list_now(window);
}

// The first selected row's message: the one single-message commands act on.
bool selected_message(HWND window, int* number) {
    int row = list_next_selected(list_of(window), -1);
    RowData* d = row == -1 ? nullptr : message_row(window, row);
    if (!d) {
        status_set(window, "Please select an e-mail!\r\n");
        return false;
    }
    *number = d->number;
    return true;
}

void save_message_as(HWND window) {
    int number = 0;
    if (!selected_message(window, &number)) return;
    SaveDialog dialog{window, DIALOG_SAVE_EMAIL};
    SaveChooser chooser = save_dialog_chooser(&dialog);
    save_message_file(app.current_folder->text, number, &chooser);
}

void extract_selected_attachments(HWND window) {
    disable_message_commands(window);
    int number = 0;
    if (!selected_message(window, &number)) return;
    enable_message_commands(window);
    Array* path = array_new(message_path_capacity);
    message_file_path(path, app.current_folder->text, number);
    SaveDialog dialog{window, DIALOG_EXTRACT_ATTACHMENT};
    SaveChooser chooser = save_dialog_chooser(&dialog);
    save_attachments(path->text, window, window, &chooser);
    delete_arrays(path);
}

}  // namespace

void delete_selected(HWND window, int) { delete_messages(window); }
void delete_all(HWND window, int) { delete_all_in_folder(window); }
void save_message(HWND window, int) { save_message_as(window); }
void copy_selected(HWND window, int) { copy_move_messages(window, COPY_MESSAGES); }
void move_selected(HWND window, int) { copy_move_messages(window, MOVE_MESSAGES); }
void refill_after_move(HWND window) {
    if (!list_filling && !start_list_fill(window)) clear_message_list(window);
}
void extract_attachments_command(HWND window, int) { extract_selected_attachments(window); }
