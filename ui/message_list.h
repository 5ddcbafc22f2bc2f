// The message list of the main window (list view 303).
#pragma once

#include <windows.h>

#include <commctrl.h>

// Starts the fill of the folder on show on a worker thread. false when the
// thread could not start (the user has been told).
bool start_list_fill(HWND window);
// The message numbers of the selected rows, at most `limit`; their count.
int selected_message_numbers(HWND window, int* numbers, int limit);
// Removes the row of message `number`, if the list has one.
void remove_message_row(HWND window, int number);
// Frees every row's data and removes the rows.
void clear_message_list(HWND window);
// The list's notifications: custom draw colours, column sorts, clicks.
bool message_list_notify(HWND window, NMHDR* header, LRESULT* result);
// "Sort By File Name" and "Mark".
void sort_by_file_name(HWND window);
void toggle_mark(HWND window);
