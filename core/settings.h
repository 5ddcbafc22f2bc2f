// The options file zenth.cfg: seven CR LF lines (the option bits, the
// new-message command, the new-mail sound, the SOCKS server, port, user name
// and password), then two binary 60-byte font records, message font first.
// The client and the options program both read and write it through the
// record below; what the options mean to the client is applied by the client.
#pragma once

#include <atomic>
#include <cstdint>

enum : int {
    SETTING_USE_SOCKS = 0x4000,
    SETTING_ORIGINAL_REPLY_STYLE = 0x2000,  // a check mark of the client's menu
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
    SETTING_REPLY_WITH_MESSAGE = 0x2,  // a check mark of the client's menu
    SETTING_INDENT_QUOTED = 0x1,       // a check mark of the client's menu
};

enum { HTML_ALWAYS = 0, HTML_IF_NO_TEXT = 1, HTML_NEVER = 2 };

// A font as the file stores it: the layout of LOGFONTA, little-endian.
struct FontRecord {
    int32_t height, width, escapement, orientation, weight;
    uint8_t italic, underline, strike_out, char_set, out_precision, clip_precision, quality, pitch_and_family;
    char face_name[32];
};
constexpr int font_record_size = 60;

enum FontSlot { MESSAGE_FONT = 0, PRINTER_FONT = 1 };

// Arial, height -12, everything else 0.
FontRecord default_font_record();
void font_record_to_bytes(const FontRecord& font, unsigned char out[font_record_size]);
// The face name's last byte is always taken as zero, as a font takes it.
FontRecord font_record_from_bytes(const unsigned char in[font_record_size]);

extern const char settings_file[];  // "zenth.cfg"

// The longest line kept of the command and sound lines, and of the others.
constexpr int settings_long_line = 1022;
constexpr int settings_short_line = 98;

// How long a mail connection waits for its server: the seconds without a
// byte from it after which a session gives up. Line 1 carries it behind the
// option bits ("67 120"), where older programs, which read the line as one
// number, pass over it; without it the default applies.
constexpr int server_timeout_default = 60;
constexpr int server_timeout_least = 10;  // what the options program offers
constexpr int server_timeout_most = 600;
// Seconds allowed for a server to accept the connection.
constexpr int connect_timeout_seconds = 30;
// The tray's mail checks: every minute, or as the file says, within these.
constexpr int tray_check_default_seconds = 60;
constexpr int tray_check_min_seconds = 1, tray_check_max_seconds = 3600;

// The file's contents. Strings are kept as read: cut at their first carriage
// return and to the lengths above, empty for a missing line.
struct SettingsRecord {
    int bits = 0;  // line 1 as a number ("%i")
    // The number behind the bits on line 1, 0 when there is none (the
    // default). Written only when it is not the default, so a file that
    // never set it keeps its bytes.
    int server_timeout = 0;
    // The seconds between the tray's mail checks: line 1 may carry them
    // after the time-out and one blank ("0 60 5"), written only when they differ
    // from the usual minute, so that other files stay as they were. Older
    // readers take the bits alone. Only tests shorten it; no window sets it.
    int tray_check_seconds = tray_check_default_seconds;
    char new_mail_command[settings_long_line + 2] = {};
    char new_mail_sound[settings_long_line + 2] = {};
    char socks_server[settings_short_line + 2] = {};  // an IPv4 address
    char socks_port[settings_short_line + 2] = {};    // decimal, kept as text
    char socks_user[settings_short_line + 2] = {};
    char socks_password[settings_short_line + 2] = {};  // plain text
    // How many font records the file holds: 0, 1 (the message font) or 2. A
    // record cut short counts, its missing bytes zero.
    int font_count = 0;
    FontRecord fonts[2] = {};  // by FontSlot
};

enum { SETTINGS_FILE_OK = 0, SETTINGS_FILE_CANNOT_OPEN = -1, SETTINGS_FILE_WRITE_FAILED = -2 };

// Reads the file into a fresh record. SETTINGS_FILE_OK, or
// SETTINGS_FILE_CANNOT_OPEN (the record keeps its defaults). Shows nothing.
int settings_read(const char* path, SettingsRecord* record);
// Creates or replaces the file: the seven lines, then font_count records,
// written to a scratch file that replaces the old file only when every write
// succeeded. SETTINGS_FILE_OK, SETTINGS_FILE_CANNOT_OPEN or
// SETTINGS_FILE_WRITE_FAILED; on either failure the old file stays as it
// was. Shows nothing.
int settings_write(const char* path, const SettingsRecord& record);

// The client's options in effect, other than the three menu check marks:
// the option bits except the HTML display mode, which is kept on its own.
// Set from the file at start-up, read by every part of the client.
extern std::atomic<int> settings_flags;
extern std::atomic<int> html_display_mode;
extern std::atomic<int> multipart_html_disabled;
// The server time-out of the file in effect, in seconds: the file's number
// taken between 1 and server_timeout_most (a hand-edited file may ask for
// less than the options program offers), the default when it has none.
extern std::atomic<int> server_timeout_seconds;
int server_timeout_in_effect(int from_file);
// The seconds between the tray's mail checks (the record's field).
extern std::atomic<int> tray_check_seconds;

// Whether a bit of settings_flags is set (not for the HTML display mode or
// the menu check marks, which have their own state).
bool setting_on(int bit);
