// The window every wingui test works on: a visible dialog holding one
// control of each kind, made fresh for each test, and what its procedure
// has seen.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/wingui/test_ids.h"
#include "wingui/virtual_list.h"

struct TestState {
    int commands = 0;
    int last_command = 0;
    LPARAM last_argument = 0;
    int right_clicks = 0;
    int popup_first_item = 0;
    bool done = false;
    DWORD procedure_thread = 0;
    // What the owner-data list view asks the dialog, when set.
    const VirtualRows* virtual_rows = nullptr;
};

// What the test dialog's procedure answers to commands: set_dialog_result
// with twice the argument; CMD_THIRD also sets `done`.
INT_PTR CALLBACK test_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    HWND item(int id) const { return GetDlgItem(dialog, id); }

    TestState state;
    HWND dialog = nullptr;
};

// Runs every message waiting for this thread.
void pump();
// The control's text as the system gives it.
std::string raw_text(HWND window);
