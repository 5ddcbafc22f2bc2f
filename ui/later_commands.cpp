#include "ui/later_commands.h"

void reply(HWND, int) {}
void reply_to_list(HWND, int) {}
void forward(HWND, int) {}
