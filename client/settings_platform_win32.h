// The Windows side of the settings: font handles and the menu whose check
// marks hold three of the options.
#pragma once

#include <windows.h>

#include "client/settings_platform.h"

// The menu that carries items 1700, 345 and 1220 (the main window's menu).
void settings_use_menu(HMENU menu);
HFONT settings_default_font();
// The slot's font, or the default font when it has none of its own.
HFONT settings_font(FontSlot slot);
// Replaces the slot's font, as a font chosen by the user does.
void settings_replace_font(FontSlot slot, HFONT font);
