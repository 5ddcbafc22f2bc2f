// Tray mode: the main window hidden behind a notification-area icon while a
// checker thread counts the mail waiting on every account's server.
#pragma once

#include <windows.h>

// "Enter System Tray Mode" (600), also the start with "--systemtray".
void enter_tray_mode(HWND window);
// "Wake" (214) or a double click on the icon.
void leave_tray_mode(HWND window);
// The icon's callback message (WM_USER + 101).
void tray_icon_message(HWND window, LPARAM event);
// The icon on show again at the window's DPI, after a change of DPI.
void tray_icon_follow_dpi(HWND window);
// Removes the icon if it is shown; for shut-down.
void remove_tray_icon(HWND window);
