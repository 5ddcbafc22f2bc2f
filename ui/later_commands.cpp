#include "ui/later_commands.h"

void reply(HWND, int) {}
void reply_to_list(HWND, int) {}
void forward(HWND, int) {}

void add_to_address_book(HWND, int) {}
void address_book(HWND, int) {}
void search(HWND, int) {}

void print_message(HWND, int) {}
