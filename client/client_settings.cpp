#include "client/client_settings.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "client/settings_platform.h"
#include "core/app_state.h"
#include "core/ui_services.h"
#include "transport/socks_config.h"

namespace {

// The bits that have a state of their own rather than a place in
// settings_flags.
constexpr int separately_kept = SETTING_ALWAYS_HTML | SETTING_HTML_IF_NO_TEXT | SETTING_ORIGINAL_REPLY_STYLE |
                                SETTING_REPLY_WITH_MESSAGE | SETTING_INDENT_QUOTED;

void apply_bits(int bits) {
    settings_flags = bits & ~separately_kept;
    html_display_mode = (bits & SETTING_ALWAYS_HTML) ? HTML_ALWAYS : (bits & SETTING_HTML_IF_NO_TEXT) ? HTML_IF_NO_TEXT
                                                                                                  : HTML_NEVER;
    multipart_html_disabled = (bits & SETTING_NO_MULTIPART_HTML) ? 1 : 0;
    settings_set_menu_check(MENU_ORIGINAL_REPLY_STYLE, bits & SETTING_ORIGINAL_REPLY_STYLE);
    settings_set_menu_check(MENU_REPLY_WITH_MESSAGE, bits & SETTING_REPLY_WITH_MESSAGE);
    settings_set_menu_check(MENU_INDENT_QUOTED, bits & SETTING_INDENT_QUOTED);
}

// The client keeps the four proxy lines as entries 0 to 3 of one list.
enum { SOCKS_SERVER = 0, SOCKS_PORT = 1, SOCKS_USER = 2, SOCKS_PASSWORD = 3 };

const char* socks_entry(int entry) { return app.socks_settings->items[entry]->text; }

template <size_t N>
void copy_field(char (&field)[N], const char* text) {
    std::strncpy(field, text, N - 1);
    field[N - 1] = 0;
}

// The client has no control for the time-out: it writes back what it read.
int kept_timeout = 0;

void apply(const SettingsRecord& record) {
    array_copy(app.new_mail_command, record.new_mail_command);
    array_copy(app.new_mail_sound, record.new_mail_sound);
    array_copy(app.socks_settings->items[SOCKS_SERVER], record.socks_server);
    array_copy(app.socks_settings->items[SOCKS_PORT], record.socks_port);
    array_copy(app.socks_settings->items[SOCKS_USER], record.socks_user);
    array_copy(app.socks_settings->items[SOCKS_PASSWORD], record.socks_password);
    // A server line names the proxy; the user name and password go along,
    // but the proxy is not told to ask for them.
    if (record.socks_server[0])
        socks_configure(record.socks_server, std::atoi(record.socks_port), record.socks_user, record.socks_password,
                        0);
    apply_bits(record.bits);
    server_timeout_seconds = server_timeout_in_effect(record.server_timeout);
    kept_timeout = record.server_timeout;
    tray_check_seconds = record.tray_check_seconds;
    for (int slot = MESSAGE_FONT; slot <= PRINTER_FONT; slot++) {
        const FontRecord* font = slot < record.font_count ? &record.fonts[slot] : nullptr;
        if (settings_create_font(static_cast<FontSlot>(slot), font) != 0) show_message("Create font error!");
    }
}

void gather(SettingsRecord* record) {
    record->bits = settings_bits();
    record->server_timeout = kept_timeout;
    record->tray_check_seconds = tray_check_seconds;
    copy_field(record->new_mail_command, app.new_mail_command->text);
    copy_field(record->new_mail_sound, app.new_mail_sound->text);
    copy_field(record->socks_server, socks_entry(SOCKS_SERVER));
    copy_field(record->socks_port, socks_entry(SOCKS_PORT));
    copy_field(record->socks_user, socks_entry(SOCKS_USER));
    copy_field(record->socks_password, socks_entry(SOCKS_PASSWORD));
    record->font_count = 2;
    record->fonts[MESSAGE_FONT] = settings_font_record(MESSAGE_FONT);
    record->fonts[PRINTER_FONT] = settings_font_record(PRINTER_FONT);
}

}  // namespace

int settings_bits() {
    int bits = settings_flags & ~separately_kept;
    int mode = html_display_mode;
    if (mode == HTML_ALWAYS) bits |= SETTING_ALWAYS_HTML;
    else if (mode == HTML_IF_NO_TEXT) bits |= SETTING_HTML_IF_NO_TEXT;
    if (settings_menu_checked(MENU_ORIGINAL_REPLY_STYLE)) bits |= SETTING_ORIGINAL_REPLY_STYLE;
    if (settings_menu_checked(MENU_REPLY_WITH_MESSAGE)) bits |= SETTING_REPLY_WITH_MESSAGE;
    if (settings_menu_checked(MENU_INDENT_QUOTED)) bits |= SETTING_INDENT_QUOTED;
    return bits;
}

int settings_load() {
    string_list_clear(app.socks_settings);
    if (settings_create_default_font() != 0) show_message("Create font error!");
    auto record = std::make_unique<SettingsRecord>();
    if (settings_read(settings_file, record.get()) != SETTINGS_FILE_OK) {
        show_message("Could not open config file!");
        return -1;
    }
    apply(*record);
    return 0;
}

int settings_save() {
    auto record = std::make_unique<SettingsRecord>();
    gather(record.get());
    // The old file stays whole on any failure; the user hears of each.
    if (settings_write(settings_file, *record) != SETTINGS_FILE_OK) {
        show_message("Cannot open config file!");
        return -1;
    }
    return 0;
}
