// The send windows ("Send Mail", dialog 200): each on a thread of its own
// with its own loop, up to 100 at once, where a message is written, saved,
// queued or sent.
#pragma once

#include <windows.h>

#include "ui/send_window_parts.h"

// The record of a send window, null for any other window.
SendWindow* send_window_of(HWND window);

// The main window's private command 910: a new send window on a thread of
// its own, its "To" field holding the UTF-8 text the argument points at (if
// any) before it shows. Returns its handle value once it exists; 0 when
// none came (all 100 in use, "Reached maximum window count!", or it could
// not be made within the bound).
LRESULT open_send_window(HWND main_window, LPARAM argument);
