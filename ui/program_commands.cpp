#include "ui/program_commands.h"

#include "client/main_window_ids.h"
#include "core/app_state.h"
#include "core/processes.h"
#include "core/shell_programs.h"
#include "core/ui_services.h"
#include "store/message_files.h"
#include "ui/command_states.h"
#include "ui/message_list.h"
#include "wingui/controls.h"
#include "wingui/list_view.h"

void view_help_file(HWND window, int) {
    // The shell answers 32 or less when nothing opened the page.
    if (shell_open("readme.html", app.program_folder->text) <= 32)
        status_set(window, "Could not open the help file readme.html.\r\n");
}

void view_source(HWND window, int) {
    disable_message_commands(window);
    Array* path = array_new(message_path_capacity);
    if (selected_message(window, path) < 0) {
        delete_arrays(path);
        status_set(window, "Please select an e-mail!\r\n");
        return;
    }
    enable_message_commands(window);
    // The whole path: the editor may take its own folder as the working one.
    Array* full = array_new(message_path_capacity + 1000);
    array_printf(full, "%.999s\\%.1099s", app.program_folder->text, path->text);
    if (sys_start_program_with("notepad.exe", full->text) != 0) status_set(window, "Could not start notepad.exe.\r\n");
    delete_arrays(path, full);
}

void account_manager(HWND window, int) {
    // The client goes on at once; it reads the table the manager writes at
    // its next start.
    if (sys_start_program("zenth-profiles.exe") != 0) status_set(window, "Could not start zenth-profiles.exe.\r\n");
}
