// The client's main window made in this process as start-up makes it, in a
// program folder of its own, with the shell's opener recorded.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// What the shell was asked to open, "file|directory", newest last.
extern std::vector<std::string> shell_opened;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The status field's text.
    std::string status_text();
    HWND item(int id) { return GetDlgItem(window, id); }
    // Handles what is waiting, as the main loop would.
    void pump();
    // Writes a message file into a folder of the store.
    void write_message(const std::string& folder_name, int number, const std::string& subject);

    HWND window = nullptr;
    std::filesystem::path folder, previous;
};
