#include "ui/command_states.h"

#include <cstring>

#include "client/view_state.h"
#include "core/app_state.h"
#include "core/settings.h"
#include "store/busy_folders.h"
#include "wingui/controls.h"
#include "wingui/menus.h"

namespace {

void show_states(HWND window, bool message_selected) {
    CommandView view = current_command_view(message_selected);
    HMENU menu = GetMenu(window);
    int count = 0;
    const CommandRow* rows = main_command_rows(&count);
    for (int i = 0; i < count; i++) {
        const CommandRow& row = rows[i];
        if (row.greying == GREY_NEVER) continue;
        bool greyed = command_greyed(row, view);
        if (row.where & ON_BUTTON) enable_control(window, row.id, !greyed);
        if (row.where & ON_MENU) enable_menu_item(menu, row.id, !greyed);
    }
}

}  // namespace

CommandView current_command_view(bool message_selected) {
    const char* folder = app.current_folder->text;
    return CommandView{
        .list_filling = list_filling != 0,
        .headers_view = headers_view != 0,
        .folder_busy = busy_folders_contains(folder) != 0,
        .outbox = std::strcmp(folder, "maildir\\outbox") == 0,
        .attachments_off = setting_on(SETTING_NO_ATTACHMENTS),
        .message_selected = message_selected,
    };
}

void disable_message_commands(HWND window) { show_states(window, false); }

void enable_message_commands(HWND window) { show_states(window, true); }
