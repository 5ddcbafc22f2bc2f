#include "ui/attachment_box.h"

#include "client/attachment_line.h"
#include "client/main_window_ids.h"
#include "core/arrays.h"
#include "core/window_number.h"
#include "ui/file_dialogs.h"
#include "wingui/controls.h"
#include "wingui/edit.h"
#include "wingui/menus.h"

namespace {

HWND line_of(HWND window) { return control(window, IDC_ATTACHMENTS); }

}  // namespace

void attachment_command(HWND window, int command) {
    HWND line = line_of(window);
    // The whole line, however many names it holds.
    int length = GetWindowTextLengthA(line) + 1;
    Array* text = array_new(length);
    Array* name = array_new(length);
    window_text(line, text);
    int index = 0;
    if (attachment_at_caret(text->text, edit_caret(line), name, &index) == 0) {
        if (command == CMD_OPEN_ATTACHMENT) {
            open_attachment(window_number(window), name->text, index);
        } else {
            SaveDialog dialog{window, DIALOG_SAVE_ATTACHMENT};
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
    edit_click_at(line, inside);
    show_popup_menu(window, window_instance(window), IDM_ATTACHMENTS, at, TPM_LEFTALIGN | TPM_RIGHTBUTTON);
    return true;
}
