// The real zenth-picker.exe, started by this process with a block of shared
// memory and a window of this process as its owner, as the client starts
// it. The helper's dialogs are found by their titles and driven as a user
// would: a name typed into the file name box (combo box 1148 of the common
// dialog), then OK or Cancel posted to the dialog.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/picker_block.h"
#include "tests/picker/picker_path.h"

using namespace std::literals;

namespace {

constexpr int FILE_NAME_BOX = 1148;
// Bounds of the waits: starting a process under Wine takes a second or two.
constexpr DWORD START_LIMIT_MS = 15000;

// Runs this thread's messages until `done` holds or `limit_ms` passed: the
// helper's dialog is owned by a window of this thread and sends it messages
// it waits for.
template <class Done>
bool pump_until(Done done, DWORD limit_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done()) return true;
        if (GetTickCount() - start > limit_ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

HANDLE start_helper(const std::string& arguments) {
    std::string line = "\"" + picker_path() + "\"" + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

bool ended_within(HANDLE process, DWORD limit_ms) {
    return pump_until([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, limit_ms);
}

DWORD exit_code(HANDLE process) {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

// A control's text as it holds it: GetWindowText does not ask a control
// of another process.
std::string control_text(HWND control) {
    char text[1024] = "";
    SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST(PickerStart, WithoutAMappingItEndsAtOnceWithCodeZero) {
    for (const char* arguments : {"", " zm-no-such-mapping-4711"}) {
        HANDLE process = start_helper(arguments);
        ASSERT_NE(process, nullptr) << picker_path();
        EXPECT_TRUE(ended_within(process, START_LIMIT_MS)) << "arguments: " << arguments;
        EXPECT_EQ(exit_code(process), 0u) << "arguments: " << arguments;
        if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

class PickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner = CreateWindowExA(0, "STATIC", "picker test owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 300, 200,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner, nullptr);
        // Named by the owner's handle, as the client names it.
        int32_t owner_field = picker_owner_field(reinterpret_cast<intptr_t>(owner));
        char name[16];
        std::snprintf(name, sizeof name, "%i", static_cast<int>(owner_field));
        mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(PickerBlock), name);
        ASSERT_NE(mapping, nullptr);
        block = static_cast<PickerBlock*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        ASSERT_NE(block, nullptr);
        ZeroMemory(block, sizeof *block);
        block->owner = owner_field;
        process = start_helper(" "s + name);
        ASSERT_NE(process, nullptr) << picker_path();

        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "zm_picker_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
    }

    void TearDown() override {
        if (process) {
            if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
                picker_set_state(block, PICKER_END);
                if (!ended_within(process, 5000)) TerminateProcess(process, 1);
            }
            CloseHandle(process);
        }
        if (block) UnmapViewOfFile(block);
        if (mapping) CloseHandle(mapping);
        if (IsWindow(owner)) DestroyWindow(owner);
        RemoveDirectoryA(folder.c_str());
    }

    void ask(int32_t state, const PickerRequest& request) {
        picker_write_request(block, request);
        picker_set_state(block, state);
    }

    // The dialog once it is shown: it has its title from the start, and is
    // filled, sized and placed before it becomes visible.
    HWND wait_for_dialog(const char* title) {
        HWND dialog = nullptr;
        pump_until([&] { return (dialog = FindWindowA(nullptr, title)) && IsWindowVisible(dialog); }, START_LIMIT_MS);
        return dialog;
    }

    bool wait_for_idle() {
        return pump_until([&] { return picker_state(block) == PICKER_IDLE; }, START_LIMIT_MS);
    }

    HWND owner = nullptr;
    HANDLE mapping = nullptr;
    PickerBlock* block = nullptr;
    HANDLE process = nullptr;
    std::string folder;
};

TEST_F(PickerTest, SaveDialogReturnsTheChosenPathThenACancelledOpenLeavesNoName) {
    ask(PICKER_SAVE_ASKED, {"Text file(*.txt)\0*.txt\0"sv, "proposed.txt", folder.c_str(), "Picker Save Test", "txt"});
    HWND dialog = wait_for_dialog("Picker Save Test");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(picker_state(block), PICKER_SAVE_SHOWN);
    HWND name_box = GetDlgItem(dialog, FILE_NAME_BOX);
    ASSERT_NE(name_box, nullptr);
    EXPECT_EQ(control_text(name_box), "proposed.txt");
    // Centred on the screen at the size it is shown with.
    RECT shown;
    GetWindowRect(dialog, &shown);
    int width = shown.right - shown.left, height = shown.bottom - shown.top;
    EXPECT_EQ(shown.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(shown.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);

    // A name without extension gets the default one.
    SetWindowTextA(name_box, "chosen");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(wait_for_idle());
    char name[1024], title[100], directory[300] = "";
    PickerResult result{name, sizeof name, title, sizeof title, directory, sizeof directory};
    ASSERT_TRUE(picker_read_result(block, &result)) << block->file_name;
    std::string expected = folder + "\\chosen.txt";
    EXPECT_EQ(std::string(name), expected);
    EXPECT_EQ(std::string(title), "chosen.txt");
    EXPECT_EQ(result.extension_offset, expected.size() - 3);
    EXPECT_EQ(std::string(directory), folder);
    EXPECT_EQ(FindWindowA(nullptr, "Picker Save Test"), nullptr);

    // The next request has no filter and no default extension: none of the
    // last one's is listed or added.
    ask(PICKER_SAVE_ASKED, {{}, "part", folder.c_str(), "Picker Attachment Test", nullptr});
    dialog = wait_for_dialog("Picker Attachment Test");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(control_text(GetDlgItem(dialog, FILE_NAME_BOX)), "part");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(wait_for_idle());
    ASSERT_TRUE(picker_read_result(block, &result));
    EXPECT_EQ(std::string(name), folder + "\\part");

    // The same helper serves the next request: an open dialog, cancelled
    // with a name proposed.
    ask(PICKER_OPEN_ASKED, {{}, "keep.txt", folder.c_str(), "Picker Open Test", nullptr});
    dialog = wait_for_dialog("Picker Open Test");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(picker_state(block), PICKER_OPEN_SHOWN);
    EXPECT_EQ(control_text(GetDlgItem(dialog, FILE_NAME_BOX)), "keep.txt");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(wait_for_idle());
    EXPECT_EQ(std::string(block->file_name, sizeof block->file_name), std::string(1024, '\0'));
    EXPECT_FALSE(picker_read_result(block, &result));
    EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(PickerTest, EndStateEndsTheHelperWithCodeZero) {
    picker_set_state(block, PICKER_END);
    EXPECT_TRUE(ended_within(process, START_LIMIT_MS));
    EXPECT_EQ(exit_code(process), 0u);
}

TEST_F(PickerTest, DestroyingTheOwnerEndsTheHelperWithItsDialogOpen) {
    ask(PICKER_SAVE_ASKED, {{}, "proposed.txt", folder.c_str(), "Picker Owner Test", nullptr});
    ASSERT_NE(wait_for_dialog("Picker Owner Test"), nullptr);
    DestroyWindow(owner);
    // The helper looks every 100 ms; a second leaves room for a busy Wine.
    EXPECT_TRUE(ended_within(process, 1500));
    EXPECT_EQ(exit_code(process), 0u);
}

}  // namespace
