// Menu items by command number, and the pop-up menus of the client.
#pragma once

#include <windows.h>

#include <initializer_list>

// Disabled items are greyed.
void enable_menu_item(HMENU menu, int id, bool enabled);
void enable_menu_items(HMENU menu, std::initializer_list<int> ids, bool enabled);
void check_menu_item(HMENU menu, int id, bool checked);
void check_menu_items(HMENU menu, std::initializer_list<int> ids, bool checked);
bool menu_item_checked(HMENU menu, int id);
bool menu_item_enabled(HMENU menu, int id);

// Shows the first pop-up of menu resource `resource` at `at` (screen
// pixels) and waits until it closes; the chosen command goes to `owner`.
void show_popup_menu(HWND owner, HINSTANCE instance, int resource, POINT at, UINT flags);
// The same for a pop-up in hand (one of the window's menu bar).
void show_menu_at(HWND owner, HMENU popup, POINT at, UINT flags);
// A right click over an edit control: when the cursor is over `edit`, a
// click there first (so that Copy and Select All act on it), then `popup`
// at the cursor. False when the cursor is elsewhere.
bool show_edit_menu_at_cursor(HWND owner, HWND edit, HMENU popup);

// An empty pop-up menu, its items appended in order, and the pop-up put into
// a menu bar at `position` (0 the first) under `title`. The bar's window
// shows the change once redraw_menu_bar is called.
HMENU new_popup_menu();
void append_menu_item(HMENU popup, int id, const char* text);
bool insert_popup_menu(HMENU bar, int position, HMENU popup, const char* title);
void redraw_menu_bar(HWND window);
