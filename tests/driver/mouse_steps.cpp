// The driver's steps with the real mouse (input the window system delivers
// as a user's would), and the places of a window's children.
//
//   child-rect <title> <id>          print the child's rectangle in the
//                                    window's client pixels, and on screen
//   mouse-drag <x1> <y1> <x2> <y2>   press the left button at a screen point,
//                                    move in steps to the other, release
//   drag-child <title> <id> <dx> <dy>  the same from the child's centre
//   click-row <title> <id> <row> left|right|double
//                                    click a row of a list view (on its first
//                                    column) with that button, or twice
//   click-cell <title> <id> <row> <column>
//                                    left click into one cell of a report list
//   drag-corner <title> <dx> <dy>    drag the window's bottom right corner
//   wait-moved <title> <id> <ms>     wait until what the last drag took hold
//                                    of (the child of that id, or with id 0
//                                    the window) is no longer where it was
//                                    and the window's thread has let go of
//                                    the mouse: the drag is over
//   syscommand <title> minimize|restore|maximize
//                                    post the system command to the window
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "driver.h"

namespace {

// Where each window that a drag took hold of was before the drag.
std::map<HWND, RECT> before_drag;

HWND need_child(HWND window, int id) {
    HWND child = GetDlgItem(window, id);
    if (!child) fail("no child " + std::to_string(id));
    return child;
}

void mouse(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

void move_to(int x, int y) {
    SetCursorPos(x, y);
    mouse(MOUSEEVENTF_MOVE);  // a move the window sees, with the button state
    Sleep(30);
}

void drag(int x1, int y1, int x2, int y2) {
    move_to(x1, y1);
    mouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(100);
    for (int step = 1; step <= 10; step++) move_to(x1 + (x2 - x1) * step / 10, y1 + (y2 - y1) * step / 10);
    mouse(MOUSEEVENTF_LEFTUP);
    Sleep(300);
    std::printf("DRAGGED: %d %d %d %d\n", x1, y1, x2, y2);
}

void child_rect(const NextArgument& next) {
    HWND w = need_window(next());
    HWND child = need_child(w, std::atoi(next().c_str()));
    RECT screen, client;
    GetWindowRect(child, &screen);
    client = screen;
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&client), 2);
    std::printf("CHILD: %ld %ld %ld %ld screen %ld %ld %ld %ld\n", client.left, client.top, client.right,
                client.bottom, screen.left, screen.top, screen.right, screen.bottom);
}

void mouse_drag(const NextArgument& next) {
    int x1 = std::atoi(next().c_str()), y1 = std::atoi(next().c_str());
    int x2 = std::atoi(next().c_str()), y2 = std::atoi(next().c_str());
    drag(x1, y1, x2, y2);
}

void drag_child(const NextArgument& next) {
    HWND w = need_window(next());
    HWND child = need_child(w, std::atoi(next().c_str()));
    int dx = std::atoi(next().c_str()), dy = std::atoi(next().c_str());
    SetForegroundWindow(w);
    RECT r;
    GetWindowRect(child, &r);
    before_drag[child] = r;
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    drag(x, y, x + dx, y + dy);
}

void drag_corner(const NextArgument& next) {
    HWND w = need_window(next());
    int dx = std::atoi(next().c_str()), dy = std::atoi(next().c_str());
    SetForegroundWindow(w);
    RECT r;
    GetWindowRect(w, &r);
    before_drag[w] = r;
    drag(r.right - 2, r.bottom - 2, r.right - 2 + dx, r.bottom - 2 + dy);
}

void click_row(const NextArgument& next) {
    HWND w = need_window(next());
    HWND list = need_child(w, std::atoi(next().c_str()));
    int row = std::atoi(next().c_str());
    std::string how = next();
    // The row's rectangle is asked for in the list's own process.
    RECT r{};
    if (!list_row_rect(list, row, &r)) fail("no row " + std::to_string(row));
    POINT at{r.left + 20, (r.top + r.bottom) / 2};
    ClientToScreen(list, &at);
    SetForegroundWindow(w);
    Sleep(700);  // never a double click with an earlier click
    move_to(at.x, at.y);
    if (how == "right") {
        mouse(MOUSEEVENTF_RIGHTDOWN);
        mouse(MOUSEEVENTF_RIGHTUP);
    } else {
        for (int n = how == "double" ? 2 : 1; n > 0; n--) {
            mouse(MOUSEEVENTF_LEFTDOWN);
            mouse(MOUSEEVENTF_LEFTUP);
        }
    }
    Sleep(300);
    std::printf("CLICKED-ROW: %d %s\n", row, how.c_str());
}

// A left click into one cell of a report list: 20 pixels into the column.
void click_cell(const NextArgument& next) {
    HWND w = need_window(next());
    HWND list = need_child(w, std::atoi(next().c_str()));
    int row = std::atoi(next().c_str());
    int column = std::atoi(next().c_str());
    RECT r{};
    if (!list_row_rect(list, row, &r)) fail("no row " + std::to_string(row));
    int x = r.left + 20;
    for (int c = 0; c < column; c++) x += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, c, 0));
    POINT at{x, (r.top + r.bottom) / 2};
    ClientToScreen(list, &at);
    SetForegroundWindow(w);
    Sleep(700);  // never a double click with an earlier click
    move_to(at.x, at.y);
    mouse(MOUSEEVENTF_LEFTDOWN);
    mouse(MOUSEEVENTF_LEFTUP);
    Sleep(300);
    std::printf("CLICKED-CELL: %d %d\n", row, column);
}

void syscommand(const NextArgument& next) {
    HWND w = need_window(next());
    std::string what = next();
    WPARAM command = what == "minimize" ? SC_MINIMIZE : what == "maximize" ? SC_MAXIMIZE : SC_RESTORE;
    PostMessageA(w, WM_SYSCOMMAND, command, 0);
    Sleep(500);
    std::printf("SYSCOMMAND: %s\n", what.c_str());
}

void wait_moved(const NextArgument& next) {
    HWND w = need_window(next());
    int id = std::atoi(next().c_str());
    HWND moved = id ? need_child(w, id) : w;
    int ms = std::atoi(next().c_str());
    auto was = before_drag.find(moved);
    if (was == before_drag.end()) fail("no drag took hold of it");
    bool moved_away = wait_until(ms, [&] {
        RECT now;
        GetWindowRect(moved, &now);
        return !EqualRect(&now, &was->second);
    });
    if (!moved_away) fail("it has not moved");
    // The thread holds the mouse from the press to the release (a bar's
    // capture, or the frame's move and size loop).
    DWORD thread = GetWindowThreadProcessId(moved, nullptr);
    bool let_go = wait_until(ms, [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) && !info.hwndCapture && !(info.flags & GUI_INMOVESIZE);
    });
    if (!let_go) fail("the drag is not over");
    std::printf("MOVED\n");
}

}  // namespace

bool run_mouse_step(const std::string& step, const NextArgument& next) {
    if (step == "child-rect") child_rect(next);
    else if (step == "mouse-drag") mouse_drag(next);
    else if (step == "drag-child") drag_child(next);
    else if (step == "drag-corner") drag_corner(next);
    else if (step == "click-row") click_row(next);
    else if (step == "click-cell") click_cell(next);
    else if (step == "syscommand") syscommand(next);
    else if (step == "wait-moved") wait_moved(next);
    else return false;
    return true;
}
