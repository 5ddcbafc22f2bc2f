// Without a window system the fonts are their records and the menu checks
// plain values; the file format and every option work the same.
#include <atomic>

#include "client/settings_platform.h"

namespace {
FontRecord fonts[2];
bool has_font[2];
std::atomic<bool> menu_reply_with_message{false}, menu_indent_quoted{false}, menu_original_style{false};

std::atomic<bool>* menu_item(int item) {
    switch (item) {
    case MENU_REPLY_WITH_MESSAGE: return &menu_reply_with_message;
    case MENU_INDENT_QUOTED: return &menu_indent_quoted;
    case MENU_ORIGINAL_REPLY_STYLE: return &menu_original_style;
    default: return nullptr;
    }
}
}  // namespace

int settings_create_default_font() { return 0; }

int settings_create_font(FontSlot slot, const FontRecord* record) {
    has_font[slot] = record != nullptr;
    if (record) fonts[slot] = *record;
    return 0;
}

FontRecord settings_font_record(FontSlot slot) { return has_font[slot] ? fonts[slot] : default_font_record(); }

void settings_set_menu_check(int item, bool checked) {
    if (auto* m = menu_item(item)) m->store(checked);
}

bool settings_menu_checked(int item) {
    auto* m = menu_item(item);
    return m && m->load();
}
