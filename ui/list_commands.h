// The message commands of the main window that work on the list's selection
// and on the attachments line: Delete, Delete All, Save, Copy File, Move
// File, Extract Attachments, and Open and Save of an attachment.
#pragma once

#include <windows.h>

// The command table's handlers of these commands (client/main_command_list.h).
void delete_selected(HWND window, int command);
void delete_all(HWND window, int command);
void save_message(HWND window, int command);
void copy_selected(HWND window, int command);
void move_selected(HWND window, int command);
// Posted by the move worker once its files have gone: the folder on show is
// listed again on the window's own thread.
void refill_after_move(HWND window);
void extract_attachments_command(HWND window, int command);
