#include "wingui/dpi.h"

#include "core/dpi_scale.h"

namespace {

using DpiForWindow = UINT(WINAPI*)(HWND);

// Looked up once: older systems have no such function, and the programs
// start there too.
DpiForWindow dpi_for_window() {
    static DpiForWindow function = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    return function;
}

}  // namespace

int system_dpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : base_dpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : base_dpi;
}

int window_dpi(HWND window) {
    if (DpiForWindow function = dpi_for_window(); function && window) {
        if (UINT dpi = function(window)) return static_cast<int>(dpi);
    }
    return system_dpi();
}

int scaled_for(HWND window, int size96) { return dpi_scale(size96, window_dpi(window)); }
