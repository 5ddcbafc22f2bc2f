// "Extract Attachments": every attachment of a message decoded and offered
// to the user to save where they choose.
#pragma once

#include "core/arrays.h"
#include "core/ui_services.h"

// Asks where to save one attachment (the save dialog "Save Attachment" with
// the filter "All Files(*.*)", the suggested name given). True with the
// chosen path in `path`, false when the user cancelled.
struct SaveChooser {
    bool (*choose)(void* context, const char* suggested_name, Array* path);
    void* context;
};

// For each attachment (collect_attachments): extracts it into the window's
// "extract" file, decodes it into its "decoded" file (decrypting an
// encrypted message), offers it under its file name with ":", "\" and "/"
// made "_", and copies it to the chosen path; "Could not save attachment."
// when that copy fails, and "This attachment may be incomplete." after
// saving a part that no delimiter closed. Nothing for an encrypted message
// without the key. Without any attachment the status field of
// `status_window` shows "There do not appear to be any attachments to
// extract.\r\n". Returns the number of attachments saved.
// A file name that came with a message made safe to put below a folder of
// ours: ":", "\" and "/" become "_", so it can reach no other folder or drive.
void make_safe_file_name(char* name);

// Offers the suggested name to the chooser and copies `source` to the chosen
// path, replacing what is there; `failure` is shown when the copy fails, so
// that it never passes for saved. 1 when saved, 0 when the user cancelled,
// -1 when the copy failed.
int copy_to_chosen_path(const char* source, const char* suggested_name, const SaveChooser* chooser,
                        const char* failure);

int save_attachments(const char* message_path, WindowRef window, WindowRef status_window,
                     const SaveChooser* chooser);
