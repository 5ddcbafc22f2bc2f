#include "client/settings_platform_win32.h"

#include <atomic>
#include <cstring>

#include "client/settings_platform.h"
#include "core/dpi_scale.h"
#include "wingui/dpi.h"

namespace {
std::atomic<HMENU> settings_menu{nullptr};
HFONT default_font = nullptr;
// Windows of other threads set these fonts on their controls: a new font is
// published whole, and the one it replaced is deleted only at the next
// change, never while a control may still be drawing with it.
std::atomic<HFONT> fonts[2] = {nullptr, nullptr};
HFONT retired[2] = {nullptr, nullptr};  // the interface thread's only

void publish(FontSlot slot, HFONT font) {
    HFONT previous = fonts[slot].exchange(font);
    if (retired[slot]) DeleteObject(retired[slot]);
    retired[slot] = previous;
}

// The file's font record is LOGFONTA as it lies in memory, field for field.
static_assert(sizeof(LOGFONTA) == sizeof(FontRecord) && sizeof(FontRecord) == font_record_size);

LOGFONTA to_logfont(const FontRecord& r) {
    LOGFONTA f;
    std::memcpy(&f, &r, sizeof f);
    f.lfFaceName[LF_FACESIZE - 1] = 0;
    return f;
}

FontRecord to_record(const LOGFONTA& f) {
    FontRecord r;
    std::memcpy(&r, &f, sizeof r);
    return r;
}
}  // namespace

void settings_use_menu(HMENU menu) { settings_menu.store(menu); }

HFONT settings_default_font() { return default_font; }

HFONT settings_font(FontSlot slot) {
    HFONT font = fonts[slot].load();
    return font ? font : default_font;
}

void settings_replace_font(FontSlot slot, HFONT font) { publish(slot, font); }

int settings_create_default_font() {
    if (default_font) return 0;
    default_font = CreateFontA(dpi_scale(-12, system_dpi()), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    return default_font ? 0 : -1;
}

int settings_create_font(FontSlot slot, const FontRecord* record) {
    if (!record) {
        publish(slot, nullptr);
        return 0;
    }
    LOGFONTA f = to_logfont(*record);
    // The message font's height is stored in pixels at 96 dpi (the
    // printer's in points, which need nothing).
    if (slot == MESSAGE_FONT) f.lfHeight = dpi_scale(f.lfHeight, system_dpi());
    HFONT font = CreateFontIndirectA(&f);
    publish(slot, font);
    return font ? 0 : -1;
}

FontRecord settings_font_record(FontSlot slot) {
    LOGFONTA f{};
    HFONT font = settings_font(slot);
    if (!font || GetObjectA(font, sizeof f, &f) == 0) return default_font_record();
    // Pixels of this display back to 96 dpi; a slot without a font of its
    // own has the default font's pixel height too.
    if (slot == MESSAGE_FONT || font == default_font) f.lfHeight = dpi_unscale(f.lfHeight, system_dpi());
    return to_record(f);
}

void settings_set_menu_check(int item, bool checked) {
    if (HMENU menu = settings_menu.load())
        CheckMenuItem(menu, static_cast<UINT>(item), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool settings_menu_checked(int item) {
    HMENU menu = settings_menu.load();
    return menu && (GetMenuState(menu, static_cast<UINT>(item), MF_BYCOMMAND) & MF_CHECKED);
}
