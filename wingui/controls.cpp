#include "wingui/controls.h"

HWND control(HWND window, int id) { return GetDlgItem(window, id); }

int window_text(HWND window, Array* out) {
    array_clear(out);
    if (out->capacity < 1) return 0;
    return GetWindowTextA(window, out->chars, out->capacity);
}

void set_window_text(HWND window, const char* text) {
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

int control_text(HWND window, int id, Array* out) { return window_text(control(window, id), out); }

void set_control_text(HWND window, int id, const char* text) { set_window_text(control(window, id), text); }

void enable_control(HWND window, int id, bool enabled) { EnableWindow(control(window, id), enabled ? TRUE : FALSE); }

void enable_controls(HWND window, std::initializer_list<int> ids, bool enabled) {
    for (int id : ids) enable_control(window, id, enabled);
}

bool control_enabled(HWND window, int id) {
    HWND c = control(window, id);
    return c && IsWindowEnabled(c);
}

void show_control(HWND window, int id, bool shown) { ShowWindow(control(window, id), shown ? SW_SHOW : SW_HIDE); }

void focus_control(HWND window, int id) { SetFocus(control(window, id)); }

void set_control_font(HWND window, int id, HFONT font) {
    SendMessageA(control(window, id), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void place_control(HWND window, int id, int x, int y, int width, int height) {
    MoveWindow(control(window, id), x, y, width < 0 ? 0 : width, height < 0 ? 0 : height, TRUE);
}

HWND create_control(HWND parent, int id, const char* class_name, DWORD style, DWORD extended_style, RECT box) {
    return CreateWindowExA(extended_style, class_name, "", style, box.left, box.top, box.right - box.left,
                           box.bottom - box.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           window_instance(parent), nullptr);
}

LRESULT send_command(HWND window, int command, LPARAM argument) {
    return SendMessageA(window, WM_COMMAND, static_cast<WPARAM>(command), argument);
}

void post_command(HWND window, int command, LPARAM argument) {
    PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(command), argument);
}

HINSTANCE window_instance(HWND window) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
}
