#include "core/settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/file_replace.h"
#include "core/sys_files.h"
#include "core/text_lines.h"

std::atomic<int> settings_flags{0};
std::atomic<int> html_display_mode{HTML_NEVER};
std::atomic<int> multipart_html_disabled{0};
std::atomic<int> server_timeout_seconds{server_timeout_default};
std::atomic<int> tray_check_seconds{tray_check_default_seconds};

const char settings_file[] = "zenth.cfg";

namespace {

void put_int32(unsigned char* out, int32_t v) {
    auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; i++) out[i] = static_cast<unsigned char>(u >> (8 * i));
}

int32_t get_int32(const unsigned char* in) {
    uint32_t u = 0;
    for (int i = 0; i < 4; i++) u |= static_cast<uint32_t>(in[i]) << (8 * i);
    return static_cast<int32_t>(u);
}

// A font record follows the lines; whatever part of it is there counts.
bool read_font(std::FILE* f, FontRecord* font) {
    unsigned char bytes[font_record_size] = {};
    if (std::fread(bytes, 1, sizeof bytes, f) == 0) return false;
    *font = font_record_from_bytes(bytes);
    return true;
}

template <size_t N>
bool read_line(std::FILE* f, char (&into)[N], int keep) {
    return read_text_line(f, into, static_cast<int>(N), keep);
}

template <size_t N>
bool write_line(std::FILE* f, const char (&text)[N]) {
    return write_text_line(f, text, static_cast<int>(N));
}

// The tray check's seconds behind the time-out of line 1 (the text from the
// blank after the bits), when they are there and within bounds; otherwise
// the usual minute.
int read_tray_check_seconds(const char* line) {
    char* end = nullptr;
    std::strtol(line, &end, 10);
    if (end == line || *end != ' ') return tray_check_default_seconds;
    const char* number = end + 1;
    if (*number < '0' || *number > '9') return tray_check_default_seconds;
    long seconds = std::strtol(number, &end, 10);
    if (end == number || seconds < tray_check_min_seconds || seconds > tray_check_max_seconds)
        return tray_check_default_seconds;
    return static_cast<int>(seconds);
}

}  // namespace

bool setting_on(int bit) { return (settings_flags & bit) != 0; }

int server_timeout_in_effect(int from_file) {
    if (from_file <= 0) return server_timeout_default;
    return from_file > server_timeout_most ? server_timeout_most : from_file;
}

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

int settings_read(const char* path, SettingsRecord* record) {
    *record = SettingsRecord{};
    std::FILE* f = sys_fopen(path, "rb");
    if (!f) return SETTINGS_FILE_CANNOT_OPEN;
    char first[settings_short_line + 2];
    read_line(f, first, settings_short_line);
    // Line 1: the option bits, then the time-out and the tray check's
    // seconds, each behind one blank; older programs read the bits alone.
    char* after = nullptr;
    record->bits = static_cast<int>(std::strtol(first, &after, 10));
    if (after && *after == ' ') {
        long seconds = std::strtol(after, nullptr, 10);
        record->server_timeout = seconds > 0 && seconds <= 100000 ? static_cast<int>(seconds) : 0;
        record->tray_check_seconds = read_tray_check_seconds(after);
    }
    read_line(f, record->new_mail_command, settings_long_line);
    read_line(f, record->new_mail_sound, settings_long_line);
    read_line(f, record->socks_server, settings_short_line);
    read_line(f, record->socks_port, settings_short_line);
    read_line(f, record->socks_user, settings_short_line);
    read_line(f, record->socks_password, settings_short_line);
    // Seven lines alone (as the options program writes them) give no fonts.
    while (record->font_count < 2 && read_font(f, &record->fonts[record->font_count])) record->font_count++;
    std::fclose(f);
    return SETTINGS_FILE_OK;
}

int settings_write(const char* path, const SettingsRecord& record) {
    auto write = [&record](std::FILE* f) {
        // Each number behind the bits only when it or one after it differs
        // from its default, so that a file that never set them keeps its bytes.
        int timeout = record.server_timeout > 0 ? record.server_timeout : server_timeout_default;
        bool written;
        if (record.tray_check_seconds != tray_check_default_seconds)
            written = std::fprintf(f, "%i %i %i\r\n", record.bits, timeout, record.tray_check_seconds) > 0;
        else if (timeout != server_timeout_default)
            written = std::fprintf(f, "%i %i\r\n", record.bits, timeout) > 0;
        else
            written = std::fprintf(f, "%i\r\n", record.bits) > 0;
        written = write_line(f, record.new_mail_command) && written;
        written = write_line(f, record.new_mail_sound) && written;
        written = write_line(f, record.socks_server) && written;
        written = write_line(f, record.socks_port) && written;
        written = write_line(f, record.socks_user) && written;
        written = write_line(f, record.socks_password) && written;
        for (int slot = 0; slot < record.font_count && slot < 2; slot++) {
            unsigned char bytes[font_record_size];
            font_record_to_bytes(record.fonts[slot], bytes);
            written = std::fwrite(bytes, 1, sizeof bytes, f) == sizeof bytes && written;
        }
        return written;
    };
    switch (replace_file_with(path, write)) {
    case REPLACE_OK: return SETTINGS_FILE_OK;
    case REPLACE_CANNOT_OPEN: return SETTINGS_FILE_CANNOT_OPEN;
    default: return SETTINGS_FILE_WRITE_FAILED;
    }
}
