// The client's colours on screen: the scheme in force with its four
// control-colour brushes, the "Colors" menu and its commands, and the
// colours of the main window's controls, of send windows and of message
// windows.
//
// Brushes and colours are read by windows of other threads. Each change
// makes a new set and publishes it whole; the set it replaces is kept until
// the next change, so a window still painting with it never finds its
// brush deleted.
#pragma once

#include <windows.h>

#include "client/colour_schemes.h"

// Start-up: the current scheme, or the system colours, and its brushes.
void load_colour_scheme();
// Inserts the "Colors" pop-up at position 2 of the window's menu bar: one
// item per scheme, then "System Default" (1303).
void build_colour_menu(HWND window);
// The highest scheme command in the menu (0: none).
int highest_scheme_command();
// A scheme command (20000 up to the highest) or 1303: chooses, applies and
// repaints. False for any other command.
bool colour_command(HWND window, int command);
// Loads the scheme again and gives it to every open send window and to the
// main window.
void apply_colours(HWND main_window);
// The main window's preview pane 324 and pane 313, the message list 303, the
// folder tree 347, and a repaint (the status field 213 takes its colours
// through control_colour).
void recolour_main_window(HWND window);
// A send window's editor (208): slots 10 and 11. A message window's pane:
// slots 12 and 13. For windows opened after a change as well.
void colour_send_window(HWND window);
void colour_message_pane(HWND pane);
// WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORSTATIC and WM_CTLCOLORDLG:
// sets the device context's colours and gives the brush to answer with;
// null (change nothing) under the system colours or for another message.
HBRUSH control_colour(UINT message, HDC dc, HWND control);
// Whether the system colours are in force, and a slot of the scheme in force.
bool system_colours_in_force();
COLORREF colour_slot(int slot);
