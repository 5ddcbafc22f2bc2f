// The message commands of the main window that work on the list's selection
// and on the attachments line: Delete, Delete All, Save, Copy File, Move
// File, Extract Attachments, and Open and Save of an attachment.
#pragma once

#include <windows.h>

// Whether one of these commands must wait: while the list fills, while the
// server's headers are on show, with attachments disabled, or while a
// transfer writes into the folder on show.
bool list_command_refused(int command);
// Runs the command when it is one of these; false otherwise.
bool run_list_command(HWND window, int command);
// Enables the commands that act on a selected message (after a click on the
// list that left rows selected).
void enable_message_commands(HWND window);
