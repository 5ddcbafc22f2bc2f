// The attachments line of the main window (edit control 348): the names of
// the previewed message's attachments, with their pop-up menu 5000 ("Open",
// "Save") and a double click to save.
#pragma once

#include <windows.h>

// "Open" (260) or "Save" (270) of the attachment under the line's caret.
void attachment_command(HWND window, int command);
// The mouse messages the main loop forwards: a double click while the line
// has the focus saves; a right click over the line moves the caret there and
// shows menu 5000. Returns true when the message was the line's (the main
// loop then drops it).
bool attachment_box_mouse(HWND window, UINT message);
