// Any child control of a window, named by its control number: its text, its
// state, its place and font, and the commands windows send each other.
// Every window of the client and of the companion programs works its
// controls through these and the other files of this folder, so no window
// procedure spells out a message number or casts a parameter.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "core/arrays.h"

// The child control `id` of `window`; null when there is none.
HWND control(HWND window, int id);

// The control's text, cut to what `out` holds (capacity - 1 characters).
// Returns the length stored.
int control_text(HWND window, int id, Array* out);
void set_control_text(HWND window, int id, const char* text);
// The same for a window in hand (a status window's text box, a dialog).
int window_text(HWND window, Array* out);
void set_window_text(HWND window, const char* text);

void enable_control(HWND window, int id, bool enabled);
void enable_controls(HWND window, std::initializer_list<int> ids, bool enabled);
bool control_enabled(HWND window, int id);
void show_control(HWND window, int id, bool shown);
void focus_control(HWND window, int id);
void set_control_font(HWND window, int id, HFONT font);
// Moves the control to the rectangle, in client pixels of `window`; a
// negative width or height counts as none.
void place_control(HWND window, int id, int x, int y, int width, int height);

// A child control made at run time (the rich edit panes, which no dialog
// template can name before their library is loaded), at `box` in client
// pixels of `parent`.
HWND create_control(HWND parent, int id, const char* class_name, DWORD style, DWORD extended_style, RECT box);

// WM_COMMAND `command` with `argument` as its parameter; the private
// commands of the client's threads travel this way, their answer being the
// receiver's result.
LRESULT send_command(HWND window, int command, LPARAM argument = 0);
void post_command(HWND window, int command, LPARAM argument = 0);
// The module whose resources the window was made from.
HINSTANCE window_instance(HWND window);
