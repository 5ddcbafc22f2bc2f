// The main window's viewer beyond its commands (ui/mail_commands.h).
#pragma once

#include <windows.h>

// Keeps the browser view where the preview pane is.
void place_main_browser(HWND window, int x, int y, int width, int height);
// "Details" (338): the lines about the selected message in the preview.
void show_details(HWND window);
