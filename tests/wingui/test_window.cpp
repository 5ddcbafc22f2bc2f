#include "tests/wingui/test_window.h"

#include <commctrl.h>

#include <string>

#include "wingui/dialogs.h"

namespace {

void load_libraries() {
    static bool loaded = false;
    if (loaded) return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    LoadLibraryA("RICHED20.DLL");
    loaded = true;
}

}  // namespace

INT_PTR CALLBACK test_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* state = take_dialog_state<TestState>(dialog, lparam);
        state->procedure_thread = GetCurrentThreadId();
        return TRUE;
    }
    case WM_COMMAND: {
        auto* state = dialog_state<TestState>(dialog);
        // Only commands: the controls' own notifications come with their
        // window as the parameter.
        if (!state || (lparam && IsChild(dialog, reinterpret_cast<HWND>(lparam)))) return FALSE;
        state->commands++;
        state->last_command = LOWORD(wparam);
        state->last_argument = lparam;
        if (LOWORD(wparam) == CMD_THIRD) state->done = true;
        set_dialog_result(dialog, lparam * 2);
        return TRUE;
    }
    case WM_NOTIFY: {
        auto* state = dialog_state<TestState>(dialog);
        auto* header = reinterpret_cast<NMHDR*>(lparam);
        LRESULT result = 0;
        if (!state || !state->virtual_rows || header->idFrom != IDC_VIRTUAL_LIST ||
            !virtual_list_notify(header, *state->virtual_rows, &result))
            return FALSE;
        set_dialog_result(dialog, result);
        return TRUE;
    }
    case WM_RBUTTONUP:
        if (auto* state = dialog_state<TestState>(dialog)) state->right_clicks++;
        return TRUE;
    case WM_INITMENUPOPUP:
        if (auto* state = dialog_state<TestState>(dialog))
            state->popup_first_item = static_cast<int>(GetMenuItemID(reinterpret_cast<HMENU>(wparam), 0));
        EndMenu();
        return TRUE;
    default:
        return FALSE;
    }
}

void WindowTest::SetUp() {
    load_libraries();
    dialog = create_dialog(GetModuleHandleA(nullptr), IDD_TEST, nullptr, test_procedure, &state);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    pump();
}

void WindowTest::TearDown() {
    if (dialog) DestroyWindow(dialog);
    pump();
}

void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string raw_text(HWND window) {
    char text[4096] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}
