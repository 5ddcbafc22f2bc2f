// The main window's splitter bars and the layout of its controls around
// them.
#pragma once

#include <windows.h>

// Start-up: the vertical bar at 20 % (style 0x22) and the horizontal bar at
// 50 % (style 0x21). No layout is kept between runs.
void create_main_splitters(HWND window);
// Arranges the controls and bars for the client size and the bars'
// positions. Nothing moves while the window is minimised (0 × 0).
void layout_main_window(HWND window, int width, int height);
// WM_GETMINMAXINFO: at least the vertical bar's x plus 100 dialog units
// (and 700 pixels) wide, and the horizontal bar's y plus 100 units high,
// never more than the work area of the window's screen.
void main_window_min_size(HWND window, MINMAXINFO* info);
