// What the main window and the send windows share: the first look of
// their loops at a message, the editing commands and the About box.
#pragma once

#include <windows.h>

// Keys and double clicks go to the window as well, so it sees those meant
// for its controls; a right click that the window answers with 1 (a pop-up
// menu shown) goes no further. True when the message was dealt with.
bool forward_to_window(HWND target, MSG* message);

// Cut, Copy, Paste and Delete: the message to the control with the focus.
void send_to_focus(UINT message);
void show_about(HWND window);
