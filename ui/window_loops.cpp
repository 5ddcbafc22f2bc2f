#include "ui/window_loops.h"

bool forward_to_window(HWND target, MSG* message) {
    if (message->message == WM_KEYDOWN || message->message == WM_LBUTTONDBLCLK) {
        SendMessageA(target, message->message, message->wParam, message->lParam);
    } else if (message->message == WM_RBUTTONUP) {
        if (SendMessageA(target, message->message, message->wParam, message->lParam) == 1) return true;
    }
    return false;
}

void send_to_focus(UINT message) {
    if (HWND focus = GetFocus()) SendMessageA(focus, message, 0, 0);
}

void show_about(HWND window) {
    MessageBoxA(window, "Zenth Mail\r\nVersion 0.1\r\nCopyright (c) 2026 the Zenth Mail developers", "Zenth Mail",
                MB_OK | MB_ICONINFORMATION);
}
