#include "store/folder_numbers.h"

#include "core/sys_files.h"
#include "store/durable_files.h"
#include "store/message_files.h"

int folder_put(FolderNumbers* numbers, const char* from, FolderPut how, Array* path) {
    if (numbers->next == 0) numbers->next = last_message_number(numbers->folder) + 1;
    for (int attempt = 0; attempt < folder_attempts; attempt++) {
        message_file_path(path, numbers->folder, numbers->next);
        int result = how == FOLDER_COPY           ? sys_copy_file(from, path->text, true)
                     : how == FOLDER_MOVE_DURABLE ? durable_files().move(from, path->text)
                                                  : sys_rename(from, path->text);
        if (result == 0) {
            numbers->next++;
            return 0;
        }
        // Only a name someone else took moves on; any other failure is the
        // file's own and keeps the number free.
        if (!sys_exists(path->text)) return -1;
        numbers->next++;
    }
    return -1;
}
