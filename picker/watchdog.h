// Ends the helper as soon as the window it serves is gone.
#pragma once

#include "core/picker_block.h"

// Every 100 ms on a thread of its own: when the block names an owner that
// is no longer a window, the process ends at once with code 0, even while
// a dialog is open.
void start_watchdog(const PickerBlock* block);
