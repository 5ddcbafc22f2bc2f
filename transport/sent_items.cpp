#include "transport/sent_items.h"

#include "core/arrays.h"
#include "core/sys_files.h"
#include "core/window_number.h"
#include "format/temp_files.h"
#include "store/message_files.h"

namespace {
const char* const sent_items_folder = "maildir\\sent items";
}

int save_sent_item(WindowRef status_window, const char* sending_copy) {
    Array* partial = array_new(100);
    Array* target = array_new(message_path_capacity);
    temp_file_name(partial, "sentitem", window_number(status_window));
    message_file_path(target, sent_items_folder, last_message_number(sent_items_folder) + 1);
    int result = 0;
    if (sys_copy_file(sending_copy, partial->text, false) != 0 || sys_rename(partial->text, target->text) != 0) {
        sys_remove_file(partial->text);
        status_append(status_window, "Could not save sent item!\r\n");
        result = -1;
    }
    delete_arrays(partial, target);
    return result;
}
