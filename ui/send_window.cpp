#include "ui/send_window.h"

#include <shellapi.h>

#include <cstdint>
#include <string>

#include "client/main_window_ids.h"
#include "client/settings_platform_win32.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/quit.h"
#include "core/settings.h"
#include "core/ui_services.h"
#include "format/encryption.h"
#include "ui/colours.h"
#include "ui/picker_bridge.h"
#include "ui/send_commands.h"
#include "ui/send_window_ids.h"
#include "ui/window_loops.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/dpi.h"
#include "wingui/dpi_change.h"
#include "wingui/edit.h"
#include "wingui/list_box.h"
#include "wingui/menus.h"

namespace {

constexpr DWORD open_bound_ms = 10000;

struct Opening {
    HWND main_window;
    HANDLE ready;
    std::string to;  // UTF-8, filled in before the window is shown
    std::atomic<uintptr_t> handle{0};
};

uint32_t* slot_at(int i) { return static_cast<uint32_t*>(array_element(app.compose_windows, i)); }

int take_free_slot(HWND window) {
    for (int i = 0; i < 100; i++) {
        if (*slot_at(i) == 0) {
            *slot_at(i) = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
            return i;
        }
    }
    return -1;
}

void lay_out(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int w = client.right, h = client.bottom;
    const int gap = dialog_units_x(window, 6), line = dialog_units_y(window, 12);
    // "Attachments:" takes 47 units of the dialog font; 44 cut its colon.
    const int button_h = dialog_units_y(window, 16), label_w = dialog_units_x(window, 48);
    const int top = dialog_units_y(window, 88);
    const int button_y = h - button_h - dialog_units_y(window, 4);
    const int line_y = button_y - line - dialog_units_y(window, 6);
    const int right = label_w + gap, nudge = scaled_for(window, 2);
    place_control(window, IDC_SEND_EDITOR, gap, top, w - 2 * gap, line_y - gap - top);
    place_control(window, IDC_SEND_ATTACHMENTS_LABEL, gap, line_y + nudge, label_w, line);
    place_control(window, IDC_SEND_ATTACHMENTS, right, line_y, w - right - gap, line);
    place_control(window, IDC_SEND_BUTTON, gap, button_y, dialog_units_x(window, 60), button_h);
    const int status_x = gap + dialog_units_x(window, 66);
    place_control(window, IDC_STATUS, status_x, button_y + nudge, w - status_x - gap, line);
    for (int id : {IDC_SEND_FROM, IDC_SEND_TO, IDC_SEND_SUBJECT}) {
        RECT box;
        GetWindowRect(control(window, id), &box);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        place_control(window, id, box.left, box.top, w - box.left - gap, box.bottom - box.top);
    }
    redraw_whole(window);
}

void paint_indicator(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (menu_item_checked(GetMenu(window), SEND_ENCRYPT)) {
        HBITMAP bitmap = LoadBitmapA(window_instance(window), MAKEINTRESOURCEA(IDB_ENCRYPTED));
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, bitmap);
        RECT client;
        GetClientRect(window, &client);
        // A bitmap of 16 pixels at 96 dpi, stretched to the window's DPI.
        const int size = scaled_for(window, 16);
        StretchBlt(dc, client.right - dialog_units_x(window, 6) - size, dialog_units_y(window, 6), size, size, memory,
                   0, 0, 16, 16, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        DeleteObject(bitmap);
    }
    EndPaint(window, &paint);
}

void set_up(HWND window, SendWindow* state, const std::string& to) {
    // The editor: a rich edit made here, as no template can name its class
    // before its library is loaded.
    create_control(window, IDC_SEND_EDITOR, "RichEdit20W",
                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                   WS_EX_CLIENTEDGE, RECT{0, 0, 100, 100});
    SetWindowPos(control(window, IDC_SEND_EDITOR), control(window, IDC_SEND_SUBJECT), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    set_display_font(window, IDC_STATUS, settings_default_font());
    set_display_font(window, IDC_SEND_EDITOR, settings_font(MESSAGE_FONT));
    colour_send_window(window);
    HMENU menu = GetMenu(window);
    bool key = message_key_loaded();
    check_menu_item(menu, SEND_ENCRYPT, key && setting_on(SETTING_AUTO_ENCRYPT));
    enable_menu_item(menu, SEND_ENCRYPT, key);
    check_menu_item(menu, SEND_SAVE_SENT, setting_on(SETTING_SAVE_SENT));
    check_menu_item(menu, SEND_USE_BCC, setting_on(SETTING_BCC));
    centre_on_screen(window);
    array_printf(app.compose_attach_folder, "%.260s\\user", app.program_folder->text);
    array_printf(app.compose_save_folder, "%.260s\\user", app.program_folder->text);
    edit_limit(window, IDC_SEND_SERVER, 99);
    edit_limit(window, IDC_SEND_FROM, 99);
    edit_limit(window, IDC_SEND_SUBJECT, 99);
    edit_limit(window, IDC_SEND_TO, 12631);
    // Filled here, not by the caller once the window shows: whoever looks at
    // a shown window (a person, a screen reader) finds the address there.
    if (!to.empty()) set_control_text(window, IDC_SEND_TO, to.c_str());
    HWND accounts = control(window, IDC_SEND_ACCOUNT);
    for (int i = 0; i < account_count(); i++) combo_add(accounts, account_field(i, ACCOUNT_NAME));
    if (account_count() > 0 && !no_default_account()) {
        combo_select(accounts, 0);
        if (account_field(0, ACCOUNT_NAME)[0] != '!') choose_send_account(window, 0);
    }
    rich_edit_detect_urls(control(window, IDC_SEND_EDITOR));
    DragAcceptFiles(window, TRUE);
    set_send_title(state);
    lay_out(window);
    ShowWindow(window, SW_SHOW);
}

void ask_to_close(HWND window, SendWindow* state) {
    if (ui_message_box(window, "If you close this window you will lose any unsaved data. Continue?", "Zenth Mail",
                       UI_YESNO | UI_ICON_QUESTION) == UI_ANSWER_YES)
        state->done = true;
}

INT_PTR CALLBACK send_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    SendWindow* state = dialog_state<SendWindow>(window);
    switch (message) {
    case WM_INITDIALOG:
        take_dialog_state<SendWindow>(window, lparam)->window = window;
        return TRUE;
    case WM_COMMAND:
        if (!state) return FALSE;
        if (LOWORD(wparam) == IDC_SEND_ACCOUNT && HIWORD(wparam) == CBN_SELCHANGE) {
            choose_send_account(window, combo_selection(control(window, IDC_SEND_ACCOUNT)));
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == SEND_EXIT) {
            ask_to_close(window, state);
            return TRUE;
        }
        if (HIWORD(wparam) == 0 || HIWORD(wparam) == 1 || LOWORD(wparam) == IDC_SEND_BUTTON)
            return send_command_run(window, state, LOWORD(wparam), lparam) ? TRUE : FALSE;
        return FALSE;
    case WM_CLOSE:
        if (state) ask_to_close(window, state);
        return TRUE;
    case WM_SIZE:
        if (state) lay_out(window);
        return TRUE;
    case WM_PAINT:
        paint_indicator(window);
        return TRUE;
    case WM_DPICHANGED:
        // The editor's font at the new DPI (follow_dpi_change) may have
        // reset its colours.
        colour_send_window(window);
        return TRUE;
    case WM_NOTIFY:
        if (state && reinterpret_cast<NMHDR*>(lparam)->code == EN_LINK) {
            open_editor_link(window, reinterpret_cast<ENLINK*>(lparam));
            return TRUE;
        }
        return FALSE;
    case WM_DROPFILES:
        DragFinish(reinterpret_cast<HDROP>(wparam));
        if (state) send_command_run(window, state, SEND_OPEN, 0);
        return TRUE;
    case WM_RBUTTONUP:
        if (state && editor_menu(window)) {
            SetWindowLongPtrA(window, DWLP_MSGRESULT, 1);
            return TRUE;
        }
        return FALSE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
        if (HBRUSH brush = control_colour(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam)))
            return reinterpret_cast<INT_PTR>(brush);
        return FALSE;
    default:
        return FALSE;
    }
}

