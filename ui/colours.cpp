#include "ui/colours.h"

#include <atomic>
#include <cstdint>

#include "client/main_window_ids.h"
#include "core/app_state.h"
#include "ui/main_window_handle.h"
#include "wingui/colours.h"
#include "wingui/controls.h"
#include "wingui/menus.h"

namespace {

// The send window's editor.
constexpr int send_window_editor = 208;

// The slots that have brushes, in the order of ColourSet::brushes.
constexpr int brush_slots[4] = {SLOT_DIALOG_BRUSH, SLOT_STATIC_BRUSH, SLOT_EDIT_BRUSH, SLOT_LIST_BRUSH};
enum { DIALOG_BRUSH, STATIC_BRUSH, EDIT_BRUSH, LIST_BRUSH };

struct ColourSet {
    COLORREF slots[colour_slot_count] = {};
    bool system_default = true;
    HBRUSH brushes[4] = {};
};

std::atomic<ColourSet*> in_force{nullptr};
// Touched by the interface thread only.
ColourSet* replaced = nullptr;
std::atomic<int> highest_command{0};

void release(ColourSet* set) {
    if (!set) return;
    for (HBRUSH brush : set->brushes)
        if (brush) DeleteObject(brush);
    delete set;
}

COLORREF to_colorref(Rgb c) { return RGB(c.red, c.green, c.blue); }

Rgb to_rgb(COLORREF c) {
    return Rgb{static_cast<unsigned char>(GetRValue(c)), static_cast<unsigned char>(GetGValue(c)),
               static_cast<unsigned char>(GetBValue(c))};
}

void add_scheme_item(void* popup, const char* name, int command) {
    append_menu_item(static_cast<HMENU>(popup), command, name);
}

// The set in force, or the system colours before any was loaded.
ColourSet fallback() {
    ColourSet set;
    for (COLORREF& c : set.slots) c = GetSysColor(COLOR_WINDOW);
    return set;
}

}  // namespace

void load_colour_scheme() {
    SystemColours system{to_rgb(GetSysColor(COLOR_WINDOW)), to_rgb(GetSysColor(COLOR_BTNFACE)),
                         to_rgb(GetSysColor(COLOR_WINDOWTEXT))};
    auto* set = new ColourSet;
    set->system_default = load_colours(app.colour_table, system);
    for (int slot = 0; slot < colour_slot_count; slot++) set->slots[slot] = to_colorref(colour_at(app.colour_table, slot));
    for (int i = 0; i < 4; i++) set->brushes[i] = CreateSolidBrush(set->slots[brush_slots[i]]);
    ColourSet* previous = in_force.exchange(set);
    release(replaced);
    replaced = previous;
}

void build_colour_menu(HWND window) {
    HMENU popup = new_popup_menu();
    highest_command = list_schemes(add_scheme_item, popup);
    append_menu_item(popup, CMD_SYSTEM_COLOURS, "System Default");
    insert_popup_menu(GetMenu(window), 2, popup, "Colors");
    redraw_menu_bar(window);
}

int highest_scheme_command() { return highest_command.load(); }

bool colour_command(HWND window, int command) {
    if (command == CMD_SYSTEM_COLOURS) {
        choose_system_default();
    } else if (command >= first_scheme_command && command <= highest_command.load()) {
        choose_scheme(command, highest_command.load());
    } else {
        return false;
    }
    apply_colours(window);
    return true;
}

void apply_colours(HWND main_window) {
    load_colour_scheme();
    for (int i = 0; i < 100; i++) {
        uint32_t handle = app.compose_windows->words[i];
        if (handle) colour_send_window(reinterpret_cast<HWND>(static_cast<uintptr_t>(handle)));
    }
    recolour_main_window(main_window);
}

void recolour_main_window(HWND window) {
    rich_edit_set_background(control(window, IDC_PREVIEW), colour_slot(SLOT_PANE_BACK));
    rich_edit_set_background(control(window, IDC_SECOND_PANE), colour_slot(SLOT_PANE_BACK));
    list_set_colours(control(window, IDC_MESSAGE_LIST), colour_slot(SLOT_LIST_BRUSH), colour_slot(SLOT_LIST_TEXT),
                     colour_slot(SLOT_LIST_TEXT_BACK));
    tree_set_colours(control(window, IDC_FOLDER_TREE), colour_slot(SLOT_LIST_BRUSH), colour_slot(SLOT_LIST_TEXT));
    rich_edit_set_text_colour(control(window, IDC_PREVIEW), colour_slot(SLOT_PANE_TEXT));
    repaint_window(window);
}

void colour_send_window(HWND window) {
    HWND editor = control(window, send_window_editor);
    if (!editor) return;
    rich_edit_set_background(editor, colour_slot(SLOT_PANE_BACK));
    rich_edit_set_text_colour(editor, colour_slot(SLOT_PANE_TEXT));
    repaint_window(window);
}

void colour_message_pane(HWND pane) {
    rich_edit_set_background(pane, colour_slot(SLOT_VIEWER_BACK));
    rich_edit_set_text_colour(pane, colour_slot(SLOT_VIEWER_TEXT));
}

bool system_colours_in_force() {
    ColourSet* set = in_force.load();
    return !set || set->system_default;
}

COLORREF colour_slot(int slot) {
    ColourSet* set = in_force.load();
    return set ? set->slots[slot] : fallback().slots[slot];
}

HBRUSH control_colour(UINT message, HDC dc, HWND control) {
    ColourSet* set = in_force.load();
    if (!set || set->system_default) return nullptr;
    const COLORREF* c = set->slots;
    switch (message) {
    case WM_CTLCOLOREDIT:
        set_text_colours(dc, c[SLOT_EDIT_TEXT], c[SLOT_EDIT_TEXT_BACK]);
        return set->brushes[EDIT_BRUSH];
    case WM_CTLCOLORLISTBOX:
        set_text_colours(dc, c[SLOT_LIST_TEXT], c[SLOT_LIST_TEXT_BACK]);
        return set->brushes[LIST_BRUSH];
    case WM_CTLCOLORSTATIC:
        // The main window's status field is a read-only edit, which asks as
        // a static control does; its background is the dialog's, slot 0.
        if (GetDlgCtrlID(control) == IDC_STATUS && GetParent(control) == main_window.load()) {
            set_text_colours(dc, c[SLOT_STATIC_TEXT], c[SLOT_DIALOG_BRUSH]);
            return set->brushes[DIALOG_BRUSH];
        }
        set_text_colours(dc, c[SLOT_STATIC_TEXT], c[SLOT_STATIC_TEXT_BACK]);
        return set->brushes[STATIC_BRUSH];
    case WM_CTLCOLORDLG:
        return set->brushes[DIALOG_BRUSH];
    default:
        return nullptr;
    }
}
