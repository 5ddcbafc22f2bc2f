#include "store/message_copy.h"

#include "core/arrays.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "store/busy_folders.h"
#include "store/folder_numbers.h"
#include "store/list_mirror.h"
#include "store/message_files.h"

int copy_move_files(const char* source, const char* target, const std::vector<SelectionEntry>& entries,
                    CopyMode mode, WindowRef status_window) {
    // This runs on the dialog's thread while jobs may mark folders.
    if (busy_folders_contains(target) == 1) {
        status_set(status_window, "Target directory is receiving mail.\r\n");
        return -1;
    }
    ListMirror mirror;
    mirror_open(&mirror, source);
    FolderNumbers numbers{target};
    Array* from = array_new(message_path_capacity);
    Array* to = array_new(message_path_capacity);
    int done = 0;
    for (const SelectionEntry& entry : entries) {
        message_file_path(from, source, entry.number);
        if (folder_put(&numbers, from->text, mode == COPY_MESSAGES ? FOLDER_COPY : FOLDER_MOVE, to) != 0) continue;
        if (mode == MOVE_MESSAGES) mirror_refresh(&mirror, from->text);
        done++;
    }
    delete_arrays(from, to);
    return done;
}