// Tab in the editor is a character of the text, not a move to the next field.
bool before_dialog(HWND window, MSG* message) {
    if (message->message == WM_KEYDOWN && message->wParam == VK_TAB &&
        message->hwnd == control(window, IDC_SEND_EDITOR) && GetKeyState(VK_CONTROL) >= 0) {
        edit_append(message->hwnd, "\t");
        return true;
    }
    return forward_to_window(window, message);
}

void run_send_window(void* argument) {
    auto* opening = static_cast<Opening*>(argument);
    auto* state = new SendWindow;
    state->main_window = opening->main_window;
    HINSTANCE instance = window_instance(opening->main_window);
    HWND window = create_dialog(instance, IDD_SEND, nullptr, send_procedure, state);
    if (window) state->slot = take_free_slot(window);
    if (!window || state->slot < 0) {
        if (window) {
            DestroyWindow(window);
            show_message("Reached maximum window count!");
        }
        SetEvent(opening->ready);
        delete state;
        return;
    }
    launch_picker(window);
    set_up(window, state, opening->to);
    // The caller gets a window whose controls all exist (it may fill them).
    opening->handle = reinterpret_cast<uintptr_t>(window);
    SetEvent(opening->ready);

    DialogLoop loop;
    loop.dialog = window;
    loop.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_COMPOSE));
    loop.before = before_dialog;
    loop.done = &state->done;
    run_dialog_loop(loop);

    end_picker(window);
    DestroyWindow(window);
    *slot_at(state->slot) = 0;
    // A send still running keeps its own copy of the message; the client
    // started for a mailto address waits for it before it ends.
    while (state->sends_running.load() > 0) Sleep(100);
    delete state;
    if (app.mailto_mode.load()) request_quit();
}

}  // namespace

SendWindow* send_window_of(HWND window) {
    wchar_t kind[16] = {};
    GetClassNameW(window, kind, 16);
    if (lstrcmpW(kind, L"#32770") != 0 || !GetDlgItem(window, IDC_SEND_BUTTON)) return nullptr;
    return dialog_state<SendWindow>(window);
}

LRESULT open_send_window(HWND main_window, LPARAM argument) {
    auto* opening = new Opening{main_window, CreateEventW(nullptr, TRUE, FALSE, nullptr),
                                argument ? reinterpret_cast<const char*>(argument) : ""};
    if (!start_dialog_thread(run_send_window, opening)) {
        CloseHandle(opening->ready);
        delete opening;
        return 0;
    }
    // Bounded: a window thread that never reports must not hold the main
    // window. The record then stays, as the thread may still use it.
    if (!wait_answering(opening->ready, open_bound_ms)) return 0;
    LRESULT handle = static_cast<LRESULT>(opening->handle.load());
    CloseHandle(opening->ready);
    delete opening;
    return handle;
}

