#include "store/message_copy.h"

#include "core/arrays.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "store/list_mirror.h"
#include "store/message_files.h"

int copy_move_files(const char* source, const char* target, const std::vector<SelectionEntry>& entries,
                    CopyMode mode, WindowRef status_window) {
    // This runs on the dialog's thread: the busy list is asked through the
    // main window, which owns it.
    if (main_command(MAIN_BUSY_CONTAINS, target) == 1) {
        status_set(status_window, "Target directory is receiving mail.\r\n");
        return -1;
    }
    ListMirror mirror;
    mirror_open(&mirror, source);
    int next = last_message_number(target) + 1;
    Array* from = array_new(message_path_capacity);
    Array* to = array_new(message_path_capacity);
    int done = 0;
    for (const SelectionEntry& entry : entries) {
        message_file_path(from, source, entry.number);
        message_file_path(to, target, next++);
        if (mode == COPY_MESSAGES) {
            if (sys_copy_file(from->text, to->text, true) == 0) done++;
        } else if (sys_rename(from->text, to->text) == 0) {
            mirror_refresh(&mirror, from->text);
            done++;
        }
    }
    delete_arrays(from, to);
    return done;
}
