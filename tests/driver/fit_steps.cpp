// The driver's check that every control of a window holds its text at the
// display's DPI: each text measured in the dialog font against the
// control's client rectangle, less what the control draws beside it.
//
//   text-fits <title>                print "CUT: <id> <class> <text> <need>
//                                    <have>" for each control whose text
//                                    does not fit, then "FITS: <title> <n>"
//                                    with the number of controls measured
#include <windows.h>

#include <cstdio>
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

BOOL CALLBACK measure_child(HWND child, LPARAM param) {
    auto* m = reinterpret_cast<Measure*>(param);
    if (!IsWindowVisible(child)) return TRUE;
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

void text_fits(const NextArgument& next) {
    std::string title = next();
    HWND w = need_window(title);
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    // The dialogs' font: 8 points of MS Shell Dlg at the display's DPI.
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

}  // namespace

bool run_fit_step(const std::string& step, const NextArgument& next) {
    if (step == "text-fits") text_fits(next);
    else return false;
    return true;
}
