// The DPI a window is shown at: the one its last move to another monitor
// announced (WM_DPICHANGED), else the monitor's (GetDpiForWindow, Windows 10
// from 1607), else the system's; and 96-dpi pixel sizes scaled to it.
#pragma once

#include <windows.h>

int window_dpi(HWND window);
// The DPI of the system, for what belongs to no window (fonts made once).
int system_dpi();
// A 96-dpi size at the window's DPI.
int scaled_for(HWND window, int size96);
// A system metric (SM_CXSMICON, ...) at a DPI; older systems know only
// their own DPI's, which is then scaled.
int metric_for_dpi(int index, int dpi);

// A top-level window notes the DPI it was made at: its dialog font and
// dialog units were made for that DPI and stay so after a change.
void note_window_dpi(HWND window);
// After WM_DPICHANGED: the window is at `dpi` from now on.
void set_window_dpi(HWND window, int dpi);
// Pixels measured in the window's dialog units (MapDialogRect) at the
// window's DPI of today.
int at_window_dpi(HWND window, int pixels_when_made);
