// The message list of the main window (list view 303).
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "client/list_fill.h"
#include "client/message_rows.h"
#include "client/search.h"
#include "core/arrays.h"
#include "store/selection.h"

// Starts the fill of the folder on show on a worker thread. false when the
// thread could not start (the user has been told).
bool start_list_fill(HWND window);
// Removes the row of message `number`, if the list has one.
void remove_message_row(HWND window, int number);
// Removes a row; false when there is no such row.
bool remove_list_row(HWND window, int row);
// A batch of rows from a fill (CMD_LIST_ROWS), on the interface thread;
// dropped when its fill was cancelled or replaced.
void take_list_rows(HWND window, const RowBatch* batch);
// Fills the list on the calling thread ("Delete All" waits for its list).
void fill_list_now(HWND window);
// Removes every row; batches of a fill still running are dropped.
void clear_message_list(HWND window);
// The list's notifications: its texts, custom draw colours, column sorts.
bool message_list_notify(HWND window, NMHDR* header, LRESULT* result);
// "Sort By File Name" and "Mark".
void sort_by_file_name(HWND window);
void toggle_mark(HWND window);
// The row's data, null for a row without it.
RowData* message_row(HWND window, int row);
// The first selected row and its message file's path (message_path_capacity
// bytes); -1, the path untouched, when no row with a message is selected.
int selected_message(HWND window, Array* path);
// The folder on show and the From, To, Subject and Sent texts of every row,
// in list order, for a search that runs on another thread.
void copy_rows_for_search(HWND window, SearchRequest* request);
// collect_selection over the list's selected rows.
int collect_list_selection(HWND window, int max, std::vector<SelectionEntry>* entries);
// Marks the message of the row read when it is unread (the message is on
// show) and redraws the row.
void set_read(HWND window, int row);
