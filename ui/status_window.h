// The "Status" windows of transfer jobs: each lives on a thread of its own,
// so Cancel answers while its job is blocked in a socket call and while the
// main window is busy.
#pragma once

#include <windows.h>

// Replaces the platform's stand-ins with the client's windows: status
// windows, the status text, progress bar and "Skip Server" button they hold
// (and the main window's status line), and the main window's commands for
// jobs. The client installs them at start-up, before its main window.
void install_status_windows(HINSTANCE instance);
// Command 920 on the main window's thread: makes the window the request
// (from open_status_window) asks for and waits, bounded, until it exists.
LRESULT create_status_window(LPARAM request);
// Opens a window for the calling thread's job without showing it and
// without a job to cancel (the tray checker's window).
HWND open_hidden_status_window(HWND owner, int target);
// Status windows that exist now.
int open_status_window_count();
