// Progress bars (the status windows' bar).
#pragma once

#include <windows.h>

void progress_bar_range(HWND bar, int low, int high);
// Back to the start, advancing `step` at each progress_bar_step.
void progress_bar_reset(HWND bar, int step);
void progress_bar_step(HWND bar);
// `count` steps of 1 at once: one message, one repaint.
void progress_bar_advance(HWND bar, int count);
int progress_bar_position(HWND bar);
