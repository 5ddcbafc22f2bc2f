#include "ui/main_window_input.h"

#include <richedit.h>

#include "client/attachment_job.h"
#include "client/main_window_ids.h"
#include "client/view_state.h"
#include "ui/attachment_box.h"
#include "ui/command_states.h"
#include "ui/mail_commands.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/edit.h"
#include "wingui/list_view.h"
#include "wingui/menus.h"
#include "wingui/tree_view.h"

namespace {

constexpr UINT popup_flags = TPM_LEFTALIGN | TPM_RIGHTBUTTON;

// The "Edit" pop-up of the menu bar, wherever "Colors" put it.
HMENU edit_popup(HWND window) {
    HMENU bar = GetMenu(window);
    for (int i = 0; i < GetMenuItemCount(bar); i++) {
        char title[32] = {};
        GetMenuStringA(bar, static_cast<UINT>(i), title, sizeof title, MF_BYPOSITION);
        if (lstrcmpA(title, "Edit") == 0) return GetSubMenu(bar, i);
    }
    return nullptr;
}

bool preview_menu(HWND window) {
    return show_edit_menu_at_cursor(window, control(window, IDC_PREVIEW), edit_popup(window));
}

// F9 by way of a thread: stopping the extractions waits on their threads,
// which may be sending this window their attachment names.
void show_after_extractions(void* argument) {
    stop_extractions();
    post_command(static_cast<HWND>(argument), CMD_SHOW_IN_PREVIEW);
}

// Controls whose focus leaves no message chosen for the commands: the text
// panes of the window and of its dialogs.
bool takes_message_commands_away(HWND focus) {
    switch (focus ? GetDlgCtrlID(focus) : 0) {
    case 304: case 310: case IDC_SECOND_PANE: case IDC_PREVIEW: case 336: case 1001:
        return true;
    default:
        return false;
    }
}

bool list_notify(HWND window, NMHDR* header) {
    switch (header->code) {
    case NM_CLICK:
        if (list_selected_count(header->hwndFrom) > 0) enable_message_commands(window);
        return true;
    case NM_RCLICK: {
        if (list_selected_count(header->hwndFrom) == 0 || headers_view) return true;
        enable_message_commands(window);
        POINT at;
        GetCursorPos(&at);
        show_popup_menu(window, window_instance(window), IDM_LIST, at, popup_flags);
        return true;
    }
    case NM_DBLCLK:
        start_dialog_thread(show_after_extractions, window);
        return true;
    default:
        return false;
    }
}

}  // namespace

void main_window_key(HWND window, WPARAM key) {
    if (key == VK_RETURN) tree_end_label_edit(control(window, IDC_FOLDER_TREE));
}

bool main_window_mouse(HWND window, UINT message) {
    if (attachment_box_mouse(window, message)) return true;
    return message == WM_RBUTTONUP && preview_menu(window);
}

bool main_window_notify(HWND window, NMHDR* header, LRESULT* result) {
    *result = 0;
    if (header->code == NM_KILLFOCUS && (header->idFrom == IDC_MESSAGE_LIST || header->idFrom == IDC_FOLDER_TREE)) {
        if (takes_message_commands_away(GetFocus())) disable_message_commands(window);
        return false;
    }
    if (header->idFrom == IDC_PREVIEW && header->code == EN_LINK) {
        open_preview_link(window, reinterpret_cast<ENLINK*>(header));
        return true;
    }
    return header->idFrom == IDC_MESSAGE_LIST && list_notify(window, header);
}
