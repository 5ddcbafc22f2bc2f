#include "store/message_save.h"

#include "core/arrays.h"
#include "store/message_files.h"

int save_message_file(const char* folder, int number, const SaveChooser* chooser) {
    Array* source = array_new(message_path_capacity);
    message_file_path(source, folder, number);
    int saved = copy_to_chosen_path(source->text, "", chooser, "Could not save email.");
    delete_arrays(source);
    return saved == 1 ? 0 : -1;
}
