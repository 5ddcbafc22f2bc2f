// The main window's commands that open windows of their own: the viewer,
// the send windows, the address book, search and printing. Each is a row of
// the command table (client/main_command_list.h); the handlers live beside
// their windows.
#pragma once

#include <windows.h>

#include <richedit.h>

// The message viewer (ui/viewer.cpp, ui/message_window.cpp): "Show HTML"
// (202), "Show Text" (203), F9 (394), the "View" button (346) and "Details"
// (338).
void show_html(HWND window, int command);
void show_text(HWND window, int command);
void show_in_preview(HWND window, int command);
void view_message(HWND window, int command);
void details(HWND window, int command);
// The preview pane's link notification (EN_LINK).
void open_preview_link(HWND window, ENLINK* link);

// Reply, forward and compose (ui/compose_commands.cpp): "New Email" (343,
// through 910), "Open File" (393), "Reply" (339), "Reply to List" (250),
// "Forward" (402) and "Close Send Windows" (1306).
void new_email(HWND window, int command);
void open_file(HWND window, int command);
void reply(HWND window, int command);
void reply_to_list(HWND window, int command);
void forward(HWND window, int command);
void close_send_windows(HWND window, int command);

// The address book and search (ui/address_book_window.cpp,
// ui/search_window.cpp): "Add To Address Book" (350), "Address Book" (1080)
// and "Search" (1280).
void add_to_address_book(HWND window, int command);
void address_book(HWND window, int command);
void search(HWND window, int command);

// Printing (ui/print_commands.cpp): "Print" (362).
void print_message(HWND window, int command);
