#include "wingui/dpi.h"

#include "core/dpi_scale.h"

namespace {

using DpiForWindow = UINT(WINAPI*)(HWND);
using MetricsForDpi = int(WINAPI*)(int, UINT);

// Looked up once: older systems have no such functions, and the programs
// start there too.
FARPROC user32_function(const char* name) { return GetProcAddress(GetModuleHandleA("user32.dll"), name); }

DpiForWindow dpi_for_window() {
    static DpiForWindow function =
        reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(user32_function("GetDpiForWindow")));
    return function;
}

MetricsForDpi metrics_for_dpi() {
    static MetricsForDpi function =
        reinterpret_cast<MetricsForDpi>(reinterpret_cast<void*>(user32_function("GetSystemMetricsForDpi")));
    return function;
}

// The DPIs a window keeps as properties, so that its children and every
// thread read them alike.
constexpr const char* dpi_now = "ZmDpi";
constexpr const char* dpi_made = "ZmDpiMade";

int property(HWND window, const char* name) {
    return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(window, name)));
}

void set_property(HWND window, const char* name, int value) {
    SetPropA(window, name, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(value)));
}

HWND top_of(HWND window) {
    HWND top = window ? GetAncestor(window, GA_ROOT) : nullptr;
    return top ? top : window;
}

int monitor_dpi(HWND window) {
    if (DpiForWindow function = dpi_for_window(); function && window) {
        if (UINT dpi = function(window)) return static_cast<int>(dpi);
    }
    return system_dpi();
}

}  // namespace

int system_dpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : base_dpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : base_dpi;
}

int window_dpi(HWND window) {
    // The DPI the last WM_DPICHANGED gave is the one the window laid
    // itself out for; the system's answer agrees with it, or lags.
    if (int dpi = window ? property(top_of(window), dpi_now) : 0) return dpi;
    return monitor_dpi(window);
}

int scaled_for(HWND window, int size96) { return dpi_scale(size96, window_dpi(window)); }

int metric_for_dpi(int index, int dpi) {
    if (MetricsForDpi function = metrics_for_dpi()) return function(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, system_dpi());
}

void note_window_dpi(HWND window) {
    int dpi = monitor_dpi(window);
    set_property(window, dpi_made, dpi);
    set_property(window, dpi_now, dpi);
}

void set_window_dpi(HWND window, int dpi) { set_property(window, dpi_now, dpi); }

int at_window_dpi(HWND window, int pixels_when_made) {
    HWND top = top_of(window);
    int made = property(top, dpi_made), now = property(top, dpi_now);
    return made > 0 && now > 0 && made != now ? MulDiv(pixels_when_made, now, made) : pixels_when_made;
}
