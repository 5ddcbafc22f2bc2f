// The main window's viewer beyond its commands (ui/later_commands.h).
#pragma once

#include <windows.h>

// Keeps the browser view where the preview pane is.
void place_main_browser(HWND window, int x, int y, int width, int height);
