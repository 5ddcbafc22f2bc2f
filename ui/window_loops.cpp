#include "ui/window_loops.h"

#include "zm_version.h"

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
    MessageBoxA(window, ZM_PRODUCT_NAME "\r\nVersion " ZM_VERSION_TEXT "\r\n" ZM_COPYRIGHT, "Zenth Mail",
                MB_OK | MB_ICONINFORMATION);
}
