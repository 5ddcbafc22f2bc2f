// The progress bar of the status windows.
#include <windows.h>

#include <commctrl.h>

#include "tests/wingui/test_window.h"
#include "wingui/progress_bar.h"

using ProgressBarTest = WindowTest;

TEST_F(ProgressBarTest, RangeResetAndSteps) {
    HWND bar = item(IDC_PROGRESS);
    progress_bar_range(bar, 0, 100);
    PBRANGE range{};
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);

    SendMessageA(bar, PBM_SETPOS, 60, 0);
    progress_bar_reset(bar, 7);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    progress_bar_step(bar);
    progress_bar_step(bar);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 14);
    EXPECT_EQ(progress_bar_position(bar), 14);
}

TEST_F(ProgressBarTest, AdvanceMovesManyStepsAtOnceAndStopsAtTheEnd) {
    HWND bar = item(IDC_PROGRESS);
    progress_bar_range(bar, 0, 100);
    progress_bar_reset(bar, 1);
    progress_bar_advance(bar, 37);
    EXPECT_EQ(progress_bar_position(bar), 37);
    progress_bar_step(bar);
    progress_bar_advance(bar, 200);
    EXPECT_EQ(progress_bar_position(bar), 100);
}
