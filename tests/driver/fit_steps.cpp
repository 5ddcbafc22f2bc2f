// The driver's check that every control of a window holds its text at the
// display's DPI: each text measured in the dialog font against the
// control's client rectangle, less what the control draws beside it.
//
//   text-fits <title>                print "CUT: <id> <class> <text> <need>
//                                    <have>" for each control whose text
//                                    (or list view heading) does not fit,
//                                    then "FITS: <title> <n>" with the
//                                    number of controls measured
//   text-fits-at <title> <dpi>       the same in the font of another DPI
//                                    (a window told of a change of DPI)
//   ideal-sizes <title>              print "IDEAL: <id> <width> <height>
//                                    <client width>" for each push button:
//                                    the room its text needs in the
//                                    button's own font
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver.h"

namespace {

struct Measure {
    HDC dc;
    int dpi;
    int measured = 0;
};

int at_dpi(int size96, int dpi) { return MulDiv(size96, dpi, 96); }

std::string class_of(HWND w) {
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

// A list view's headings against their columns: the heading draws its
// text with a margin of three edges each side.
void measure_headings(HWND list, Measure* m) {
    auto heading = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    int columns = heading ? static_cast<int>(SendMessageA(heading, HDM_GETITEMCOUNT, 0, 0)) : 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    for (int c = 0; c < columns; c++) {
        Remote remote(sizeof(HDITEMA) + 256, pid);
        HDITEMA item{};
        item.mask = HDI_TEXT;
        item.pszText = remote.base + sizeof(HDITEMA);
        item.cchTextMax = 255;
        remote.put(0, &item, sizeof item);
        SendMessageA(heading, HDM_GETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(remote.base));
        char text[256] = {};
        remote.get(sizeof(HDITEMA), text, 255);
        if (!*text) continue;
        RECT need{0, 0, 0, 0};
        DrawTextA(m->dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
        int margins = 2 * 3 * at_dpi(2, m->dpi);
        int have = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
        m->measured++;
        if (need.right + margins > have + at_dpi(3, m->dpi))
            std::printf("CUT: %d heading %s %ld in %d\n", GetDlgCtrlID(list), text, need.right + margins, have);
    }
}

BOOL CALLBACK measure_child(HWND child, LPARAM param) {
    auto* m = reinterpret_cast<Measure*>(param);
    if (!IsWindowVisible(child)) return TRUE;
    if (class_of(child) == "SysListView32" && (GetWindowLongA(child, GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT)
        measure_headings(child, m);
    char text[512] = {};
    GetWindowTextA(child, text, sizeof text);
    std::string name = class_of(child);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    bool button = name == "Button", label = name == "Static";
    if (!*text || !(button || label) || (label && (style & SS_TYPEMASK) > SS_RIGHT)) return TRUE;
    RECT client;
    GetClientRect(child, &client);
    UINT type = style & BS_TYPEMASK;
    bool box = button && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                          type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE);
    bool group = button && type == BS_GROUPBOX;
    // What the control draws beside its text: a push button's frame, a
    // check box's box, a group box's indent on both sides.
    int beside = box ? at_dpi(13, m->dpi) : group ? at_dpi(16, m->dpi) : button ? at_dpi(4, m->dpi) : 0;
    int room = client.right - beside;
    RECT need{0, 0, room, 0};
    bool wraps = label && !(style & SS_LEFTNOWORDWRAP) && (style & SS_TYPEMASK) <= SS_RIGHT;
    DrawTextA(m->dc, text, -1, &need, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    // Three pixels (at 96 dpi) of slack: the font made here and the one the
    // control draws with may round a glyph differently; a text cut by the
    // scale is short by far more.
    int slack = at_dpi(3, m->dpi);
    bool cut = need.right > room + slack || (!group && need.bottom > client.bottom + slack);
    m->measured++;
    if (cut)
        std::printf("CUT: %d %s %s %ldx%ld in %dx%ld\n", GetDlgCtrlID(child), name.c_str(), one_line(text).c_str(),
                    need.right + beside, need.bottom, room + beside, client.bottom);
    return TRUE;
}

void measure_texts(const std::string& title, int dpi) {
    HWND w = need_window(title);
    HDC screen = GetDC(nullptr);
    if (!dpi) dpi = GetDeviceCaps(screen, LOGPIXELSY);
    // The dialogs' font: 8 points of MS Shell Dlg at that DPI.
    HFONT font = CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                             "MS Shell Dlg");
    HGDIOBJ old = SelectObject(screen, font);
    Measure m{screen, dpi};
    EnumChildWindows(w, measure_child, reinterpret_cast<LPARAM>(&m));
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    std::printf("FITS: %s %d at %d dpi\n", title.c_str(), m.measured, dpi);
}

BOOL CALLBACK ideal_size(HWND child, LPARAM) {
    LONG type = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
    if (!IsWindowVisible(child) || class_of(child) != "Button" || (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON))
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(child, &pid);
    Remote remote(sizeof(SIZE), pid);
    SIZE size{};
    remote.put(0, &size, sizeof size);
    SendMessageA(child, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(remote.base));
    remote.get(0, &size, sizeof size);
    RECT client;
    GetClientRect(child, &client);
    std::printf("IDEAL: %d %ld %ld %ld\n", GetDlgCtrlID(child), size.cx, size.cy, client.right);
    return TRUE;
}

}  // namespace

bool run_fit_step(const std::string& step, const NextArgument& next) {
    if (step == "text-fits") {
        measure_texts(next(), 0);
    } else if (step == "text-fits-at") {
        std::string title = next();
        measure_texts(title, std::atoi(next().c_str()));
    } else if (step == "ideal-sizes") {
        EnumChildWindows(need_window(next()), ideal_size, 0);
    } else {
        return false;
    }
    return true;
}
