// The driver's steps on a window's frame, with the real mouse.
//
//   click-close <title>              left click the close box of the window's
//                                    title bar, found by asking the window
//                                    what lies under points of that bar
//   wait-hidden <title> <ms>         wait for a top-level window of the
//                                    started program, shown or hidden
//   wait-enabled <title> <id> 0|1 <ms>  wait until a control of such a
//                                    window, shown or hidden, is disabled (0)
//                                    or enabled (1)
//   answered <title> <ms>            wait until the window's thread takes a
//                                    sent message: whatever it was doing, a
//                                    maximise and its layout, is done
//   wait-child <title> <id> <field> <low> <high> <ms>
//                                    wait until a child's left, top, right,
//                                    bottom, width or height (client pixels;
//                                    id 0: the window itself on screen) lies
//                                    from low to high, then print the box as
//                                    child-rect does
//   dpi-change <title> <dpi> <left> <top> <right> <bottom>
//                                    send the window WM_DPICHANGED as a
//                                    move to a monitor of that DPI does,
//                                    with that suggested rectangle; print
//                                    "DPI-CHANGED: <dpi>" once it is handled
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver.h"

extern PROCESS_INFORMATION started;

namespace {

struct HiddenSearch {
    const std::string* title;
    HWND found;
};

BOOL CALLBACK visit_hidden(HWND w, LPARAM param) {
    auto* s = reinterpret_cast<HiddenSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char text[256];
    if (pid != started.dwProcessId || !GetWindowTextA(w, text, sizeof text) || *s->title != text) return TRUE;
    s->found = w;
    return FALSE;
}

HWND find_hidden(const std::string& title, int ms) {
    HiddenSearch s{&title, nullptr};
    if (!wait_until(ms, [&] {
            EnumWindows(visit_hidden, reinterpret_cast<LPARAM>(&s));
            return s.found != nullptr;
        }))
        fail("no window \"" + title + "\", shown or hidden");
    return s.found;
}

void wait_hidden(const NextArgument& next) {
    std::string title = next();
    HWND w = find_hidden(title, std::atoi(next().c_str()));
    std::printf("HIDDEN: %s %s\n", title.c_str(), IsWindowVisible(w) ? "shown" : "hidden");
}

void wait_enabled(const NextArgument& next) {
    std::string title = next();
    int id = std::atoi(next().c_str());
    bool wanted = next() == "1";
    int ms = std::atoi(next().c_str());
    DWORD began = GetTickCount();
    HWND w = find_hidden(title, ms);
    // A window being made may not have its controls yet. The time the
    // window took to show counts against the same bound.
    int left = ms - static_cast<int>(GetTickCount() - began);
    if (!wait_until(left, [&] {
            HWND control = GetDlgItem(w, id);
            return control && (IsWindowEnabled(control) != FALSE) == wanted;
        }))
        fail("control " + std::to_string(id) + " stays as it was");
    std::printf("ENABLED: %d %d\n", id, wanted ? 1 : 0);
}

void answered(const NextArgument& next) {
    std::string title = next();
    HWND w = need_window(title);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(std::atoi(next().c_str())), &result))
        fail("window \"" + title + "\" does not answer");
    std::printf("ANSWERED: %s\n", title.c_str());
}

void dpi_change(const NextArgument& next) {
    HWND w = need_window(next());
    int dpi = std::atoi(next().c_str());
    RECT suggested;
    suggested.left = std::atoi(next().c_str());
    suggested.top = std::atoi(next().c_str());
    suggested.right = std::atoi(next().c_str());
    suggested.bottom = std::atoi(next().c_str());
    // The rectangle lives in the window's process, where the system would
    // put it.
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    Remote remote(sizeof suggested, pid);
    remote.put(0, &suggested, sizeof suggested);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote.base),
                             SMTO_NORMAL, 10000, &result))
        fail("the window does not answer WM_DPICHANGED");
    std::printf("DPI-CHANGED: %d\n", dpi);
}

long field_of(const RECT& r, const std::string& field) {
    if (field == "left") return r.left;
    if (field == "top") return r.top;
    if (field == "right") return r.right;
    if (field == "bottom") return r.bottom;
    if (field == "width") return r.right - r.left;
    if (field == "height") return r.bottom - r.top;
    fail("no field " + field);
}

void wait_child(const NextArgument& next) {
    HWND w = need_window(next());
    int id = std::atoi(next().c_str());
    HWND child = id ? GetDlgItem(w, id) : w;
    if (!child) fail("no child " + std::to_string(id));
    std::string field = next();
    long low = std::atol(next().c_str()), high = std::atol(next().c_str());
    RECT screen, box;
    long value = 0;
    if (!wait_until(std::atoi(next().c_str()), [&] {
            GetWindowRect(child, &screen);
            box = screen;
            if (id) MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&box), 2);
            value = field_of(box, field);
            return value >= low && value <= high;
        }))
        fail("child " + std::to_string(id) + " " + field + " stays " + std::to_string(value));
    std::printf("CHILD: %ld %ld %ld %ld screen %ld %ld %ld %ld\n", box.left, box.top, box.right, box.bottom,
                screen.left, screen.top, screen.right, screen.bottom);
}

void mouse(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

// A point of the window's close box on screen: the title bar is searched
// from the right, where the box lies in every frame style.
bool close_box_point(HWND w, POINT* out) {
    RECT r;
    GetWindowRect(w, &r);
    for (int y = r.top + 2; y < r.top + 40 && y < r.bottom; y += 2)
        for (int x = r.right - 2; x > r.right - 80 && x > r.left; x -= 2) {
            LPARAM at = MAKELPARAM(static_cast<short>(x), static_cast<short>(y));
            DWORD_PTR hit = 0;
            if (SendMessageTimeoutA(w, WM_NCHITTEST, 0, at, SMTO_ABORTIFHUNG, 2000, &hit) && hit == HTCLOSE) {
                *out = {x - 3, y + 3};
                return true;
            }
        }
    return false;
}

void click_close(const NextArgument& next) {
    std::string title = next();
    HWND w = need_window(title);
    POINT at;
    if (!close_box_point(w, &at)) fail("no close box on " + title);
    // Another window of the program may lie over it: the box is clicked
    // once its window is active and under the point.
    if (!wait_until(5000, [&] {
            if (WindowFromPoint(at) == w && GetForegroundWindow() == w) return true;
            // As the user would bring it up from the task bar.
            SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            SetForegroundWindow(w);
            return false;
        }))
        fail("the close box of " + title + " stays covered");
    SetCursorPos(at.x, at.y);
    mouse(MOUSEEVENTF_MOVE);
    mouse(MOUSEEVENTF_LEFTDOWN);
    mouse(MOUSEEVENTF_LEFTUP);
    std::printf("CLICKED-CLOSE: %s\n", title.c_str());
}

}  // namespace

bool run_window_step(const std::string& step, const NextArgument& next) {
    if (step == "click-close") click_close(next);
    else if (step == "wait-hidden") wait_hidden(next);
    else if (step == "answered") answered(next);
    else if (step == "wait-enabled") wait_enabled(next);
    else if (step == "wait-child") wait_child(next);
    else if (step == "dpi-change") dpi_change(next);
    else return false;
    return true;
}
