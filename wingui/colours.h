// Colours of controls that keep their own (list views, tree views, rich
// edit panes), the brushes and device-context colours of the control-colour
// messages, and repainting.
#pragma once

#include <windows.h>

// Background, text and text background of a list view's rows.
void list_set_colours(HWND list, COLORREF back, COLORREF text, COLORREF text_back);
// Background and text of a tree view.
void tree_set_colours(HWND tree, COLORREF back, COLORREF text);
void rich_edit_set_background(HWND rich, COLORREF back);
// Where a rich edit control keeps the background it was given.
constexpr const wchar_t* rich_background_property = L"ZenthRichBack";
// The colour of all the text the control holds, and of what is typed next.
void rich_edit_set_text_colour(HWND rich, COLORREF text);
// What a control-colour message's device context paints text with.
void set_text_colours(HDC dc, COLORREF text, COLORREF back);
// The window and all its children painted afresh, backgrounds included.
void repaint_window(HWND window);
