#include <windows.h>

#include <commctrl.h>

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

const UiServices services{win_message_box,       win_status_clear,  win_status_add,
                          win_status_show_start, win_progress_step, win_skip_pressed};
}  // namespace

const UiServices* platform_ui_services() { return &services; }
