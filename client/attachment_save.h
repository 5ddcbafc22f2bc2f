// "Extract Attachments": every attachment of a message decoded and offered
// to the user to save where they choose.
#pragma once

#include "core/arrays.h"
#include "core/ui_services.h"
#include "format/save_chooser.h"

// For each attachment (collect_attachments): extracts it into the window's
// "extract" file, decodes it into its "decoded" file (decrypting an
// encrypted message), offers it under its file name with ":", "\" and "/"
// made "_", and copies it to the chosen path; "Could not save attachment."
// when that copy fails, and "This attachment may be incomplete." after
// saving a part that no delimiter closed. Nothing for an encrypted message
// without the key. Without any attachment the status field of
// `status_window` shows "There do not appear to be any attachments to
// extract.\r\n". Returns the number of attachments saved.
int save_attachments(const char* message_path, WindowRef window, WindowRef status_window,
                     const SaveChooser* chooser);
