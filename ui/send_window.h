// The send windows ("Send Mail", dialog 200): each on a thread of its own
// with its own loop, up to 100 at once, where a message is written, saved,
// queued or sent.
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

// The record of a send window, null for any other window.
SendWindow* send_window_of(HWND window);

// The main window's private command 910: a new send window on a thread of
// its own. Returns its handle value once it exists; 0 when none came (all
// 100 in use, "Reached maximum window count!", or it could not be made
// within the bound).
LRESULT open_send_window(HWND main_window, LPARAM argument);

// Fills "Server:" and "From:" from account `account` (a name beginning with
// "!" leaves them as they are at the window's start only).
void choose_send_account(HWND window, int account);
// The title "Send Mail", "Send Mail (<path>)" or "Reply (<path>)".
void set_send_title(SendWindow* state);
// The encryption indicator follows "Encrypt Messages".
void refresh_indicator(HWND window);
