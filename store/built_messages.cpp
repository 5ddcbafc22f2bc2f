#include "store/built_messages.h"

#include "core/sys_files.h"
#include "format/build_names.h"
#include "format/message_builder.h"
#include "store/folder_numbers.h"
#include "store/message_files.h"

int build_into_folder(const ComposeFields* fields, const char* folder, bool for_display, Array* path_out) {
    BuildNames names;
    build_names_claim(&names, fields->window_number);
    int result = build_message(fields, &names, for_display);
    if (result == 0) {
        // Moving the finished file in gives it its number in one step: a
        // listing of the folder never sees it half written. A number taken
        // meanwhile, by another client on the same folder, moves it on.
        Array* path = array_new(message_path_capacity);
        FolderNumbers numbers{folder};
        result = folder_put(&numbers, names.building->text, FOLDER_MOVE, path);
        if (result == 0 && path_out) array_copy(path_out, path->text);
        if (result != 0) show_path_failure(fields, "Could not open %.50s!", path->text);
        delete_arrays(path);
    }
    build_names_release(&names);
    return result;
}
