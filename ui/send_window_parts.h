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
    std::string reply_references;  // the "References" ids a reply carries
    std::atomic<int> sends_running{0};
    bool done = false;
};

// Fills "Server:" and "From:" from account `account`.
void choose_send_account(HWND window, int account);
// The title "Send Mail", "Reply", "Send Mail (<path>)" or "Reply (<path>)".
void set_send_title(SendWindow* state);
// The encryption indicator follows "Encrypt Messages".
void refresh_indicator(HWND window);

// What Reply, Reply to List and Forward put into a new send window, handed
// over to the window's own thread (SEND_FILL).
struct SendFill {
    std::string to;         // UTF-8
    std::string subject;    // UTF-8
    std::string reference;  // the reply reference ("Message-ID"), or empty
    std::string references;  // the reply's "References" ids, or empty
    bool with_text = false;
    std::string lead;       // UTF-8, in front of the text file
    std::string text_path;  // the decoded text, read in `code_page`
    int code_page = 0;
    std::string forward_path;  // Forward: the message whose attachments are taken over
    bool encrypt = false;      // the message replied to is encrypted
};
