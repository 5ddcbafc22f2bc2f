// The main window: a modeless dialog holding the folder tree, the message
// list, the preview pane, the attachments line, the status field and the
// account box.
#pragma once

#include <windows.h>

#include "ui/main_window_handle.h"

// Creates the window from dialog resource 300, hidden.
HWND create_main_window(HINSTANCE instance);
