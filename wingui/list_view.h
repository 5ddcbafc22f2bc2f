// Report-style list views (the message list): columns, rows with a data
// pointer each, their texts, the selection and sorting.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "core/arrays.h"

struct ListColumn {
    const char* title;
    int width;  // pixels
};

// Appends the columns in order and selects whole rows on a click.
void list_add_columns(HWND list, const ListColumn* columns, int count);

// Inserts a row at `index` with the first column's text and its data;
// returns the row it became, -1 when refused.
int list_insert_row(HWND list, int index, const char* text, void* data);
void list_set_text(HWND list, int row, int column, const char* text);
// The cell's text, cut to what `out` holds; returns its length.
int list_text(HWND list, int row, int column, Array* out);
// The data given to the row; null for no such row.
void* list_row_data(HWND list, int row);

int list_row_count(HWND list);
// Room for this many rows, before a long fill.
void list_reserve_rows(HWND list, int rows);
// The selection walk: the first selected row after `row` (-1: from the
// top), -1 when there is none.
int list_next_selected(HWND list, int row);
int list_selected_count(HWND list);
// Selects and focuses the row and scrolls it into view.
void list_select_row(HWND list, int row);
// A cell's rectangle in the list's client pixels.
RECT list_cell_rect(HWND list, int row, int column);

// Drawing off while many rows change, on again afterwards.
void list_set_redraw(HWND list, bool on);
void list_redraw_rows(HWND list, int first, int last);
void list_scroll(HWND list, int dx, int dy);

bool list_delete_row(HWND list, int row);
void list_delete_all(HWND list);

// Sorts the rows by comparing their data: negative, zero or positive as
// `first` belongs before, with or after `second`.
using ListCompare = int (*)(void* first, void* second, void* context);
void list_sort(HWND list, ListCompare compare, void* context);
