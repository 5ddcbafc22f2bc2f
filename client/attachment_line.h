// The attachments line of the main window (control 348): the names of the
// attachments of the message on display, each followed by two spaces, and
// what the user can do with the one under the caret.
#pragma once

#include "client/attachment_save.h"
#include "core/arrays.h"

// The attachment name under the caret (a position in `line`) and its number
// from 1: the run between the last space before the caret and the next space
// at or after it; the number counts the spaces before the caret, two per
// name. 0, or -1 when no space follows the caret or the run is empty.
int attachment_at_caret(const char* line, int caret, Array* name, int* index);

// "Open": copies attachment `index` of window `window_number` to
// "temp\<name>" (the name cut to 100 characters and made safe) and hands
// that copy to its associated program, unless is_executable_file says it
// would run: then "This is an executable file and as such may contain a
// virus. ..." and the log line "User attempted to execute an email
// attachment.\r\n". Failures: "Could not find attachment." (the copy), "There
// is no program associated with this type of file." (shell code 31), "Could
// not open attachment." (any other code of 32 or less). 0 when opened.
int open_attachment(int window_number, const char* name, int index);

// "Save": offers the name to the chooser and copies attachment `index`
// there, replacing what is there; "Could not save attachment." when that
// fails. 0 when saved, -1 when cancelled or failed.
int save_attachment(int window_number, const char* name, int index, const SaveChooser* chooser);
