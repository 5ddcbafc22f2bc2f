#include "ui/attachment_box.h"

#include "core/arrays.h"
#include "core/window_number.h"
#include "ui/attachment_line.h"
#include "ui/file_dialogs.h"
#include "ui/resource.h"

namespace {

HWND line_of(HWND window) { return GetDlgItem(window, IDC_ATTACHMENTS); }

}  // namespace

void attachment_command(HWND window, int command) {
    HWND line = line_of(window);
    Array* text = array_new(1024);
    Array* name = array_new(1024);
    GetWindowTextA(line, text->chars, 1024);
    DWORD caret = 0;
    SendMessageA(line, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
    int index = 0;
    if (attachment_at_caret(text->text, static_cast<int>(caret), name, &index) == 0) {
        if (command == CMD_OPEN_ATTACHMENT) {
            open_attachment(window_number(window), name->text, index);
        } else {
            SaveDialog dialog{window, "Save Attachment"};
            SaveChooser chooser = save_dialog_chooser(&dialog);
            save_attachment(window_number(window), name->text, index, &chooser);
        }
    }
    delete_arrays(text, name);
}

bool attachment_box_mouse(HWND window, UINT message) {
    HWND line = line_of(window);
    if (message == WM_LBUTTONDBLCLK) {
        if (GetFocus() != line) return false;
        attachment_command(window, CMD_SAVE_ATTACHMENT);
        return true;
    }
    if (message != WM_RBUTTONUP) return false;
    POINT at;
    GetCursorPos(&at);
    if (WindowFromPoint(at) != line) return false;
    // The click puts the caret on the name the menu is for.
    POINT inside = at;
    ScreenToClient(line, &inside);
    SendMessageA(line, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(inside.x, inside.y));
    SendMessageA(line, WM_LBUTTONUP, 0, MAKELPARAM(inside.x, inside.y));
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_ATTACHMENTS));
    if (menu) {
        TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
        DestroyMenu(menu);
    }
    return true;
}
