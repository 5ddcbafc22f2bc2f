// What the client's settings need from the window system: fonts made from
// records, and the check marks of three menu items that hold their options.
#pragma once

#include "client/main_window_ids.h"
#include "core/settings.h"

// The main menu's items whose check marks are options of the file.
enum {
    MENU_REPLY_WITH_MESSAGE = CMD_REPLY_WITH_MESSAGE,      // SETTING_REPLY_WITH_MESSAGE
    MENU_INDENT_QUOTED = CMD_INDENT_QUOTED,                // SETTING_INDENT_QUOTED
    MENU_ORIGINAL_REPLY_STYLE = CMD_ORIGINAL_REPLY_STYLE,  // SETTING_ORIGINAL_REPLY_STYLE
};

// Each returns 0, or -1 when the font could not be created.
int settings_create_default_font();
// A null record makes the slot use the default font.
int settings_create_font(FontSlot slot, const FontRecord* record);
// The record of the font in the slot (the default font's when it has none).
FontRecord settings_font_record(FontSlot slot);
void settings_set_menu_check(int item, bool checked);
bool settings_menu_checked(int item);
