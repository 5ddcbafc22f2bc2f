// The main window: a modeless dialog holding the folder tree, the message
// list, the preview pane, the attachments line, the status field and the
// account box.
#pragma once

#include <windows.h>

#include "ui/main_window_handle.h"

// Creates the window from dialog resource 300, hidden.
HWND create_main_window(HINSTANCE instance);
// Arranges the controls for the current client size.
void layout_main_window(HWND window, int width, int height);
