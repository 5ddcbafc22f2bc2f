#include "ui/print_window.h"

#include <richedit.h>

#include <atomic>

#include "core/threads.h"
#include "wingui/dialogs.h"

namespace {

std::atomic<HWND> control_window{nullptr};

struct Start {
    HWND main_window;
    HANDLE ready;
};

LRESULT CALLBACK print_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        auto* start = static_cast<Start*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        HWND control = CreateWindowExW(0, L"RichEdit20W", L"",
                                       WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                           ES_WANTRETURN | ES_DISABLENOSCROLL,
                                       0, 0, 550, dialog_units_y(start->main_window, 275), window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PRINT_CONTROL)),
                                       GetModuleHandleW(nullptr), nullptr);
        control_window = control;
        return control ? 0 : -1;
    }
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

void print_thread(void* argument) {
    auto* start = static_cast<Start*>(argument);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW kind{};
    kind.style = CS_HREDRAW;
    kind.lpfnWndProc = print_window_procedure;
    kind.hInstance = instance;
    kind.lpszClassName = L"ZMPrintEdit";
    RegisterClassW(&kind);
    CreateWindowExW(0, L"ZMPrintEdit", L"", 0, 0, 0, dialog_units_x(start->main_window, 400),
                    dialog_units_y(start->main_window, 300), nullptr, nullptr, instance, start);
    SetEvent(start->ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

bool start_print_window(HWND main_window) {
    // The record lives as long as the program: the thread keeps it.
    auto* start = new Start{main_window, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    if (start_thread(print_thread, start) == -1) return false;
    wait_answering(start->ready, 10000);
    return true;
}

HWND print_control() { return control_window.load(); }
