#include "wingui/colours.h"

#include <commctrl.h>
#include <richedit.h>

void list_set_colours(HWND list, COLORREF back, COLORREF text, COLORREF text_back) {
    SendMessageA(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
    SendMessageA(list, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
    SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(text_back));
}

void tree_set_colours(HWND tree, COLORREF back, COLORREF text) {
    SendMessageA(tree, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
    SendMessageA(tree, TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
}

void rich_edit_set_background(HWND rich, COLORREF back) {
    SendMessageA(rich, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(back));
    // The control has no message that gives its background back; a control
    // made anew in its place (rich_edit_renew) takes it from here.
    SetPropW(rich, rich_background_property, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(back) + 1));
}

void rich_edit_set_text_colour(HWND rich, COLORREF text) {
    CHARFORMAT2A format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = text;  // without CFE_AUTOCOLOR: this colour, not the system's
    SendMessageA(rich, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageA(rich, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

void set_text_colours(HDC dc, COLORREF text, COLORREF back) {
    SetTextColor(dc, text);
    SetBkColor(dc, back);
}

void repaint_window(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}
