// What the main window does with the mouse, the keyboard and its list's
// notifications, apart from its commands: Enter ending a folder rename,
// the pop-up menus of the preview and the list, a double click on a row,
// and the message commands greyed when the list loses the focus.
#pragma once

#include <windows.h>

#include <commctrl.h>

// WM_KEYDOWN as the main loop forwards it.
void main_window_key(HWND window, WPARAM key);
// WM_LBUTTONDBLCLK and WM_RBUTTONUP as the main loop forwards them; true
// when a pop-up menu was shown, so that the loop drops the message.
bool main_window_mouse(HWND window, UINT message);
// The message list's clicks, right clicks, double clicks and focus loss,
// the tree's focus loss and the preview's links. True when handled.
bool main_window_notify(HWND window, NMHDR* header, LRESULT* result);
