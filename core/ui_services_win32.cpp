#include <windows.h>

#include <commctrl.h>

#include <atomic>

#include "core/ui_services.h"

namespace {
constexpr int status_control = 213;

int win_message_box(WindowRef owner, const char* text, const char* caption, unsigned style) {
    return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

HWND status_box(WindowRef window) { return GetDlgItem(static_cast<HWND>(window), status_control); }

void win_status_clear(WindowRef window) { SendMessageA(status_box(window), WM_SETTEXT, 0, (LPARAM) ""); }

void win_status_add(WindowRef window, const char* text) {
    HWND box = status_box(window);
    SendMessageA(box, EM_SETSEL, (WPARAM)-1, 0);
    SendMessageA(box, EM_REPLACESEL, 0, (LPARAM)text);
    SendMessageA(box, EM_SCROLLCARET, 0, 0);
}

void win_status_show_start(WindowRef window) {
    HWND box = status_box(window);
    SendMessageA(box, EM_SETSEL, 0, 0);
    SendMessageA(box, EM_SCROLLCARET, 0, 0);
}

void win_progress_step(WindowRef window) {
    SendMessageA(GetDlgItem(static_cast<HWND>(window), 1301), PBM_STEPIT, 0, 0);
}

bool win_skip_pressed(WindowRef window) {
    HWND skip = GetDlgItem(static_cast<HWND>(window), 1402);
    return skip && !IsWindowEnabled(skip);
}

std::atomic<HWND> main_window_for_jobs{nullptr};

// Without the client's status windows (in tools and tests) a job runs
// without one and its text goes to the log.
WindowRef no_status_window(WindowRef, int) { return nullptr; }
bool never_cancelled(WindowRef) { return false; }
void no_window_action(WindowRef) {}
void no_socket(WindowRef, long long) {}
void no_file(WindowRef, void*) {}
void no_switch(WindowRef, bool) {}

void win_progress_reset(WindowRef window, int step) {
    HWND bar = GetDlgItem(static_cast<HWND>(window), 1301);
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    SendMessageA(bar, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

int win_main_command(int command, const char* argument) {
    HWND window = main_window_for_jobs.load();
    if (!window) return 0;
    return static_cast<int>(
        SendMessageA(window, WM_COMMAND, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(argument)));
}

const UiServices services{win_message_box,  win_status_clear,   win_status_add, win_status_show_start,
                          win_progress_step, win_skip_pressed,   no_status_window, no_window_action,
                          no_socket,         no_file,            no_switch,        no_switch,
                          win_progress_reset, win_main_command, never_cancelled,  nullptr};
}  // namespace

const UiServices* platform_ui_services() { return &services; }

void ui_services_set_main_window(WindowRef window) { main_window_for_jobs.store(static_cast<HWND>(window)); }
