// The account manager's windows: the list window on the program's main
// thread and up to ten settings windows, each on a thread of its own, all
// working on one account list.
#pragma once

#include <windows.h>

#include <mutex>

#include "profiles/account_list.h"

constexpr int settings_window_slots = 10;

struct Profiles {
    HINSTANCE instance = nullptr;
    HWND list_window = nullptr;
    AccountList accounts;
    // The open settings windows and the account each edits (its number; 0
    // for a free slot).
    std::mutex slots_lock;
    HWND settings_windows[settings_window_slots] = {};
    int settings_accounts[settings_window_slots] = {};
};

// The list window; it ends the program's loop when the user is done.
// Returns false when it could not be made.
bool run_list_window(Profiles* profiles);

// Opens a settings window for the account with that number on a thread of
// its own; none when ten are open already.
void open_settings_window(Profiles* profiles, int account_id);
// Closes, without applying, every settings window of that account.
void close_settings_windows(Profiles* profiles, int account_id);

// Private command of the list window: the settings window of the account
// with the number in the parameter stored it; the list shows its new name.
enum { CMD_ACCOUNT_STORED = 40001 };
