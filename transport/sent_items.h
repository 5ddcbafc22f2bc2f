// The copy of a sent message that "maildir\sent items" keeps when the
// message's options ask for it.
#pragma once

#include "core/ui_services.h"

// Copies the sending copy (the message without its private fields) to the
// folder's next message file. The copy is written as "temp\sentitem<W>.tmp"
// (W the status window's handle value) and only then moved to mm<N>.eml, so
// that a listing of the folder never shows half a message; an existing file
// is never replaced. 0, or -1 after "Could not save sent item!\r\n".
int save_sent_item(WindowRef status_window, const char* sending_copy);
