// The client's side of the file-dialog helper, in-process: a thread of the
// test plays the helper on the window's block, while the window's helper
// process is a real zenth-picker serving another block, so that the bridge
// has a process to watch. What the window sees is checked: the answer, the
// buffers, the messages it still handled and the ones it dropped.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "client/attachment_job.h"
#include "client/attachment_line.h"
#include "core/app_state.h"
#include "core/arrays.h"
#include "core/picker_block.h"
#include "core/window_number.h"
#include "tests/picker/picker_path.h"
#include "ui/file_dialogs.h"
#include "ui/picker_bridge.h"

using namespace std::string_view_literals;

namespace {

constexpr UINT NESTED_COMMAND = 41;
constexpr UINT PLAIN_COMMAND = 42;

std::atomic<int> commands_seen{0};
std::atomic<int> keys_seen{0};
std::atomic<int> nested_answer{-1};

LRESULT CALLBACK owner_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && LOWORD(wparam) == PLAIN_COMMAND) commands_seen++;
    if (message == WM_KEYDOWN) keys_seen++;
    if (message == WM_COMMAND && LOWORD(wparam) == NESTED_COMMAND) {
        // A second request of the window while its first is open.
        Array* name = array_new(1024);
        FileRequest again;
        make_file_request(&again, window, name, nullptr, "Nested", {}, nullptr, nullptr);
        nested_answer = pick_file(&again);
        delete_arrays(name);
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

class BridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA type{};
        type.lpfnWndProc = owner_procedure;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "ZmBridgeOwner";
        RegisterClassA(&type);
        owner = CreateWindowA("ZmBridgeOwner", "Bridge owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, type.hInstance, nullptr);
        ASSERT_TRUE(owner);
        // The helper process idles on a block of its own with no owner to
        // watch, so it lives until that block tells it to end.
        idle_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(PickerBlock),
                                          "zm-bridge-idle");
        idle = static_cast<PickerBlock*>(MapViewOfFile(idle_mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        ASSERT_TRUE(idle);
        std::memset(idle, 0, sizeof(PickerBlock));
        std::string command = "\"" + picker_path() + "\" zm-bridge-idle";
        ASSERT_TRUE(launch_picker_as(owner, command.c_str()));
        char name[16];
        std::snprintf(name, sizeof name, "%i", static_cast<int>(picker_owner_field(reinterpret_cast<intptr_t>(owner))));
        block_mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
        block = static_cast<PickerBlock*>(MapViewOfFile(block_mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        ASSERT_TRUE(block);
        file_name = array_new(1024);
        directory = array_new(300);
        commands_seen = 0;
        keys_seen = 0;
        nested_answer = -1;
    }

    void TearDown() override {
        if (helper.joinable()) helper.join();
        end_picker(owner);
        picker_set_state(idle, PICKER_END);
        UnmapViewOfFile(block);
        CloseHandle(block_mapping);
        UnmapViewOfFile(idle);
        CloseHandle(idle_mapping);
        DestroyWindow(owner);
        delete_arrays(file_name, directory);
    }

    // The helper's first step: the request taken as the helper takes it,
    // waiting up to 2 s for the bridge to make it.
    void take_request() {
        for (int i = 0; i < 200 && picker_take_request(block) == PICKER_IDLE; i++) Sleep(10);
    }

    // The helper's part: takes the request, holds the dialog open for
    // `open_ms`, then answers with `chosen` (empty: cancelled).
    void play_helper(DWORD open_ms, const char* chosen) {
        helper = std::thread([this, open_ms, chosen] {
            take_request();
            Sleep(open_ms);
            std::snprintf(block->file_name, sizeof block->file_name, "%s", chosen);
            std::snprintf(block->directory, sizeof block->directory, "%s", *chosen ? "Z:\\chosen" : "");
            block->extension_offset = *chosen ? 17 : 0;
            picker_set_state(block, PICKER_IDLE);
        });
    }

    int ask_save() {
        array_copy(directory, "Z:\\start");
        FileRequest request;
        make_file_request(&request, owner, file_name, directory, "Save Email", "e-mail file(*.eml)\0*.eml\0\0"sv,
                          nullptr, "eml");
        array_copy(file_name, "proposed");
        int answer = pick_save_file(&request);
        offset = request.extension_offset;
        return answer;
    }

    HWND owner = nullptr;
    HANDLE idle_mapping = nullptr, block_mapping = nullptr;
    PickerBlock* idle = nullptr;
    PickerBlock* block = nullptr;
    Array* file_name = nullptr;
    Array* directory = nullptr;
    uint16_t offset = 0;
    std::thread helper;
};

TEST_F(BridgeTest, AChosenFileComesBackWithItsFolder) {
    play_helper(100, "Z:\\chosen\\kept.eml");
    EXPECT_EQ(ask_save(), 1);
    EXPECT_STREQ(file_name->text, "Z:\\chosen\\kept.eml");
    EXPECT_STREQ(directory->text, "Z:\\chosen");
    EXPECT_EQ(offset, 17);
    // What the helper was given.
    EXPECT_STREQ(block->title, "Save Email");
    EXPECT_STREQ(block->default_extension, "eml");
    EXPECT_EQ(std::string(block->filter, 26), std::string("e-mail file(*.eml)\0*.eml\0\0", 26));
}

TEST_F(BridgeTest, ACancelledDialogLeavesTheNameEmpty) {
    play_helper(50, "");
    EXPECT_EQ(ask_save(), 0);
    EXPECT_STREQ(file_name->text, "");
    EXPECT_STREQ(directory->text, "Z:\\start");
}

TEST_F(BridgeTest, ARequestNobodyTakesIsTakenBackAfterTwoSeconds) {
    DWORD started = GetTickCount();
    EXPECT_EQ(ask_save(), 0);
    DWORD waited = GetTickCount() - started;
    EXPECT_GE(waited, 1900u);
    EXPECT_LT(waited, 6000u);
    // A helper that wakes up late finds nothing to show.
    EXPECT_EQ(picker_take_request(block), PICKER_IDLE);
    EXPECT_EQ(picker_state(block), PICKER_IDLE);
}

TEST_F(BridgeTest, WhileTheDialogIsOpenCommandsRunInputIsDroppedAndAQuitWaits) {
    play_helper(600, "Z:\\chosen\\kept.eml");
    PostMessageA(owner, WM_COMMAND, PLAIN_COMMAND, 0);
    PostMessageA(owner, WM_KEYDOWN, 'A', 0);
    PostMessageA(owner, WM_COMMAND, NESTED_COMMAND, 0);
    PostQuitMessage(7);
    EXPECT_EQ(ask_save(), 1);
    EXPECT_EQ(commands_seen.load(), 1);
    EXPECT_EQ(keys_seen.load(), 0);
    EXPECT_EQ(nested_answer.load(), 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

TEST_F(BridgeTest, AHelperThatEndsMidDialogFailsTheRequestAndEveryLaterOneAtOnce) {
    helper = std::thread([this] {
        take_request();
        // The helper's process ends with its dialog open, as if killed.
        picker_set_state(idle, PICKER_END);
    });
    EnableWindow(owner, FALSE);  // as the helper's dialog leaves its owner
    EXPECT_EQ(ask_save(), 0);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DWORD started = GetTickCount();
    EXPECT_EQ(ask_save(), 0);
    EXPECT_LT(GetTickCount() - started, 500u);
}

TEST_F(BridgeTest, AHelperGoneBeforeTheRequestFailsItAndLaterOnesAtOnce) {
    picker_set_state(idle, PICKER_END);
    Sleep(1000);  // the helper looks at its block every 100 ms
    DWORD started = GetTickCount();
    EXPECT_EQ(ask_save(), 0);
    EXPECT_LT(GetTickCount() - started, 500u);
    EXPECT_EQ(picker_state(block), PICKER_END);
}

// The attachment box's "Save": the attachment's own name proposed, no
// filter, the main window's save folder, and the file copied where chosen.
TEST_F(BridgeTest, TheAttachmentBoxSaveProposesTheNameAndCopiesTheFile) {
    if (!app.save_mail_folder) create_app_state();
    array_copy(app.save_mail_folder, "Z:\\start");
    CreateDirectoryA("temp", nullptr);
    Array* source = array_new(100);
    attachment_file_path(source, window_number(owner), 1);
    FILE* made = std::fopen(source->text, "wb");
    ASSERT_TRUE(made);
    std::fputs("attachment bytes\r\n", made);
    std::fclose(made);
    char target[MAX_PATH];
    GetFullPathNameA("saved-attachment.bin", MAX_PATH, target, nullptr);
    DeleteFileA(target);
    std::string proposed, folder, filter;
    helper = std::thread([&] {
        take_request();
        proposed = block->file_name;
        folder = block->directory;
        filter = block->filter;
        std::snprintf(block->file_name, sizeof block->file_name, "%s", target);
        std::snprintf(block->directory, sizeof block->directory, "Z:\\chosen");
        picker_set_state(block, PICKER_IDLE);
    });
    SaveDialog dialog{owner, DIALOG_SAVE_ATTACHMENT};
    SaveChooser chooser = save_dialog_chooser(&dialog);
    EXPECT_EQ(save_attachment(window_number(owner), "report.pdf", 1, &chooser), 0);
    helper.join();
    EXPECT_EQ(proposed, "report.pdf");
    EXPECT_EQ(folder, "Z:\\start");
    EXPECT_EQ(filter, "");
    EXPECT_STREQ(block->title, "Save Attachment");
    EXPECT_STREQ(app.save_mail_folder->text, "Z:\\chosen");
    FILE* saved = std::fopen(target, "rb");
    ASSERT_TRUE(saved);
    char bytes[64] = {};
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, saved), 18u);
    std::fclose(saved);
    EXPECT_STREQ(bytes, "attachment bytes\r\n");
    DeleteFileA(target);
    DeleteFileA(source->text);
    delete_arrays(source);
}

}  // namespace
