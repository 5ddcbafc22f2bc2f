// The folder tree of the main window (tree view 347).
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "core/arrays.h"

// The folder images of the tree (bitmap 2200 with mask 2300) and its indent,
// at the window's DPI; again after a change of DPI.
void setup_folder_images(HWND window);
// Fills the tree from the store root, appends "E-mail Headers" and opens the
// first folder (or "temp" when a message file came on the command line).
void build_folder_tree(HWND window);
// The item's relative path: its label (or `replacement`) below the labels of
// its ancestors, joined with backslashes.
void folder_item_path(HWND tree, HTREEITEM item, const char* replacement, Array* out);
// Shows the folder: sets the view flags and current_folder.
void open_folder(HWND window, const char* relative_path);
// Appends a top-level folder item (a search's result folder) at the end of
// the tree; `select` opens it.
void add_folder_item(HWND window, const char* label, bool select);
// Handles the tree's notifications; returns true when it set a result.
bool folder_tree_notify(HWND window, NMHDR* header, LRESULT* result);
