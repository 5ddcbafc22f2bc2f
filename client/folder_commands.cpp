#include "client/folder_commands.h"

#include <cstring>

#include "client/view_state.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "store/busy_folders.h"
#include "store/folders.h"
#include "store/message_files.h"

int create_new_item_folder(const char* selected_relative_path) {
    if (headers_view || search_view || std::strlen(selected_relative_path) > 1009) return -1;
    Array* path = array_new(message_path_capacity);
    array_printf(path, "%s\\%.1009s", "maildir", selected_relative_path);
    array_printf_at(path, static_cast<int>(std::strlen(path->text)), "\\New Item");
    int result = 0;
    if (sys_make_directory(path->text) != 0) {
        show_message("Rename the new item folder first.");
        result = -1;
    }
    delete_arrays(path);
    return result;
}

int delete_folder_item(const char* relative_path, bool top_level) {
    if (!search_view && top_level) {
        show_message("Cannot delete main program directory!");
        return -1;
    }
    int answer = ui_message_box(nullptr,
                                "This will delete all of the messages in the selected folder as well as removing the "
                                "folder itself. Are you sure?",
                                "Zenth Mail", UI_YESNO | UI_ICON_QUESTION);
    if (answer != UI_ANSWER_YES) return -1;
    Array* path = array_new(1000);
    folder_store_path(path, relative_path);
    int result = delete_folder(path->text) == 0 ? 0 : -1;
    delete_arrays(path);
    return result;
}

bool folder_selection_allowed(const char* relative_path) {
    if (list_filling) return false;
    Array* path = array_new(message_path_capacity);
    array_printf(path, "maildir\\%.1000s", relative_path);
    if (is_headers_item(relative_path)) array_copy(path, "temp");
    bool allowed = !busy_folders_contains(path->text);
    delete_arrays(path);
    return allowed;
}

bool folder_change_allowed(const char* relative_path, WindowRef status_window) {
    Array* path = array_new(message_path_capacity);
    folder_store_path(path, relative_path);
    bool allowed = !list_filling && !busy_folders_contains_tree(path->text);
    delete_arrays(path);
    if (!allowed) status_set(status_window, "This option is currently unavailable. Please try later.\r\n");
    return allowed;
}
