// Controls named by number: text, state, place, font, and the commands
// windows send each other.
#include <string>

#include "core/arrays.h"
#include "tests/wingui/test_window.h"
#include "wingui/controls.h"

using ControlTest = WindowTest;

TEST_F(ControlTest, TextGoesInWholeAndComesOutCutToTheBuffer) {
    set_control_text(dialog, IDC_LINE, "inbox\\archive 2026");
    EXPECT_EQ(raw_text(item(IDC_LINE)), "inbox\\archive 2026");

    Array* roomy = array_new(100);
    EXPECT_EQ(control_text(dialog, IDC_LINE, roomy), 18);
    EXPECT_STREQ(roomy->text, "inbox\\archive 2026");
    // Six bytes hold five characters and the terminating zero.
    Array* small = array_new(6);
    EXPECT_EQ(control_text(dialog, IDC_LINE, small), 5);
    EXPECT_STREQ(small->text, "inbox");

    set_window_text(item(IDC_LINE), "");
    EXPECT_EQ(window_text(item(IDC_LINE), roomy), 0);
    EXPECT_STREQ(roomy->text, "");
    set_window_text(dialog, "Copy File");
    window_text(dialog, roomy);
    EXPECT_STREQ(roomy->text, "Copy File");
    delete_arrays(roomy, small);
}

TEST_F(ControlTest, EnablingASetTouchesExactlyThoseControls) {
    enable_controls(dialog, {IDC_LINE, IDC_GO, IDC_SECOND_BOX}, false);
    EXPECT_FALSE(IsWindowEnabled(item(IDC_LINE)));
    EXPECT_FALSE(IsWindowEnabled(item(IDC_GO)));
    EXPECT_FALSE(IsWindowEnabled(item(IDC_SECOND_BOX)));
    EXPECT_TRUE(IsWindowEnabled(item(IDC_FIRST_BOX)));
    EXPECT_FALSE(control_enabled(dialog, IDC_GO));
    EXPECT_TRUE(control_enabled(dialog, IDC_FIRST_BOX));

    enable_control(dialog, IDC_GO, true);
    EXPECT_TRUE(IsWindowEnabled(item(IDC_GO)));
    EXPECT_FALSE(IsWindowEnabled(item(IDC_LINE)));
    // A number without a control is neither enabled nor an error.
    EXPECT_FALSE(control_enabled(dialog, 9999));
    enable_control(dialog, 9999, true);
}

TEST_F(ControlTest, ShowFocusAndFont) {
    show_control(dialog, IDC_GO, false);
    EXPECT_FALSE(IsWindowVisible(item(IDC_GO)));
    show_control(dialog, IDC_GO, true);
    EXPECT_TRUE(IsWindowVisible(item(IDC_GO)));

    focus_control(dialog, IDC_COMBO);
    EXPECT_EQ(GetFocus(), item(IDC_COMBO));
    focus_control(dialog, IDC_LINE);
    EXPECT_EQ(GetFocus(), item(IDC_LINE));

    HFONT font = CreateFontA(-15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    set_control_font(dialog, IDC_LINE, font);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(item(IDC_LINE), WM_GETFONT, 0, 0)), font);
    DestroyWindow(dialog);
    dialog = nullptr;
    DeleteObject(font);
}

TEST_F(ControlTest, PlacedInClientPixelsOfTheParent) {
    place_control(dialog, IDC_GO, 30, 40, 120, 25);
    RECT r;
    GetWindowRect(item(IDC_GO), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 120);
    EXPECT_EQ(r.bottom - r.top, 25);

    // A window too small for the layout gives its controls no room, not a
    // negative size.
    place_control(dialog, IDC_GO, 5, 6, -20, -1);
    GetWindowRect(item(IDC_GO), &r);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
}

TEST_F(ControlTest, MadeAtRunTimeWithItsNumberAndClass) {
    HWND rich = create_control(dialog, IDC_RICH, "RICHEDIT20A", WS_CHILD | WS_VISIBLE | ES_MULTILINE,
                               WS_EX_CLIENTEDGE, RECT{10, 20, 110, 70});
    ASSERT_NE(rich, nullptr);
    EXPECT_EQ(GetDlgCtrlID(rich), IDC_RICH);
    EXPECT_EQ(GetDlgItem(dialog, IDC_RICH), rich);
    char name[64] = {};
    GetClassNameA(rich, name, sizeof name);
    EXPECT_EQ(lstrcmpiA(name, "RICHEDIT20A"), 0) << name;
    EXPECT_TRUE(GetWindowLongPtrA(rich, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    RECT r;
    GetWindowRect(rich, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 50);
}

TEST_F(ControlTest, CommandsSentAnswerAndCommandsPostedArrive) {
    EXPECT_EQ(send_command(dialog, CMD_FIRST, 21), 42);
    EXPECT_EQ(state.last_command, CMD_FIRST);
    EXPECT_EQ(state.last_argument, 21);

    post_command(dialog, CMD_SECOND, 5);
    EXPECT_EQ(state.last_command, CMD_FIRST);
    pump();
    EXPECT_EQ(state.last_command, CMD_SECOND);
    EXPECT_EQ(state.last_argument, 5);
    EXPECT_EQ(state.commands, 2);
}

TEST_F(ControlTest, TheWindowKnowsItsModule) { EXPECT_EQ(window_instance(dialog), GetModuleHandleA(nullptr)); }
