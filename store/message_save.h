// "Save": the selected message file copied where the user chooses.
#pragma once

#include "format/save_chooser.h"

// Asks the chooser for a path (no suggested name) and copies the message
// file there, replacing what is there. "Could not save email." when the copy
// fails. 0 when saved, -1 when cancelled or failed.
int save_message_file(const char* folder, int number, const SaveChooser* chooser);
