// A send window's record and the small things its commands do to the
// window: its title, its account's fields, its encryption indicator.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

struct SendWindow {
    HWND window = nullptr;
    HWND main_window = nullptr;
    int slot = -1;
    int attachment_count = 0;
    // The file the message was loaded from or last saved to, relative to
    // the program folder when it lies inside it; empty for a new message.
    std::string file_path;
    std::string reply_reference;  // "Message-ID" of the message replied to
    std::atomic<int> sends_running{0};
    bool done = false;
};

// Fills "Server:" and "From:" from account `account`.
void choose_send_account(HWND window, int account);
// The title "Send Mail", "Reply", "Send Mail (<path>)" or "Reply (<path>)".
void set_send_title(SendWindow* state);
// The encryption indicator follows "Encrypt Messages".
void refresh_indicator(HWND window);
