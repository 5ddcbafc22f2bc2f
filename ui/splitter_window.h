// The splitter bars of the main window: thin windows of the classes
// "wespliter" (vertical), "nsspliter" (horizontal) and "fxdspliter" (fixed)
// that the user drags to share the client area between the panes.
#pragma once

#include <windows.h>

// Sent to the bar's parent after the bar was made and after each drag, with
// the bar's x and y: the parent lays itself out again. A number of the
// application's own: WM_USER itself is DM_GETDEFID in a dialog, which the
// dialog manager sends on Enter and focus changes.
constexpr UINT WM_SPLITTER_MOVED = WM_APP + 2;

struct SplitterBar {
    int position;  // percent of the parent's client area, 0 to 99
    HWND window;
    int left, top, width, height;  // in the parent's client pixels
    bool dragging;
    unsigned style;
    bool fixed;
    HWND parent;
    HINSTANCE instance;
    // The parent's controls a drag stays inside: the near one's left (top)
    // edge and the far one's right (bottom) edge.
    int near_pane, far_pane;
};

// Makes a bar (identifier 10 when horizontal, 20 when vertical) at
// `position` of the parent's client area and tells the parent. Null when
// refused (no parent, or a position outside 0 to 99 for a bar that is not
// fixed) or when the window could not be made.
SplitterBar* create_splitter(HWND parent, HINSTANCE instance, int position, unsigned style, int near_pane,
                             int far_pane);
// The bar's record, from its window; null for another window.
SplitterBar* splitter_of(HWND bar);
