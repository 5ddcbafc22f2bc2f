#include "format/attachment_save.h"

#include "core/sys_files.h"
#include "format/encryption.h"
#include "format/mime_walk.h"
#include "format/part_decode.h"
#include "format/part_extract.h"
#include "format/temp_files.h"
#include "core/window_number.h"

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

int save_attachments(const char* message_path, WindowRef window, WindowRef status_window,
                     const SaveChooser* chooser) {
    int encrypted = is_encrypted_message(message_path);
    if (encrypted && !message_key_loaded()) return 0;
    Array* extract = array_new(100);
    Array* decoded = array_new(100);
    Array* name = array_new(100);
    temp_file_name(extract, "extract", window_number(window));
    temp_file_name(decoded, "decoded", window_number(window));
    PartRecord* list = part_list_new();
    collect_attachments(message_path, list);
    if (!list->next) status_set(status_window, "There do not appear to be any attachments to extract.\r\n");
    int saved = 0;
    for (PartRecord* part = list; part->next; part = part->next) {
        if (extract_next_part(message_path, extract->text, part) != 0 ||
            decode_part_file(window, extract->text, decoded->text, part->encoding->text, encrypted, false) != 0)
            continue;
        array_copy(name, part->file_name->text);
        make_safe_file_name(name->chars);
        if (copy_to_chosen_path(decoded->text, name->text, chooser, "Could not save attachment.") != 1) continue;
        saved++;
        if (part->incomplete) show_message("This attachment may be incomplete.");
    }
    part_list_free(list);
    delete_arrays(extract, decoded, name);
    return saved;
}
