#include "wingui/dialogs.h"

#include "core/ui_services.h"
#include "wingui/controls.h"
#include "wingui/dpi.h"
#include "wingui/dpi_change.h"

HWND create_dialog(HINSTANCE instance, int resource, HWND owner, DLGPROC procedure, void* state) {
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(resource), owner, procedure,
                                     reinterpret_cast<LPARAM>(state));
    if (!dialog) return dialog;
    note_window_dpi(dialog);
    follow_dpi_changes(dialog);
    // A program's own window shows the program's icon in its title bar and
    // on the task bar.
    if (!owner) set_program_icons(dialog, window_dpi(dialog));
    return dialog;
}

void set_dialog_state(HWND dialog, void* state) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
}

void* dialog_state_pointer(HWND dialog) { return reinterpret_cast<void*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

void set_dialog_result(HWND dialog, LRESULT result) { SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result); }

int dialog_units_x(HWND dialog, int units) {
    RECT r{0, 0, units, 0};
    MapDialogRect(dialog, &r);
    return at_window_dpi(dialog, r.right);
}

int dialog_units_y(HWND dialog, int units) {
    RECT r{0, 0, 0, units};
    MapDialogRect(dialog, &r);
    return at_window_dpi(dialog, r.bottom);
}

void redraw_whole(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void bring_to_front(HWND window) { SetForegroundWindow(window); }

namespace {

void centre_in(HWND window, RECT area) {
    RECT r;
    GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    MoveWindow(window, area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2,
               width, height, TRUE);
}

}  // namespace

void centre_on_screen(HWND window) {
    centre_in(window, RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

void centre_on_owner(HWND window, HWND owner) {
    RECT area;
    if (!owner || !GetWindowRect(owner, &area)) return centre_on_screen(window);
    centre_in(window, area);
}

void run_dialog_loop(const DialogLoop& loop) {
    MSG message;
    while (!(loop.done && *loop.done) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (loop.before && loop.before(loop.dialog, &message)) continue;
        if (IsDialogMessageA(loop.dialog, &message)) {
            if (loop.accelerators) TranslateAcceleratorA(loop.dialog, loop.accelerators, &message);
        } else {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

bool start_dialog_thread(ThreadFunction body, void* argument) {
    if (start_thread(body, argument) != -1) return true;
    show_message("Could not start thread.");
    return false;
}

bool wait_answering(HANDLE handle, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= milliseconds) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        DWORD got = MsgWaitForMultipleObjects(1, &handle, FALSE, milliseconds - spent, QS_SENDMESSAGE);
        if (got == WAIT_OBJECT_0) return true;
        if (got != WAIT_OBJECT_0 + 1) return false;
        // Only the messages sent from other threads: nothing of this
        // thread's own queue runs inside the wait.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void run_owned_dialog(HWND owner, int resource, DLGPROC procedure, void* state, const bool* done) {
    HWND dialog = create_dialog(window_instance(owner), resource, owner, procedure, state);
    if (!dialog) return;
    EnableWindow(owner, FALSE);
    centre_on_owner(dialog, owner);
    ShowWindow(dialog, SW_SHOW);
    run_dialog_loop(DialogLoop{dialog, nullptr, nullptr, done});
    EnableWindow(owner, TRUE);
    if (IsWindow(owner)) bring_to_front(owner);
}

void close_owned_dialog(HWND dialog) {
    EnableWindow(GetWindow(dialog, GW_OWNER), TRUE);
    DestroyWindow(dialog);
}
