// The "Status" windows of transfer jobs: each lives on a thread of its own,
// so Cancel answers while its job is blocked in a socket call and while the
// main window is busy.
#pragma once

#include <windows.h>

#include <cstdio>

// Replaces the platform's stand-ins for status text with the client's
// windows: the status box of a status window and the main window's status
// line. The client installs them at start-up, before its main window.
void install_status_windows(HINSTANCE instance);

// A job's side of its status window, from the job's thread (WindowStatus in
// ui/job_status.h). Opens a window for the calling thread's job, with its
// target (an account index or STATUS_ALL_ACCOUNTS, STATUS_OUTBOX,
// STATUS_TEMP): null when none could be made. The others do nothing to a
// null window.
HWND open_status_window(HWND owner, int target);
void close_status_window(HWND window);
// Cancel closes what is registered: the job's socket (an opaque socket
// number, no_socket: none) and its open file (null: none).
void status_window_hold_socket(HWND window, long long socket);
void status_window_hold_file(HWND window, std::FILE* file);
void status_window_enable_ok(HWND window, bool enabled);
void status_window_enable_skip(HWND window, bool enabled);
// Whether the user cancelled the job of this window. A cancelled job's
// socket has been aborted; the job ends at its next step.
bool status_window_cancelled(HWND window);
// Text at the end of the status box (the main window's status line too).
void status_window_add(HWND window, const char* text);
// The progress bar back to 0 with the given step, and several steps on.
void status_window_progress_reset(HWND window, int step);
void status_window_progress_advance(HWND window, int steps);
// Whether "Skip Server" was pressed, which disables it.
bool status_window_skip_pressed(HWND window);

// Command 920 on the main window's thread: makes the window the request
// (from open_status_window) asks for and waits, bounded, until it exists.
LRESULT create_status_window(LPARAM request);
// Opens a window for the calling thread's job without showing it and
// without a job to cancel (the tray checker's window).
HWND open_hidden_status_window(HWND owner, int target);
// Status windows that exist now.
int open_status_window_count();
