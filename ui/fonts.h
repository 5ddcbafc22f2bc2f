// "Message Font Selector" (1250) and "Printer Font Selector" (1270).
#pragma once

#include <windows.h>

#include "core/settings.h"

// Shows the font dialog from the slot's current font (the printer font
// with the default printer's fonts). OK replaces the font; the message font
// goes onto the preview pane at once with its text colour; zenth.cfg is
// saved. Cancel changes nothing.
void choose_font(HWND main_window, FontSlot slot);
