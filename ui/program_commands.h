// The main window's commands that hand a file to another program: "View
// Help File" (335), "View Source" (342) and "Account Manager" (1070).
#pragma once

#include <windows.h>

void view_help_file(HWND window, int command);
void view_source(HWND window, int command);
void account_manager(HWND window, int command);
