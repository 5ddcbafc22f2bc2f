// The main window: a modeless dialog holding the folder tree, the message
// list, the preview pane, the attachments line, the status field and the
// account box.
#pragma once

#include <windows.h>

#include <atomic>

extern std::atomic<HWND> main_window;

// Creates the window from dialog resource 300, hidden.
HWND create_main_window(HINSTANCE instance);
// Greys the commands that act on a selected message.
void disable_message_commands(HWND window);
// Arranges the controls for the current client size.
void layout_main_window(HWND window, int width, int height);
