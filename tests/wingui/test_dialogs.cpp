// Dialogs: the state record, placement, the one message loop and dialogs on
// threads of their own.
#include <atomic>
#include <string>
#include <vector>

#include "core/ui_services.h"
#include "tests/wingui/test_window.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"

namespace {

using DialogTest = WindowTest;

RECT raw_rect(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

int dropped = 0;

bool drop_right_clicks(HWND, MSG* message) {
    if (message->message != WM_RBUTTONUP) return false;
    dropped++;
    return true;
}

std::vector<std::string> shown_messages;

int record_message(WindowRef, const char* text, const char*, unsigned) {
    shown_messages.push_back(text);
    return UI_ANSWER_OK;
}

struct ThreadedDialog {
    TestState state;
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> ended{false};
};

void dialog_thread(void* argument) {
    auto* d = static_cast<ThreadedDialog*>(argument);
    HWND window = create_dialog(GetModuleHandleA(nullptr), IDD_TEST, nullptr, test_procedure, &d->state);
    d->window = window;
    run_dialog_loop(DialogLoop{window, nullptr, nullptr, &d->state.done});
    DestroyWindow(window);
    d->ended = true;
}

}  // namespace

TEST_F(DialogTest, EachDialogFindsItsOwnRecord) {
    EXPECT_EQ(reinterpret_cast<TestState*>(GetWindowLongPtrA(dialog, DWLP_USER)), &state);
    EXPECT_EQ(dialog_state<TestState>(dialog), &state);
    TestState other;
    set_dialog_state(dialog, &other);
    EXPECT_EQ(dialog_state_pointer(dialog), &other);
    send_command(dialog, CMD_FIRST, 1);
    EXPECT_EQ(other.last_command, CMD_FIRST);
    EXPECT_EQ(state.commands, 0);
    set_dialog_state(dialog, &state);
}

TEST_F(DialogTest, TheResultOfAMessage) {
    // The test procedure answers each command with twice its argument.
    EXPECT_EQ(send_command(dialog, CMD_SECOND, 50), 100);
    set_dialog_result(dialog, 77);
    EXPECT_EQ(GetWindowLongPtrA(dialog, DWLP_MSGRESULT), 77);
}

TEST_F(DialogTest, DialogUnitsOfItsFont) {
    RECT r{0, 0, 120, 14};
    MapDialogRect(dialog, &r);
    EXPECT_EQ(dialog_units_x(dialog, 120), r.right);
    EXPECT_EQ(dialog_units_y(dialog, 14), r.bottom);
    EXPECT_GT(r.right, 120);
}

TEST_F(DialogTest, CentredOnTheScreenOrItsOwner) {
    centre_on_screen(dialog);
    RECT r = raw_rect(dialog);
    EXPECT_LE(std::abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
    EXPECT_LE(std::abs((r.top + r.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);

    TestState owner_state;
    HWND owner = create_dialog(GetModuleHandleA(nullptr), IDD_TEST, nullptr, test_procedure, &owner_state);
    MoveWindow(owner, 10, 20, 900, 700, FALSE);
    centre_on_owner(dialog, owner);
    r = raw_rect(dialog);
    EXPECT_LE(std::abs((r.left + r.right) / 2 - (10 + 450)), 1);
    EXPECT_LE(std::abs((r.top + r.bottom) / 2 - (20 + 350)), 1);
    DestroyWindow(owner);

    // Without an owner, the screen.
    centre_on_owner(dialog, nullptr);
    r = raw_rect(dialog);
    EXPECT_LE(std::abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
}

TEST_F(DialogTest, TheLoopEndsWhenTheDialogIsDone) {
    post_command(dialog, CMD_FIRST, 1);
    post_command(dialog, CMD_THIRD, 2);
    post_command(dialog, CMD_SECOND, 3);
    run_dialog_loop(DialogLoop{dialog, nullptr, nullptr, &state.done});
    EXPECT_EQ(state.last_command, CMD_THIRD);
    EXPECT_EQ(state.commands, 2);
    // What came after stays for whoever runs the thread's messages next.
    pump();
    EXPECT_EQ(state.last_command, CMD_SECOND);
}

TEST_F(DialogTest, TheLoopEndsAtTheQuitMessage) {
    post_command(dialog, CMD_FIRST, 1);
    PostQuitMessage(0);
    run_dialog_loop(DialogLoop{dialog});
    EXPECT_EQ(state.last_command, CMD_FIRST);
}

TEST_F(DialogTest, AcceleratorsBecomeCommandsOfTheDialog) {
    ACCEL keys[] = {{FVIRTKEY, VK_F9, CMD_SECOND}};
    HACCEL accelerators = CreateAcceleratorTableA(keys, 1);
    focus_control(dialog, IDC_LINE);
    PostMessageA(item(IDC_LINE), WM_KEYDOWN, VK_F9, 1);
    PostQuitMessage(0);
    run_dialog_loop(DialogLoop{dialog, accelerators});
    EXPECT_EQ(state.last_command, CMD_SECOND);

    // Without the table the key is only a key.
    state.last_command = 0;
    PostMessageA(item(IDC_LINE), WM_KEYDOWN, VK_F9, 1);
    PostQuitMessage(0);
    run_dialog_loop(DialogLoop{dialog});
    EXPECT_EQ(state.last_command, 0);
    DestroyAcceleratorTable(accelerators);
}

TEST_F(DialogTest, TheLoopsOwnFirstLookCanTakeAMessage) {
    dropped = 0;
    PostMessageA(dialog, WM_RBUTTONUP, 0, 0);
    post_command(dialog, CMD_FIRST, 1);
    PostQuitMessage(0);
    run_dialog_loop(DialogLoop{dialog, nullptr, drop_right_clicks});
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(state.right_clicks, 0);
    EXPECT_EQ(state.last_command, CMD_FIRST);

    PostMessageA(dialog, WM_RBUTTONUP, 0, 0);
    PostQuitMessage(0);
    run_dialog_loop(DialogLoop{dialog});
    EXPECT_EQ(state.right_clicks, 1);
}

TEST_F(DialogTest, ADialogOnItsOwnThreadAnswersWhileTheCallerWaits) {
    shown_messages.clear();
    static const UiServices recording = quiet_ui_services(record_message);
    ui_install(&recording);
    ThreadedDialog d;
    ASSERT_TRUE(start_dialog_thread(dialog_thread, &d));
    for (int i = 0; i < 500 && !d.window; i++) Sleep(10);
    ASSERT_NE(d.window.load(), nullptr);
    EXPECT_EQ(send_command(d.window, CMD_FIRST, 4), 8);
    EXPECT_NE(d.state.procedure_thread, GetCurrentThreadId());
    post_command(d.window, CMD_THIRD);
    for (int i = 0; i < 500 && !d.ended; i++) Sleep(10);
    EXPECT_TRUE(d.ended);
    EXPECT_TRUE(shown_messages.empty());
    ui_install(nullptr);
}
