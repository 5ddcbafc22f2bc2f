// The hidden print window (class "ZMPrintEdit") and its rich edit control
// 1260, on a thread of their own from start-up: messages are laid out there
// before they are printed, 550 pixels wide, so printed lines break where
// that control breaks them.
#pragma once

#include <windows.h>

#define IDC_PRINT_CONTROL 1260

// Starts the thread and waits until its window exists. False when the
// thread could not start (start-up treats that as fatal).
bool start_print_window(HWND main_window);
// The print control, null before start_print_window.
HWND print_control();
