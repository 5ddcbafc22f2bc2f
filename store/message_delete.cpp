#include "store/message_delete.h"

#include <cstring>

#include "core/arrays.h"
#include "core/settings.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "store/folder_numbers.h"
#include "store/folders.h"
#include "store/list_mirror.h"
#include "store/message_files.h"

namespace {

const char deleted_items[] = "maildir\\deleted items";

}  // namespace

int delete_message_files(const char* folder, const std::vector<SelectionEntry>& entries, const DeleteSink& sink) {
    ListMirror mirror;
    mirror_open(&mirror, folder);
    // Deleting inside deleted items itself removes the files for good.
    const bool move = !setting_on(SETTING_DELETE_AT_ONCE) && std::strcmp(folder, deleted_items) != 0;
    FolderNumbers deleted{deleted_items};
    Array* path = array_new(message_path_capacity);
    Array* target = array_new(message_path_capacity);
    Array* text = array_new(message_path_capacity);
    int done = 0;
    for (const SelectionEntry& entry : entries) {
        message_file_path(path, folder, entry.number);
        if (move) {
            if (folder_put(&deleted, path->text, FOLDER_MOVE, target) != 0) {
                show_message("Could not move file to delted items folder.");
                break;
            }
        } else {
            int error = 0;
            if (sys_remove_file(path->text, &error) != 0) {
                array_printf(text, "Cannot remove file:%.1024s %i", path->text, error);
                show_message(text->text);
                break;
            }
        }
        mirror_refresh(&mirror, path->text);
        if (!sink.remove_row(sink.context, entry.row - done)) show_message("Could not remove list box entry!");
        done++;
    }
    delete_arrays(path, target, text);
    return done;
}

int delete_all_messages(const char* folder) {
    int answer = ui_message_box(nullptr, "This will delete all of the messages in the current folder. Are you sure?",
                                "Zenth Mail", UI_YESNO | UI_ICON_QUESTION);
    if (answer != UI_ANSWER_YES) return -1;
    clear_folder(folder, ".eml");
    return 0;
}
