#include "setup/setup_options.h"

#include <cstring>

#include "setup/setup_ids.h"

const char replace_key_question[] =
    "A key file bfkey.dat already exists. Messages encrypted with it cannot be read with a new key. Replace it?";

const char timeout_range_text[] = "The server time-out must be a number of seconds from 10 to 600.";

namespace {

// A check box and its bit; `inverted` when the box is ticked for a clear bit.
struct OptionBox {
    int control;
    int bit;
    bool inverted;
};

constexpr OptionBox boxes[] = {
    {IDC_USE_SOCKS, SETTING_USE_SOCKS, false},
    {IDC_USE_DELETED_ITEMS, SETTING_DELETE_AT_ONCE, true},
    {IDC_NO_MULTIPART_HTML, SETTING_NO_MULTIPART_HTML, false},
    {IDC_PROMPT_HTML, SETTING_PROMPT_HTML, false},
    {IDC_NO_ATTACHMENTS, SETTING_NO_ATTACHMENTS, false},
    {IDC_AUTO_ENCRYPT, SETTING_AUTO_ENCRYPT, false},
    {IDC_DIALUP_CHECK, SETTING_DIALUP_CHECK, false},
    {IDC_NO_SHOW_HTML, SETTING_NO_SHOW_HTML, false},
};

constexpr int controls[] = {IDC_USE_SOCKS,   IDC_USE_DELETED_ITEMS, IDC_NO_MULTIPART_HTML, IDC_PROMPT_HTML,
                            IDC_NO_ATTACHMENTS, IDC_AUTO_ENCRYPT,   IDC_DIALUP_CHECK,      IDC_NO_SHOW_HTML,
                            IDC_ALWAYS_HTML, IDC_HTML_IF_NO_TEXT,   IDC_NEVER_HTML};

constexpr int always_set = SETTING_SAVE_SENT | SETTING_REPLY_WITH_MESSAGE | SETTING_INDENT_QUOTED;

const OptionText texts[] = {
    {IDC_SOUND_FILE, [](SettingsRecord* r) { return r->new_mail_sound; }, settings_long_line},
    {IDC_SOCKS_SERVER, [](SettingsRecord* r) { return r->socks_server; }, settings_short_line},
    {IDC_SOCKS_PORT, [](SettingsRecord* r) { return r->socks_port; }, settings_short_line},
    {IDC_SOCKS_USER, [](SettingsRecord* r) { return r->socks_user; }, settings_short_line},
    {IDC_SOCKS_PASSWORD, [](SettingsRecord* r) { return r->socks_password; }, settings_short_line},
};

}  // namespace

bool option_control_checked(int bits, int control) {
    for (const OptionBox& box : boxes)
        if (box.control == control) return ((bits & box.bit) != 0) != box.inverted;
    bool always = (bits & SETTING_ALWAYS_HTML) != 0;
    bool if_no_text = !always && (bits & SETTING_HTML_IF_NO_TEXT) != 0;
    switch (control) {
    case IDC_ALWAYS_HTML: return always;
    case IDC_HTML_IF_NO_TEXT: return if_no_text;
    case IDC_NEVER_HTML: return !always && !if_no_text;
    default: return false;
    }
}

int option_bits(const std::function<bool(int control)>& checked) {
    int bits = always_set;
    for (const OptionBox& box : boxes)
        if (checked(box.control) != box.inverted) bits |= box.bit;
    if (checked(IDC_ALWAYS_HTML)) bits |= SETTING_ALWAYS_HTML;
    else if (checked(IDC_HTML_IF_NO_TEXT)) bits |= SETTING_HTML_IF_NO_TEXT;
    return bits;
}

std::span<const int> option_controls() { return controls; }

std::span<const OptionText> option_texts() { return texts; }

SettingsRecord options_to_write(const SettingsRecord& kept, int bits) {
    SettingsRecord record = kept;
    record.bits = bits;
    record.font_count = 0;
    return record;
}

int timeout_shown(const SettingsRecord& record) { return server_timeout_in_effect(record.server_timeout); }

int timeout_typed(const char* text) {
    if (!text[0]) return server_timeout_default;
    int seconds = 0;
    for (const char* p = text; *p; p++) {
        if (*p < '0' || *p > '9' || seconds > server_timeout_most) return -1;
        seconds = seconds * 10 + (*p - '0');
    }
    return seconds >= server_timeout_least && seconds <= server_timeout_most ? seconds : -1;
}

OkAction ok_action(size_t key_text_length, bool key_file_exists) {
    if (key_text_length == 0) return OK_SETTINGS_ONLY;
    if (key_text_length < 32) return OK_KEY_TOO_SHORT;
    return key_file_exists ? OK_ASK_REPLACE : OK_WRITE_KEY;
}

int make_message_key(const char typed[32], unsigned char key[32], int (*random)(void* out, size_t size)) {
    unsigned char mask[32];
    if (random(mask, sizeof mask) != 0) return -1;
    for (int i = 0; i < 32; i++) key[i] = static_cast<unsigned char>(typed[i]) ^ mask[i];
    std::memset(mask, 0, sizeof mask);
    return 0;
}
