// The address book dialog, for the main window's and the send windows'
// "Address Book" (1080).
#pragma once

#include <windows.h>

// Opens the dialog on a thread of its own; `caller` is the send window
// whose "To:" OK fills (its "Send To" is then disabled), or null.
void open_address_book(HWND main_window, HWND caller);
