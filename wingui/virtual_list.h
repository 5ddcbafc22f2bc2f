// Report list views whose rows live in the program, not in the control
// (LVS_OWNERDATA): the control holds a count and the selection, and asks
// its parent for every text it draws or is asked for.
#pragma once

#include <windows.h>

#include <commctrl.h>

// What the program answers for its rows.
struct VirtualRows {
    void* context;
    int (*count)(void* context);
    // The cell's text in UTF-8; only called for rows below the count.
    const char* (*text)(void* context, int row, int column);
    // The row's own text colour, or -1 for the list's text colour.
    long (*text_colour)(void* context, int row);
};

// Answers the list's questions from `rows`: the texts it asks for
// (LVN_GETDISPINFO in either character set, cut to the room it gives), the
// colour of each row it draws (custom draw; the list's background and other
// rows' text keep the colours the list was given), and the row a typed
// prefix finds in the first column (LVN_ODFINDITEM, letter case aside). true when the
// notification was one of these, with the parent's answer in *result.
bool virtual_list_notify(NMHDR* header, const VirtualRows& rows, LRESULT* result);

// Makes the list ask for its texts in UTF-16 (LVN_GETDISPINFOW), so that
// it shows every character of the rows' UTF-8, whatever the system's code
// page; a list that asks in the code page gets "?" for what it lacks.
void list_use_wide_texts(HWND list);

// Sets the number of rows, keeping the scroll position and the selection
// of the rows that remain.
void list_set_row_count(HWND list, int rows);
// Selects or deselects one row; -1 is every row.
void list_set_selected(HWND list, int row, bool selected);
// The row with the focus, -1 when none has it.
int list_focused_row(HWND list);
// Gives the row the focus without selecting it.
void list_set_focused_row(HWND list, int row);
