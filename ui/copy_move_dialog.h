// "Copy File" and "Move File": the selected messages go to a folder chosen
// in dialog 800 or 900, which runs on a thread of its own.
#pragma once

#include <windows.h>

#include "store/message_copy.h"

// Collects up to 200 selected rows, then starts the dialog's thread; "Could
// not start thread." when it cannot start.
void copy_move_messages(HWND window, CopyMode mode);
