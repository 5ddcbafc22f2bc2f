#include "store/built_messages.h"

#include "core/sys_files.h"
#include "format/build_names.h"
#include "format/message_builder.h"
#include "store/message_files.h"

namespace {
// How many numbers past the folder's highest a new message tries before it
// gives up: other clients on the same folder take numbers meanwhile.
constexpr int folder_attempts = 1000;
}  // namespace

int build_into_folder(const ComposeFields* fields, const char* folder, bool for_display, Array* path_out) {
    BuildNames names;
    build_names_claim(&names, fields->window_number);
    int result = build_message(fields, &names, for_display);
    if (result == 0) {
        // Moving the finished file in gives it its number in one step: a
        // listing of the folder never sees it half written. A number taken
        // meanwhile, by another client on the same folder, moves it on.
        Array* path = array_new(message_path_capacity);
        int number = last_message_number(folder) + 1;
        result = -1;
        for (int attempt = 0; attempt < folder_attempts && result != 0; attempt++, number++) {
            message_file_path(path, folder, number);
            if (sys_rename(names.building->text, path->text) == 0) result = 0;
            else if (!sys_exists(path->text)) break;
        }
        if (result == 0 && path_out) array_copy(path_out, path->text);
        if (result != 0) show_path_failure(fields, "Could not open %.50s!", path->text);
        delete_arrays(path);
    }
    build_names_release(&names);
    return result;
}
