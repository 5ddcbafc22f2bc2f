// The options program's rules without its dialog: option bits shown as
// controls and read back, the file it writes, what OK does with the key text
// and the key made from it.
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "core/settings.h"
#include "setup/setup_ids.h"
#include "setup/setup_options.h"
#include "tests/unit/test_support.h"

namespace {

std::map<int, bool> shown(int bits) {
    std::map<int, bool> states;
    for (int control : option_controls()) states[control] = option_control_checked(bits, control);
    return states;
}

int read_back(const std::map<int, bool>& states) {
    return option_bits([&states](int control) { return states.at(control); });
}

TEST(SetupOptionsTest, EachBitShowsAsItsControlAndComesBack) {
    struct Row {
        int bit;
        int control;
    };
    const Row rows[] = {
        {0x4000, IDC_USE_SOCKS},    {0x800, IDC_NO_MULTIPART_HTML}, {0x100, IDC_PROMPT_HTML},
        {0x80, IDC_NO_ATTACHMENTS}, {0x10, IDC_AUTO_ENCRYPT},       {0x8, IDC_DIALUP_CHECK},
        {0x4, IDC_NO_SHOW_HTML},    {0x400, IDC_ALWAYS_HTML},       {0x200, IDC_HTML_IF_NO_TEXT},
    };
    // Nothing set: the deleted items folder in use, HTML never shown.
    std::map<int, bool> none = shown(0);
    for (auto [control, checked] : none)
        EXPECT_EQ(checked, control == IDC_USE_DELETED_ITEMS || control == IDC_NEVER_HTML) << control;
    // The bits that are always written come with it.
    EXPECT_EQ(read_back(none), 0x43);
    for (const Row& row : rows) {
        std::map<int, bool> states = shown(row.bit);
        EXPECT_TRUE(states[row.control]) << row.bit;
        EXPECT_FALSE(states[IDC_NEVER_HTML] && (row.bit & 0x600)) << row.bit;
        EXPECT_EQ(read_back(states), row.bit | 0x43) << row.bit;
    }
    // The deleted items folder is the bit's absence.
    EXPECT_FALSE(shown(0x1000)[IDC_USE_DELETED_ITEMS]);
    std::map<int, bool> states = shown(0);
    states[IDC_USE_DELETED_ITEMS] = false;
    EXPECT_EQ(read_back(states), 0x1043);
    // Both HTML bits: "Always show HTML", and only its bit comes back.
    EXPECT_EQ(shown(1536)[IDC_ALWAYS_HTML], true);
    EXPECT_EQ(shown(1536)[IDC_HTML_IF_NO_TEXT], false);
    EXPECT_EQ(read_back(shown(1536)), 0x400 | 0x43);
    EXPECT_EQ(shown(512)[IDC_HTML_IF_NO_TEXT], true);
    // The menu's own bits are never written, whatever was read.
    // (0x200 is dropped too: 0x400 was also set.)
    EXPECT_EQ(read_back(shown(0x7FFF)), 0x5FDF & ~0x200);
}

TEST(SetupOptionsTest, EditsKeepAsMuchAsTheClientReads) {
    std::map<int, int> limits;
    for (const OptionText& text : option_texts()) limits[text.control] = text.limit;
    EXPECT_EQ(limits, (std::map<int, int>{{IDC_SOUND_FILE, 1022},
                                          {IDC_SOCKS_SERVER, 98},
                                          {IDC_SOCKS_PORT, 98},
                                          {IDC_SOCKS_USER, 98},
                                          {IDC_SOCKS_PASSWORD, 98}}));
}

using SetupFileTest = FolderTest;

TEST_F(SetupFileTest, TheWrittenFileIsSevenLinesWithTheCommandAndTrayCheckKept) {
    std::string command = "notify.exe " + std::string(139, 'c');  // 150 characters
    std::string font(120, 'f');
    write_file(folder_ / "zenth.cfg", "9 7\r\n" + command + "\r\nding.wav\r\n10.0.0.1\r\n1080\r\nme\r\npw\r\n" + font);
    SettingsRecord kept;
    ASSERT_EQ(settings_read(settings_file, &kept), SETTINGS_FILE_OK);
    ASSERT_EQ(kept.font_count, 2);
    std::strcpy(kept.socks_port, "1081");
    ASSERT_EQ(settings_write(settings_file, options_to_write(kept, 0x4043)), SETTINGS_FILE_OK);
    EXPECT_EQ(read_file(folder_ / "zenth.cfg"),
              "16451 7\r\n" + command + "\r\nding.wav\r\n10.0.0.1\r\n1081\r\nme\r\npw\r\n");
}

TEST(SetupOptionsTest, WhatOkDoesWithTheKeyText) {
    EXPECT_EQ(ok_action(0, false), OK_SETTINGS_ONLY);
    EXPECT_EQ(ok_action(0, true), OK_SETTINGS_ONLY);
    EXPECT_EQ(ok_action(1, false), OK_KEY_TOO_SHORT);
    EXPECT_EQ(ok_action(31, true), OK_KEY_TOO_SHORT);
    EXPECT_EQ(ok_action(32, false), OK_WRITE_KEY);
    EXPECT_EQ(ok_action(32, true), OK_ASK_REPLACE);
    EXPECT_STREQ(replace_key_question, "A key file bfkey.dat already exists. Messages encrypted with it cannot be "
                                       "read with a new key. Replace it?");
}

int counting_mask(void* out, size_t size) {
    auto* bytes = static_cast<unsigned char*>(out);
    for (size_t i = 0; i < size; i++) bytes[i] = static_cast<unsigned char>(0xA0 + i);
    return 0;
}

int no_mask(void*, size_t) { return -1; }

TEST(SetupOptionsTest, TheKeyIsTheTypedTextUnderTheMask) {
    const char typed[] = "abcdefghijklmnopqrstuvwxyz012345";
    unsigned char key[32];
    ASSERT_EQ(make_message_key(typed, key, counting_mask), 0);
    for (int i = 0; i < 32; i++) EXPECT_EQ(key[i], static_cast<unsigned char>(typed[i] ^ (0xA0 + i))) << i;
    unsigned char untouched[32];
    std::memset(untouched, 0x5A, sizeof untouched);
    EXPECT_EQ(make_message_key(typed, untouched, no_mask), -1);
    EXPECT_EQ(untouched[0], 0x5A);
}

TEST(SetupOptionsTest, TheServerTimeOutShownAndTyped) {
    SettingsRecord record;
    EXPECT_EQ(timeout_shown(record), 60);  // a file that never set one
    record.server_timeout = 5;             // set by hand below the range: in effect as it is
    EXPECT_EQ(timeout_shown(record), 5);
    record.server_timeout = 9000;
    EXPECT_EQ(timeout_shown(record), 600);
    const std::map<std::string, int> typed = {{"", 60}, {"10", 10}, {"600", 600}, {"0120", 120}, {"9", -1},
                                              {"601", -1}, {"12a", -1}, {"-30", -1}, {"99999999999", -1}};
    for (const auto& [text, seconds] : typed) EXPECT_EQ(timeout_typed(text.c_str()), seconds) << text;
}

}  // namespace
