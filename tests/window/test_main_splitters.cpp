// The main window's splitter bars on real windows: made at 20 % and 50 %,
// dragged with the mouse captured, the panes following, the minimum size,
// and a minimised window keeping its layout; its controls those of Common
// Controls 6, as the programs' manifest asks.
#include <windows.h>

#include <cctype>

#include <algorithm>
#include <string>

#include "client/main_window_ids.h"
#include "client/splitter_bars.h"
#include "main_window_fixture.h"
#include "ui/splitter_window.h"

namespace {

RECT box_in(HWND window, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string class_name(HWND w) {
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

TEST_F(MainWindowTest, ControlsAreThoseOfCommonControlsSix) {
    // The manifest in the resources (this test program carries the
    // client's) makes the loader take the side-by-side assembly of version
    // 6, with visual styles, not the system folder's version 5. (Wine 8's
    // DllGetVersion says 5.81 for both, so the place tells.)
    HMODULE controls = GetModuleHandleA("comctl32.dll");
    ASSERT_NE(controls, nullptr);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(controls, path, sizeof path);
    std::string lower = path;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(lower.find("\\winsxs\\"), std::string::npos) << path;
    EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::string::npos) << path;
}

TEST_F(MainWindowTest, BarsAreMadeAtTwentyAndFiftyPercent) {
    HWND vertical = item(BAR_ID_VERTICAL), horizontal = item(BAR_ID_HORIZONTAL);
    ASSERT_NE(vertical, nullptr);
    ASSERT_NE(horizontal, nullptr);
    EXPECT_EQ(class_name(vertical), "wespliter");
    EXPECT_EQ(class_name(horizontal), "nsspliter");
    EXPECT_EQ(splitter_of(vertical)->position, 20);
    EXPECT_EQ(splitter_of(vertical)->style, 0x22u);
    EXPECT_EQ(splitter_of(horizontal)->position, 50);
    EXPECT_EQ(splitter_of(horizontal)->style, 0x21u);
    RECT client;
    GetClientRect(window, &client);
    RECT v = box_in(window, vertical), h = box_in(window, horizontal);
    EXPECT_EQ(v.left, client.right * 20 / 100);
    EXPECT_EQ(v.right - v.left, 4);
    EXPECT_EQ(h.top, client.bottom * 50 / 100);
    EXPECT_EQ(h.bottom - h.top, 4);
    // The tree ends at the bar, the list begins after it.
    EXPECT_EQ(box_in(window, item(IDC_FOLDER_TREE)).right, v.left);
    EXPECT_EQ(box_in(window, item(IDC_MESSAGE_LIST)).left, v.right);
    EXPECT_EQ(box_in(window, item(IDC_MESSAGE_LIST)).bottom, h.top);
    EXPECT_EQ(box_in(window, item(IDC_PREVIEW)).top, h.bottom);
}

TEST_F(MainWindowTest, RefusedBarsAreNotMade) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    EXPECT_EQ(create_splitter(nullptr, instance, 20, 0x22, IDC_FOLDER_TREE, IDC_PREVIEW), nullptr);
    EXPECT_EQ(create_splitter(window, instance, 100, 0x22, IDC_FOLDER_TREE, IDC_PREVIEW), nullptr);
    EXPECT_EQ(create_splitter(window, instance, -1, 0x21, IDC_MESSAGE_LIST, IDC_PREVIEW), nullptr);
}

void drag(HWND bar, POINT from, POINT to) {
    SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
}

TEST_F(MainWindowTest, DraggingTheVerticalBarMovesTreeAndList) {
    HWND vertical = item(BAR_ID_VERTICAL);
    RECT client;
    GetClientRect(window, &client);
    // 300 pixels to the right, in the bar's own coordinates.
    drag(vertical, {1, 10}, {301, 10});
    pump();
    RECT v = box_in(window, vertical);
    int expected = (client.right * 20 / 100 + 301) * 100 / client.right;
    EXPECT_EQ(splitter_of(vertical)->position, expected);
    EXPECT_EQ(v.left, expected * client.right / 100);
    EXPECT_EQ(box_in(window, item(IDC_FOLDER_TREE)).right, v.left);
    EXPECT_EQ(box_in(window, item(IDC_MESSAGE_LIST)).left, v.right);
    EXPECT_FALSE(splitter_of(vertical)->dragging);
    EXPECT_EQ(GetCapture(), nullptr);

    // Far to the left: the bar stops 5 pixels inside the tree's left edge.
    RECT tree = box_in(window, item(IDC_FOLDER_TREE));
    SendMessageA(vertical, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 10));
    SendMessageA(vertical, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-2000), 10));
    EXPECT_EQ(box_in(window, vertical).left, tree.left + 5);
    SendMessageA(vertical, WM_LBUTTONUP, 0, 0);
    pump();
    EXPECT_EQ(splitter_of(vertical)->position, (tree.left + 5) * 100 / client.right);
}

TEST_F(MainWindowTest, MinimumSizeFollowsTheBars) {
    // The bars where the layout put them, plus 100 dialog units each.
    MINMAXINFO info{};
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    RECT unit{0, 0, 100, 100};
    MapDialogRect(window, &unit);
    RECT vertical = box_in(window, item(BAR_ID_VERTICAL)), horizontal = box_in(window, item(BAR_ID_HORIZONTAL));
    EXPECT_EQ(info.ptMinTrackSize.x, std::max<LONG>(700, vertical.left + unit.right));
    EXPECT_EQ(info.ptMinTrackSize.y, horizontal.top + unit.bottom);
    // A bar at 99 % asks for no more than the screen's work area.
    splitter_of(item(BAR_ID_VERTICAL))->position = 99;
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(info.ptMinTrackSize.x, work.right - work.left);
}

TEST_F(MainWindowTest, MinimiseAndRestoreKeepTheLayout) {
    RECT before = box_in(window, item(IDC_MESSAGE_LIST));
    ShowWindow(window, SW_MINIMIZE);
    pump();
    ShowWindow(window, SW_RESTORE);
    pump();
    RECT after = box_in(window, item(IDC_MESSAGE_LIST));
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
    EXPECT_GT(after.right - after.left, 100);
}

}  // namespace
