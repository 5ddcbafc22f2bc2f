#include "wingui/dpi_change.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "program_icon.h"

#include "core/dpi_scale.h"
#include "wingui/controls.h"
#include "wingui/dpi.h"

namespace {

constexpr UINT_PTR subclass_id = 0x5A4D;

// What a window made for its DPI and must delete: the copies of its
// controls' fonts.
struct DpiRecord {
    std::vector<HFONT> fonts;
};

// Kept as a property of the window, where set_display_font finds it too.
constexpr const char* record_property = "ZmDpiFonts";

DpiRecord* record_of(HWND window) { return static_cast<DpiRecord*>(GetPropA(window, record_property)); }

bool is_class(HWND window, const char* name) {
    char found[64] = {};
    GetClassNameA(window, found, sizeof found);
    return lstrcmpiA(found, name) == 0;
}

HFONT font_at(HFONT font, int from_dpi, int to_dpi) {
    LOGFONTA f{};
    if (!GetObjectA(font, sizeof f, &f)) return nullptr;
    f.lfHeight = font_height_at_dpi(f.lfHeight, from_dpi, to_dpi);
    f.lfWidth = MulDiv(f.lfWidth, to_dpi, from_dpi);
    return CreateFontIndirectA(&f);
}

// Every control's font again at the new DPI; controls that shared a font
// share its copy. The copies made for the old DPI are no control's any
// more and go.
void rescale_fonts(HWND window, DpiRecord* record, int from_dpi, int to_dpi) {
    std::vector<HFONT> olds, made;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        auto font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
        if (!font) continue;
        HFONT copy = nullptr;
        for (size_t i = 0; i < olds.size() && !copy; i++)
            if (olds[i] == font) copy = made[i];
        if (!copy && (copy = font_at(font, from_dpi, to_dpi))) {
            olds.push_back(font);
            made.push_back(copy);
        }
        if (copy) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(copy), FALSE);
    }
    if (!record) return;
    for (HFONT font : record->fonts) DeleteObject(font);
    record->fonts = made;
}

int scaled(int value, int from_dpi, int to_dpi) { return MulDiv(value, to_dpi, from_dpi); }

// The controls where a template at the new DPI would put them; a window
// that lays itself out does so afterwards on WM_SIZE.
void rescale_places(HWND window, int from_dpi, int to_dpi) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT box;
        GetWindowRect(child, &box);
        // A combo box's height includes its dropped list.
        RECT dropped{};
        if (is_class(child, "ComboBox") && SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0,
                                                        reinterpret_cast<LPARAM>(&dropped)))
            box.bottom = box.top + std::max(box.bottom - box.top, dropped.bottom - dropped.top);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        int left = scaled(box.left, from_dpi, to_dpi), top = scaled(box.top, from_dpi, to_dpi);
        SetWindowPos(child, nullptr, left, top, scaled(box.right, from_dpi, to_dpi) - left,
                     scaled(box.bottom, from_dpi, to_dpi) - top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (is_class(child, WC_LISTVIEWA)) {
            auto heading = reinterpret_cast<HWND>(SendMessageA(child, LVM_GETHEADER, 0, 0));
            int columns = heading ? static_cast<int>(SendMessageA(heading, HDM_GETITEMCOUNT, 0, 0)) : 0;
            for (int c = 0; c < columns; c++) {
                int width = static_cast<int>(SendMessageA(child, LVM_GETCOLUMNWIDTH, c, 0));
                SendMessageA(child, LVM_SETCOLUMNWIDTH, c, MAKELPARAM(scaled(width, from_dpi, to_dpi), 0));
            }
        }
    }
}

// A dialog's own scaling (Windows 10 from 1703) would move and size the
// controls a second time: the window does it itself.
void stop_dialog_manager_scaling(HWND window) {
    using Behaviour = BOOL(WINAPI*)(HWND, int, int);
    static auto function = reinterpret_cast<Behaviour>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetDialogDpiChangeBehavior")));
    constexpr int disable_all = 1;  // DDC_DISABLE_ALL
    if (function) function(window, disable_all, disable_all);
}

LRESULT CALLBACK dpi_subclass(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    if (message == WM_DPICHANGED && lparam) {
        // The window's own procedure rebuilds what it made for the old DPI
        // before the window is laid out and drawn at the new one.
        LRESULT result = 0;
        follow_dpi_change(window, HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam),
                          [&] { result = DefSubclassProc(window, message, wparam, lparam); });
        return result;
    }
    if (message == WM_NCDESTROY) {
        DpiRecord* record = record_of(window);
        RemovePropA(window, record_property);
        RemoveWindowSubclass(window, dpi_subclass, subclass_id);
        // After the controls, which went before their parent.
        if (record)
            for (HFONT font : record->fonts) DeleteObject(font);
        delete record;
        // The program's icons, loaded for this window alone.
        for (int which : {ICON_BIG, ICON_SMALL})
            if (auto icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, which, 0))) DestroyIcon(icon);
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

void follow_dpi_changes(HWND window) {
    stop_dialog_manager_scaling(window);
    if (!SetWindowSubclass(window, dpi_subclass, subclass_id, 0)) return;
    SetPropA(window, record_property, new DpiRecord);
}

void follow_dpi_change(HWND window, int dpi, const RECT& suggested, const std::function<void()>& rebuild) {
    const int from_dpi = window_dpi(window);
    if (dpi <= 0) dpi = from_dpi;
    set_window_dpi(window, dpi);
    if (dpi != from_dpi) {
        rescale_fonts(window, record_of(window), from_dpi, dpi);
        rescale_places(window, from_dpi, dpi);
        if (!GetWindow(window, GW_OWNER) && SendMessageA(window, WM_GETICON, ICON_SMALL, 0))
            set_program_icons(window, dpi);
    }
    if (rebuild) rebuild();
    RECT before;
    GetClientRect(window, &before);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT after;
    GetClientRect(window, &after);
    // A window of the same size gets no WM_SIZE from the move, but its
    // controls are at the new scale and it must lay out all the same.
    if (after.right == before.right && after.bottom == before.bottom)
        SendMessageA(window, WM_SIZE, IsZoomed(window) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                     MAKELPARAM(after.right, after.bottom));
    // What the controls showed where they were, and texts in the old
    // fonts, go.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void set_display_font(HWND window, int id, HFONT font) {
    HWND control = GetDlgItem(window, id);
    const int dpi = window_dpi(window), made_at = system_dpi();
    DpiRecord* record = record_of(window);
    HFONT copy = dpi != made_at && font && record ? font_at(font, made_at, dpi) : nullptr;
    if (copy) record->fonts.push_back(copy);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(copy ? copy : font), TRUE);
}

void set_program_icons(HWND window, int dpi) {
    // At the sizes each place asks for at the window's DPI; the icons of
    // another DPI go.
    HINSTANCE instance = window_instance(window);
    for (int which : {ICON_BIG, ICON_SMALL}) {
        bool big = which == ICON_BIG;
        auto icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(ZM_IDI_PROGRAM), IMAGE_ICON,
                                                  metric_for_dpi(big ? SM_CXICON : SM_CXSMICON, dpi),
                                                  metric_for_dpi(big ? SM_CYICON : SM_CYSMICON, dpi), 0));
        if (!icon) continue;
        auto previous = reinterpret_cast<HICON>(SendMessageA(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon)));
        if (previous && previous != icon) DestroyIcon(previous);
    }
}
