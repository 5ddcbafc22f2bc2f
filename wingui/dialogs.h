// Dialog windows: their state record, placement, the one message loop every
// modeless dialog of the client runs, and dialogs on threads of their own.
#pragma once

#include <windows.h>

#include "core/threads.h"

// A modeless dialog from resource `resource`; `state` arrives with
// WM_INITDIALOG, where take_dialog_state keeps it. Null when it could not
// be made.
HWND create_dialog(HINSTANCE instance, int resource, HWND owner, DLGPROC procedure, void* state);

// Each dialog keeps one record of its own; WM_INITDIALOG hands it over and
// every later message finds it again (null before WM_INITDIALOG).
void set_dialog_state(HWND dialog, void* state);
void* dialog_state_pointer(HWND dialog);
template <class T>
T* dialog_state(HWND dialog) {
    return static_cast<T*>(dialog_state_pointer(dialog));
}
template <class T>
T* take_dialog_state(HWND dialog, LPARAM init_parameter) {
    set_dialog_state(dialog, reinterpret_cast<void*>(init_parameter));
    return dialog_state<T>(dialog);
}

// The answer of a dialog procedure to a message that has one (WM_NOTIFY,
// the private commands).
void set_dialog_result(HWND dialog, LRESULT result);

// Dialog units of the window's font, in pixels at the window's DPI (after a
// change of DPI too, where the font the dialog was made with stays).
int dialog_units_x(HWND dialog, int units);
int dialog_units_y(HWND dialog, int units);

void centre_on_screen(HWND window);
void centre_on_owner(HWND window, HWND owner);
// Repaints the window and all its children at once.
void redraw_whole(HWND window);
// The window to the front, where the user works with it next.
void bring_to_front(HWND window);

// The message loop of a thread that runs a dialog: keyboard navigation of
// the dialog, then its accelerators. Ends at WM_QUIT, or as soon as `done`
// is set by the dialog's procedure.
struct DialogLoop {
    HWND dialog = nullptr;
    HACCEL accelerators = nullptr;
    // Sees every message first; true when it has dealt with it.
    bool (*before)(HWND dialog, MSG* message) = nullptr;
    const bool* done = nullptr;
};
void run_dialog_loop(const DialogLoop& loop);

// A dialog modal to `owner`, run on the calling thread: the owner takes no
// input until the procedure sets `done`, and comes to the front again
// after. Nothing happens when the dialog cannot be made.
void run_owned_dialog(HWND owner, int resource, DLGPROC procedure, void* state, const bool* done);
// Ends such a dialog. Its owner takes input again before the dialog goes,
// so that it, not another program, becomes the active window.
void close_owned_dialog(HWND dialog);

// Starts `body` on a thread of its own: a dialog that must answer while the
// calling window waits, or the worker of a window's command. When no thread
// can start the user is told "Could not start thread." and the answer is
// false; the caller then only releases what it had prepared.
bool start_dialog_thread(ThreadFunction body, void* argument);

// Waits for `handle` at most `milliseconds`, answering the messages other
// threads send this one meanwhile (a thread making a child window of this
// thread's window sends it some). False when the time ran out.
bool wait_answering(HANDLE handle, DWORD milliseconds);
