// The main window's commands that open or close send windows: "New Email"
// (343), "Open File" (393) and "Close Send Windows" (1306).
#include <cstdint>

#include "core/app_state.h"
#include "core/ui_services.h"
#include "store/message_files.h"
#include "ui/later_commands.h"
#include "ui/main_window_ids.h"
#include "ui/message_list.h"
#include "ui/send_window_ids.h"
#include "ui/thread_commands.h"
#include "wingui/controls.h"
#include "wingui/list_view.h"

void new_email(HWND window, int) { send_command(window, CMD_OPEN_SEND_WINDOW); }

void open_file(HWND window, int) {
    int row = list_next_selected(control(window, IDC_MESSAGE_LIST), -1);
    RowData* data = row < 0 ? nullptr : message_row(window, row);
    if (!data) return;
    Array* path = array_new(message_path_capacity);
    message_file_path(path, app.current_folder->text, data->number);
    if (auto send_window = reinterpret_cast<HWND>(send_command(window, CMD_OPEN_SEND_WINDOW)))
        SendMessageA(send_window, WM_COMMAND, SEND_LOAD_FILE, reinterpret_cast<LPARAM>(path->text));
    delete_arrays(path);
}

void close_send_windows(HWND window, int) {
    if (ui_message_box(window, "You will lose all unsaved information in currently open send mail windows! Continue?",
                       "Zenth Mail", UI_YESNO | UI_ICON_QUESTION) != UI_ANSWER_YES)
        return;
    for (int i = 0; i < 100; i++) {
        uint32_t handle = *static_cast<uint32_t*>(array_element(app.compose_windows, i));
        if (handle) PostMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(handle)), WM_QUIT, 0, 0);
    }
}
