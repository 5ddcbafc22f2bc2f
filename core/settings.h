// The options file zenth.cfg: seven CR LF lines (the option bits, the
// new-message command, the new-mail sound, the SOCKS server, port, user name
// and password), then two binary 60-byte font records, message font first.
#pragma once

#include <atomic>
#include <cstdint>

enum : int {
    SETTING_USE_SOCKS = 0x4000,
    SETTING_ORIGINAL_REPLY_STYLE = 0x2000,  // menu item 1700
    SETTING_DELETE_AT_ONCE = 0x1000,
    SETTING_NO_MULTIPART_HTML = 0x800,
    SETTING_ALWAYS_HTML = 0x400,
    SETTING_HTML_IF_NO_TEXT = 0x200,
    SETTING_PROMPT_HTML = 0x100,
    SETTING_NO_ATTACHMENTS = 0x80,
    SETTING_SAVE_SENT = 0x40,
    SETTING_BCC = 0x20,
    SETTING_AUTO_ENCRYPT = 0x10,
    SETTING_DIALUP_CHECK = 0x8,
    SETTING_NO_SHOW_HTML = 0x4,
    SETTING_REPLY_WITH_MESSAGE = 0x2,  // menu item 345
    SETTING_INDENT_QUOTED = 0x1,       // menu item 1220
};

enum { MENU_REPLY_WITH_MESSAGE = 345, MENU_INDENT_QUOTED = 1220, MENU_ORIGINAL_REPLY_STYLE = 1700 };

enum { HTML_ALWAYS = 0, HTML_IF_NO_TEXT = 1, HTML_NEVER = 2 };

// A font as the file stores it: the layout of LOGFONTA, little-endian.
struct FontRecord {
    int32_t height, width, escapement, orientation, weight;
    uint8_t italic, underline, strike_out, char_set, out_precision, clip_precision, quality, pitch_and_family;
    char face_name[32];
};
constexpr int font_record_size = 60;

enum FontSlot { MESSAGE_FONT = 0, PRINTER_FONT = 1 };

// The option bits other than the HTML display mode and the three menu
// checks, which live in their own state.
extern std::atomic<int> settings_flags;
extern std::atomic<int> html_display_mode;
extern std::atomic<int> multipart_html_disabled;

bool setting_on(int bit);
// Arial, height -12, everything else 0.
FontRecord default_font_record();
void font_record_to_bytes(const FontRecord& font, unsigned char out[font_record_size]);
FontRecord font_record_from_bytes(const unsigned char in[font_record_size]);

// Reads zenth.cfg from the working folder. Returns 0, or -1 when it cannot
// be opened ("Could not open config file!"; every option keeps its default).
int settings_load();
// Writes zenth.cfg from the current state. Returns 0, or -1 when it cannot
// be opened for writing ("Cannot open config file!").
int settings_save();
// The option bits as settings_save would write them.
int settings_bits();
