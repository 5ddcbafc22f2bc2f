#include "wingui/progress_bar.h"

#include <commctrl.h>

void progress_bar_range(HWND bar, int low, int high) { SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(low, high)); }

void progress_bar_reset(HWND bar, int step) {
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    SendMessageA(bar, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void progress_bar_step(HWND bar) { SendMessageA(bar, PBM_STEPIT, 0, 0); }

void progress_bar_advance(HWND bar, int count) { SendMessageA(bar, PBM_DELTAPOS, static_cast<WPARAM>(count), 0); }

int progress_bar_position(HWND bar) { return static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)); }
