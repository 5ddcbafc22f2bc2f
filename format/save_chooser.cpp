#include "format/save_chooser.h"

#include "core/sys_files.h"
#include "core/ui_services.h"

void make_safe_file_name(char* name) {
    // The name comes from the sender.
    for (char* c = name; *c; c++)
        if (*c == ':' || *c == '\\' || *c == '/') *c = '_';
}

int copy_to_chosen_path(const char* source, const char* suggested_name, const SaveChooser* chooser,
                        const char* failure) {
    Array* chosen = array_new(1024);
    int result = 0;
    if (chooser->choose(chooser->context, suggested_name, chosen)) {
        result = sys_copy_file(source, chosen->text, false) == 0 ? 1 : -1;
        if (result == -1) show_message(failure);
    }
    delete_arrays(chosen);
    return result;
}
