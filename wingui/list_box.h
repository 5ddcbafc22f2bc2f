// List boxes (the folder choice of "Copy File" and "Move File") and combo
// boxes (the account box).
#pragma once

#include <windows.h>

#include "core/arrays.h"

// Appends the text; returns its index, -1 when refused.
int list_box_add(HWND box, const char* text);
int list_box_count(HWND box);
// The selected entry, -1 when none is.
int list_box_selection(HWND box);
void list_box_select(HWND box, int index);
// Inserts the text at `index` (-1: at the end); returns its index, -1 when
// refused.
int list_box_insert(HWND box, int index, const char* text);
void list_box_delete(HWND box, int index);
// The entry's text when it fits into `out` whole; otherwise `out` stays
// empty and the answer is -1.
int list_box_text(HWND box, int index, Array* out);

int combo_add(HWND box, const char* text);
int combo_count(HWND box);
// The chosen entry, -1 when none is.
int combo_selection(HWND box);
void combo_select(HWND box, int index);
// As list_box_text.
int combo_text(HWND box, int index, Array* out);
void combo_clear(HWND box);
