// The account manager's windows: the list window on the program's main
// thread and up to ten settings windows, each on a thread of its own, all
// working on one account list.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "profiles/account_list.h"

struct SignInRequest;

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

// The text of an edit of a dialog, whole: the rules of what may be stored
// refuse what is too long rather than the window cutting it.
std::string edit_text(HWND dialog, int id);

// The sign-in dialog for the account of a settings window, modal to it:
// `account` holds the account's server, user and address as the window
// shows them, `provider_entry` the provider it shows.
void run_sign_in_window(HWND owner, const SignInRequest& account, int provider_entry);

// The server folders dialog of an IMAP account, modal to its settings
// window: the list kept under `server` and `user`, without one the server's
// INBOX into `inbox`, as the window shows them.
void run_server_folders_window(HWND owner, const std::string& server, const std::string& user,
                               const std::string& inbox);

// Private commands. Of the list window: the settings window of the account
// with the number in the parameter stored it; the list shows its new name.
// Of the sign-in dialog: its sign-in has ended.
enum { CMD_ACCOUNT_STORED = 40001, CMD_SIGN_IN_ENDED = 40002 };
