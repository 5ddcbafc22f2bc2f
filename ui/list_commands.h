// The message commands of the main window that work on the list's selection
// and on the attachments line: Delete, Delete All, Save, Copy File, Move
// File, Extract Attachments, and Open and Save of an attachment.
#pragma once

#include <windows.h>

// Runs the command when it is one of these; false otherwise.
bool run_list_command(HWND window, int command);
// Enables the commands that act on a selected message (after a click on the
// list that left rows selected).
void enable_message_commands(HWND window);
