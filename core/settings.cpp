#include "core/settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/settings_platform.h"
#include "core/sys_files.h"
#include "core/text_lines.h"
#include "core/ui_services.h"
#include "transport/socks_config.h"

std::atomic<int> settings_flags{0};
std::atomic<int> html_display_mode{HTML_NEVER};
std::atomic<int> multipart_html_disabled{0};

namespace {

const char* settings_file = "zenth.cfg";

// The bits that have a state of their own rather than a place in
// settings_flags.
constexpr int separately_kept = SETTING_ALWAYS_HTML | SETTING_HTML_IF_NO_TEXT | SETTING_ORIGINAL_REPLY_STYLE |
                                SETTING_REPLY_WITH_MESSAGE | SETTING_INDENT_QUOTED;

void put_int32(unsigned char* out, int32_t v) {
    auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; i++) out[i] = static_cast<unsigned char>(u >> (8 * i));
}

int32_t get_int32(const unsigned char* in) {
    uint32_t u = 0;
    for (int i = 0; i < 4; i++) u |= static_cast<uint32_t>(in[i]) << (8 * i);
    return static_cast<int32_t>(u);
}

void load_font(std::FILE* f, FontSlot slot) {
    unsigned char bytes[font_record_size] = {};
    size_t n = std::fread(bytes, 1, sizeof bytes, f);
    int result;
    if (n > 0) {
        FontRecord record = font_record_from_bytes(bytes);
        result = settings_create_font(slot, &record);
    } else {
        result = settings_create_font(slot, nullptr);
    }
    if (result != 0) show_message("Create font error!");
}

void apply_bits(int bits) {
    settings_flags = bits & ~separately_kept;
    html_display_mode = (bits & SETTING_ALWAYS_HTML) ? HTML_ALWAYS : (bits & SETTING_HTML_IF_NO_TEXT) ? HTML_IF_NO_TEXT
                                                                                                  : HTML_NEVER;
    multipart_html_disabled = (bits & SETTING_NO_MULTIPART_HTML) ? 1 : 0;
    settings_set_menu_check(MENU_ORIGINAL_REPLY_STYLE, bits & SETTING_ORIGINAL_REPLY_STYLE);
    settings_set_menu_check(MENU_REPLY_WITH_MESSAGE, bits & SETTING_REPLY_WITH_MESSAGE);
    settings_set_menu_check(MENU_INDENT_QUOTED, bits & SETTING_INDENT_QUOTED);
}

}  // namespace

bool setting_on(int bit) { return (settings_bits() & bit) != 0; }

FontRecord default_font_record() {
    FontRecord font{};
    font.height = -12;
    std::strcpy(font.face_name, "Arial");
    return font;
}

void font_record_to_bytes(const FontRecord& font, unsigned char out[font_record_size]) {
    const int32_t numbers[5] = {font.height, font.width, font.escapement, font.orientation, font.weight};
    for (int i = 0; i < 5; i++) put_int32(out + 4 * i, numbers[i]);
    const uint8_t flags[8] = {font.italic,        font.underline,      font.strike_out, font.char_set,
                              font.out_precision, font.clip_precision, font.quality,    font.pitch_and_family};
    std::memcpy(out + 20, flags, 8);
    std::memcpy(out + 28, font.face_name, 32);
}

FontRecord font_record_from_bytes(const unsigned char in[font_record_size]) {
    FontRecord font{};
    font.height = get_int32(in);
    font.width = get_int32(in + 4);
    font.escapement = get_int32(in + 8);
    font.orientation = get_int32(in + 12);
    font.weight = get_int32(in + 16);
    font.italic = in[20];
    font.underline = in[21];
    font.strike_out = in[22];
    font.char_set = in[23];
    font.out_precision = in[24];
    font.clip_precision = in[25];
    font.quality = in[26];
    font.pitch_and_family = in[27];
    std::memcpy(font.face_name, in + 28, 32);
    font.face_name[31] = 0;
    return font;
}

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

    std::FILE* f = sys_fopen(settings_file, "rb");
    if (!f) {
        show_message("Could not open config file!");
        return -1;
    }
    Array* first = array_new(100);
    read_text_line(f, first, 98);
    read_text_line(f, app.new_mail_command, 1022);
    read_text_line(f, app.new_mail_sound, 1022);
    for (int i = 0; i < 4; i++) read_text_line(f, app.socks_settings->items[i], 98);

    StringList* socks = app.socks_settings;
    if (socks->items[0]->text[0])
        socks_configure(socks->items[0]->text, std::atoi(socks->items[1]->text), socks->items[2]->text,
                        socks->items[3]->text, 0);

    apply_bits(std::atoi(first->text));
    load_font(f, MESSAGE_FONT);
    load_font(f, PRINTER_FONT);
    std::fclose(f);
    delete_arrays(first);
    return 0;
}

int settings_save() {
    unsigned char message_font[font_record_size], printer_font[font_record_size];
    font_record_to_bytes(settings_font_record(MESSAGE_FONT), message_font);
    font_record_to_bytes(settings_font_record(PRINTER_FONT), printer_font);
    int bits = settings_bits();

    std::FILE* f = sys_fopen(settings_file, "wb");
    if (!f) {
        show_message("Cannot open config file!");
        return -1;
    }
    std::fprintf(f, "%i\r\n", bits);
    std::fprintf(f, "%s\r\n", app.new_mail_command->text);
    std::fprintf(f, "%s\r\n", app.new_mail_sound->text);
    for (int i = 0; i < 4; i++) std::fprintf(f, "%s\r\n", app.socks_settings->items[i]->text);
    std::fwrite(message_font, 1, sizeof message_font, f);
    std::fwrite(printer_font, 1, sizeof printer_font, f);
    std::fclose(f);
    return 0;
}
