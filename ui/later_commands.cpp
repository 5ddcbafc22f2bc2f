#include "ui/later_commands.h"

#include "ui/thread_commands.h"
#include "wingui/controls.h"


void new_email(HWND window, int) { send_command(window, CMD_OPEN_SEND_WINDOW); }
void open_file(HWND, int) {}
void reply(HWND, int) {}
void reply_to_list(HWND, int) {}
void forward(HWND, int) {}
void close_send_windows(HWND, int) {}
LRESULT open_send_window(HWND, LPARAM) { return 0; }

void add_to_address_book(HWND, int) {}
void address_book(HWND, int) {}
void search(HWND, int) {}

void print_message(HWND, int) {}
