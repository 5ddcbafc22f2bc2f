// The standard font dialog.
#pragma once

#include <windows.h>

// Shows the font dialog starting from `font`: the screen's fonts, or with a
// printer's device context that printer's fonts. True on OK, with `font`
// replaced by the choice; false on Cancel, `font` unchanged.
bool choose_font_dialog(HWND owner, LOGFONTA* font, HDC printer);
