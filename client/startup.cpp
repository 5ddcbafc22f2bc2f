#include "client/startup.h"

#include <cstring>

#include "core/app_state.h"
#include "core/quit.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "store/folder_numbers.h"
#include "store/message_files.h"

namespace {

// Makes what is missing; a failure tells the user, naming it after `what`
// ("directory", "file"), and asks the client to quit.
int ensure(const char* path, bool made, const char* what) {
    if (made) return 0;
    Array* message = array_new(100);
    array_printf(message, "Could not create %s %.70s!", what, path);
    show_message(message->text);
    delete_arrays(message);
    request_quit();
    return -1;
}

}  // namespace

int ensure_directory(const char* path) {
    return sys_exists(path) ? 0 : ensure(path, sys_make_directory(path) == 0, "directory");
}

int ensure_file(const char* path) { return sys_exists(path) ? 0 : ensure(path, sys_create_file(path) == 0, "file"); }

void create_store_folders() {
    const char* folders[] = {"maildir",      "maildir\\inbox", "maildir\\outbox", "maildir\\sent items",
                             "maildir\\drafts", "maildir\\deleted items", "temp", "colors", "user"};
    for (const char* folder : folders) ensure_directory(folder);
}

namespace {

void open_command_line_file(const char* path) {
    if (!sys_exists(path)) {
        show_message("Could not open command line file.");
        return;
    }
    // "temp" was emptied a moment ago, so this is 1 unless some file there
    // could not be removed.
    Array* target = array_new(message_path_capacity);
    FolderNumbers temp{"temp"};
    if (folder_put(&temp, path, FOLDER_COPY, target) == 0)
        app.open_temp_folder = 1;
    else
        show_message("Could not copy command line file.");
    delete_arrays(target);
}

}  // namespace

void interpret_command_line(const char* argument) {
    if (!argument || !*argument) return;
    if (std::strcmp(argument, "--systemtray") == 0) {
        app.start_in_tray = 1;
        return;
    }
    if (std::strncmp(argument, "mailto:", 7) == 0) {
        array_copy(app.mailto_address, argument + 7);
        app.mailto_mode = 1;
        return;
    }
    open_command_line_file(argument);
}
