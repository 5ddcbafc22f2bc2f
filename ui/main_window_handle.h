// The main window's handle, for the windows and threads that send it
// commands; null before it exists and after it is gone.
#pragma once

#include <windows.h>

#include <atomic>

inline std::atomic<HWND> main_window{nullptr};
