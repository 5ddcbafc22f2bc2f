// Process-wide state of the client, created once at start-up and kept until
// the process ends.
#pragma once

#include <atomic>

#include "core/arrays.h"

struct AppState {
    Array* program_folder = nullptr;          // 1000 bytes: the working directory
    Array* store_root = nullptr;              // 300: program folder\maildir
    Array* current_folder = nullptr;          // 1024: store path of the folder on show
    Array* save_mail_folder = nullptr;        // 300
    Array* save_attachment_folder = nullptr;  // 300
    Array* compose_attach_folder = nullptr;   // 300, set by each send window
    Array* compose_save_folder = nullptr;     // 300
    Array* compose_windows = nullptr;         // 100 x 32 bits, 0 = free slot
    Array* status_windows = nullptr;          // 100 x 32 bits
    Array* pop3_work = nullptr;               // 1000 x 32 bits
    Array* colour_table = nullptr;            // 100 bytes
    StringList* accounts = nullptr;           // 81 x 100
    StringList* socks_settings = nullptr;     // 4 x 100
    Array* new_mail_command = nullptr;        // 1024
    Array* new_mail_sound = nullptr;          // 1024
    StringList* plain_first = nullptr;        // 5 x 20: "text/plain", "text/html"
    StringList* html_first = nullptr;         // 5 x 20: "text/html", "text/plain"
    StringList* dispositions = nullptr;       // 5 x 20: "attachment", "inline"
    Array* mailto_address = nullptr;          // 12631: the address after "mailto:"

    std::atomic<int> uniscribe_available{0};
    std::atomic<int> wide_api_available{1};
    std::atomic<int> open_temp_folder{0};
    std::atomic<int> mailto_mode{0};
    std::atomic<int> start_in_tray{0};
    std::atomic<int> tray_mode{0};
    std::atomic<int> screen_width{0};
    std::atomic<int> screen_height{0};
};

extern AppState app;

// Step 1 of the start-up: every buffer, table and list with its capacity,
// and the part preference and disposition lists filled.
void create_app_state();
// Sets store_root and the two save folders from program_folder.
void set_store_paths();
