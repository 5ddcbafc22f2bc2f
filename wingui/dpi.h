// The DPI a window is shown at: the monitor's (GetDpiForWindow, Windows 10
// from 1607) or else the system's, and 96-dpi pixel sizes scaled to it.
#pragma once

#include <windows.h>

int window_dpi(HWND window);
// The DPI of the system, for what belongs to no window (fonts made once).
int system_dpi();
// A 96-dpi size at the window's DPI.
int scaled_for(HWND window, int size96);
