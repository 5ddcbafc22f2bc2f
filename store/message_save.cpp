#include "store/message_save.h"

#include "core/arrays.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "store/message_files.h"

int save_message_file(const char* folder, int number, const SaveChooser* chooser) {
    Array* source = array_new(1100);
    Array* chosen = array_new(1024);
    message_file_path(source, folder, number);
    int result = -1;
    if (chooser->choose(chooser->context, "", chosen)) {
        // A copy that fails must not pass for a saved message.
        if (sys_copy_file(source->text, chosen->text, false) == 0)
            result = 0;
        else
            show_message("Could not save email.");
    }
    delete_arrays(source, chosen);
    return result;
}
