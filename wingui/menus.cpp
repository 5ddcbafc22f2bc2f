#include "wingui/menus.h"

#include "wingui/edit.h"

void enable_menu_item(HMENU menu, int id, bool enabled) {
    EnableMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void enable_menu_items(HMENU menu, std::initializer_list<int> ids, bool enabled) {
    for (int id : ids) enable_menu_item(menu, id, enabled);
}

void check_menu_item(HMENU menu, int id, bool checked) {
    CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void check_menu_items(HMENU menu, std::initializer_list<int> ids, bool checked) {
    for (int id : ids) check_menu_item(menu, id, checked);
}

namespace {

// All ones when there is no such item.
UINT item_state(HMENU menu, int id) { return GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND); }

}  // namespace

bool menu_item_checked(HMENU menu, int id) {
    UINT state = item_state(menu, id);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED);
}

bool menu_item_enabled(HMENU menu, int id) {
    UINT state = item_state(menu, id);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void show_popup_menu(HWND owner, HINSTANCE instance, int resource, POINT at, UINT flags) {
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(resource));
    if (!menu) return;
    show_menu_at(owner, GetSubMenu(menu, 0), at, flags);
    DestroyMenu(menu);
}

void show_menu_at(HWND owner, HMENU popup, POINT at, UINT flags) {
    if (popup) TrackPopupMenu(popup, flags, at.x, at.y, 0, owner, nullptr);
}

bool show_edit_menu_at_cursor(HWND owner, HWND edit, HMENU popup) {
    POINT at;
    GetCursorPos(&at);
    if (WindowFromPoint(at) != edit) return false;
    if (GetFocus() != edit) {
        POINT inside = at;
        ScreenToClient(edit, &inside);
        edit_click_at(edit, inside);
    }
    show_menu_at(owner, popup, at, TPM_LEFTALIGN | TPM_RIGHTBUTTON);
    return true;
}

HMENU new_popup_menu() { return CreatePopupMenu(); }

void append_menu_item(HMENU popup, int id, const char* text) {
    AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(id), text);
}

bool insert_popup_menu(HMENU bar, int position, HMENU popup, const char* title) {
    return InsertMenuA(bar, static_cast<UINT>(position), MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                       title) != 0;
}

void redraw_menu_bar(HWND window) { DrawMenuBar(window); }
