// A top-level window moved to a monitor of another DPI (WM_DPICHANGED), or
// left on one whose scale the user changed: one piece of code for every
// window of the programs.
#pragma once

#include <windows.h>

#include <functional>

// Makes the window follow DPI changes from now on with follow_dpi_change,
// its own procedure seeing WM_DPICHANGED as the `rebuild` step (where it
// makes again what only it knows: image lists, the tray icon). Every dialog
// made by create_dialog does.
void follow_dpi_changes(HWND window);

// The window at `dpi`: its controls' fonts made again at the new size, its
// controls moved and sized in proportion (dialogs from templates) and its
// list views' columns with them, its icons reloaded; then `rebuild`; then
// the window placed on `suggested` (screen pixels) with a WM_SIZE, on which
// a window that lays itself out in code does so at the new DPI, and drawn
// again whole.
void follow_dpi_change(HWND window, int dpi, const RECT& suggested, const std::function<void()>& rebuild = {});

// The program's icon (ZM_IDI_PROGRAM) in the window's title bar and on the
// task bar, at the sizes of `dpi`.
void set_program_icons(HWND window, int dpi);

// A font made at the system DPI (the settings' fonts) on a control of a
// window shown at another DPI: a copy at the window's DPI, which the window
// keeps and deletes; the font itself where the two agree.
void set_display_font(HWND window, int id, HFONT font);
