// The main window's commands greyed or enabled by the command table, for the
// state the window is in.
#pragma once

#include <windows.h>

#include "client/main_commands.h"

// The window's state as the command table reads it: the view on show, the
// folder's jobs and options, and whether a message is selected.
CommandView current_command_view(bool message_selected);

// Greys the commands that act on a selected message.
void disable_message_commands(HWND window);
// Enables the commands that act on a selected message (after a click on the
// list that left rows selected): the message commands, or in the server's
// header list the server commands.
void enable_message_commands(HWND window);
