#include "client/attachment_save.h"

#include "core/sys_files.h"
#include "format/encryption.h"
#include "format/mime_walk.h"
#include "format/part_decode.h"
#include "format/part_extract.h"
#include "format/temp_files.h"
#include "core/window_number.h"

int save_attachments(const char* message_path, WindowRef window, WindowRef status_window,
                     const SaveChooser* chooser) {
    int encrypted = is_encrypted_message(message_path);
    if (encrypted && !message_key_loaded()) return 0;
    Array* extract = array_new(100);
    Array* decoded = array_new(100);
    Array* name = array_new(100);
    temp_file_name(extract, "extract", window_number(window));
    temp_file_name(decoded, "decoded", window_number(window));
    struct Walk {
        WindowRef window;
        int encrypted;
        Array *extract, *decoded, *name;
        const SaveChooser* chooser;
        int saved;
    } walk{window, encrypted, extract, decoded, name, chooser, 0};
    int listed = for_each_attachment(message_path, extract->text, [](void* context, const PartRecord* part, int,
                                                                     bool extracted) {
        auto* k = static_cast<Walk*>(context);
        if (!extracted || decode_part_file(k->window, k->extract->text, k->decoded->text, part->encoding->text,
                                           k->encrypted, false) != 0)
            return true;
        array_copy(k->name, part->file_name->text);
        make_safe_file_name(k->name->chars);
        if (copy_to_chosen_path(k->decoded->text, k->name->text, k->chooser, "Could not save attachment.") != 1)
            return true;
        k->saved++;
        if (part->incomplete) show_message("This attachment may be incomplete.");
        return true;
    }, &walk);
    if (listed == 0) status_set(status_window, "There do not appear to be any attachments to extract.\r\n");
    delete_arrays(extract, decoded, name);
    return walk.saved;
}
