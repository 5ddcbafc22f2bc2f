// Tree views (the folder tree): items with a label, images and a data
// pointer, the walk between them, the selection.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "core/arrays.h"

// Appends an item below `parent` (null: at the top level), shown without a
// "+" until tree_set_has_children. Returns the new item, null when refused.
HTREEITEM tree_insert(HWND tree, HTREEITEM parent, const char* label, int image, int selected_image,
                      void* data = nullptr);
// The item shows a "+" before its children are inserted.
void tree_set_has_children(HWND tree, HTREEITEM item);
// The item's label, cut to what `out` holds; returns its length.
int tree_text(HWND tree, HTREEITEM item, Array* out);
void* tree_item_data(HWND tree, HTREEITEM item);

// Null when there is none.
HTREEITEM tree_root(HWND tree);
HTREEITEM tree_parent(HWND tree, HTREEITEM item);
HTREEITEM tree_first_child(HWND tree, HTREEITEM item);
HTREEITEM tree_next_sibling(HWND tree, HTREEITEM item);
HTREEITEM tree_selection(HWND tree);

void tree_select(HWND tree, HTREEITEM item);
// Ends a label edit in progress, keeping the typed text (as Enter would).
void tree_end_label_edit(HWND tree);
void tree_expand(HWND tree, HTREEITEM item);
void tree_delete(HWND tree, HTREEITEM item);
// The tree's images; the list it had before is destroyed.
void tree_set_images(HWND tree, HIMAGELIST images);
// How far each level is indented, in pixels.
void tree_set_indent(HWND tree, int pixels);
