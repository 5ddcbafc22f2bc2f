// A window's place for a message: its text pane and, once an HTML message
// asks for it, its browser host at the same rectangle; exactly one of them
// is visible. The main window has one, each "Mail Message" window another.
#pragma once

#include <windows.h>

#include <string>

#include "ui/browser_host.h"

struct ViewerPane {
    HWND window = nullptr;
    int pane_id = 0;
    BrowserHost* host = nullptr;
    // The browser failed once in this window: later HTML goes straight to text.
    bool html_failed = false;
};

// Shows the message file with the display steps (`force` a DisplayForce):
// HTML in the browser when it shows a document, else as text with `lead`
// (UTF-8) in front. `status_window` hears about code pages. True when the
// message is on show; a failed display leaves the pane empty and visible.
bool display_message(ViewerPane* pane, const char* path, int force, const std::string& lead, HWND status_window);

// The text pane visible and the browser hidden, as for any text.
void show_pane(ViewerPane* pane);
// Puts the browser host where the pane is (the window's layout moved it).
void place_browser(ViewerPane* pane, int x, int y, int width, int height);
void close_viewer_pane(ViewerPane* pane);
