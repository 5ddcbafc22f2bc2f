// The commands of a send window: its menus, its button and command 410.
#pragma once

#include <windows.h>

#include <richedit.h>

#include "ui/send_window.h"

// Runs command `id`; false when the window has no such command.
bool send_command_run(HWND window, SendWindow* state, int id, LPARAM argument);
// EN_LINK of the editor: a left click opens a web or mail link whole.
void open_editor_link(HWND window, ENLINK* link);
// A right click in the editor: the "Edit" menu there. False when the click
// was elsewhere.
bool editor_menu(HWND window);
