#include <cstring>
#include <filesystem>
#include <string>

#include "client/client_settings.h"
#include "client/settings_platform.h"
#include "core/app_state.h"
#include "core/settings.h"
#include "tests/unit/font_records.h"
#include "tests/unit/test_support.h"
#include "transport/socks_config.h"

namespace {

class SettingsTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        if (!app.program_folder) create_app_state();
        install_settings_menu();
        socks_config.configured = 0;
        array_clear(app.new_mail_command);
        array_clear(app.new_mail_sound);
    }
    void load(const std::string& file) {
        write_file(folder_ / "zenth.cfg", file);
        ASSERT_EQ(settings_load(), 0);
    }
    UiRecorder ui;
};

TEST_F(SettingsTest, SevenLinesWithoutFontsGiveBothFontsTheDefault) {
    load("2115\r\nrun.bat\r\nding.wav\r\n127.0.0.1\r\n1080\r\nme\r\nsecret\r\n");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_STREQ(app.new_mail_command->text, "run.bat");
    EXPECT_STREQ(app.new_mail_sound->text, "ding.wav");
    EXPECT_STREQ(app.socks_settings->items[0]->text, "127.0.0.1");
    EXPECT_STREQ(app.socks_settings->items[1]->text, "1080");
    EXPECT_STREQ(app.socks_settings->items[2]->text, "me");
    EXPECT_STREQ(app.socks_settings->items[3]->text, "secret");
    EXPECT_EQ(record_bytes(settings_font_record(MESSAGE_FONT)), record_bytes(default_font_record()));
    EXPECT_EQ(record_bytes(settings_font_record(PRINTER_FONT)), record_bytes(default_font_record()));
    // 2115 = 0x800 | 0x40 | 0x2 | 0x1
    EXPECT_TRUE(setting_on(SETTING_SAVE_SENT));
    EXPECT_TRUE(setting_on(SETTING_NO_MULTIPART_HTML));
    EXPECT_EQ(multipart_html_disabled.load(), 1);
    EXPECT_TRUE(settings_menu_checked(MENU_REPLY_WITH_MESSAGE));
    EXPECT_TRUE(settings_menu_checked(MENU_INDENT_QUOTED));
    EXPECT_FALSE(settings_menu_checked(MENU_ORIGINAL_REPLY_STYLE));
    EXPECT_EQ(html_display_mode.load(), HTML_NEVER);
}

TEST_F(SettingsTest, HtmlDisplayModeFollowsTheTwoBits) {
    load("1536\r\n");
    EXPECT_EQ(html_display_mode.load(), HTML_ALWAYS);
    load("512\r\n");
    EXPECT_EQ(html_display_mode.load(), HTML_IF_NO_TEXT);
    load("0\r\n");
    EXPECT_EQ(html_display_mode.load(), HTML_NEVER);
    EXPECT_FALSE(setting_on(SETTING_DELETE_AT_ONCE));
    EXPECT_EQ(settings_bits(), 0);
    // The tray check's seconds ride on line 1 and go back as they came.
    load("0 60 5\r\n");
    EXPECT_EQ(tray_check_seconds.load(), 5);
    ASSERT_EQ(settings_save(), 0);
    EXPECT_EQ(read_file(folder_ / "zenth.cfg").substr(0, 8), "0 60 5\r\n");
    load("0\r\n");
    EXPECT_EQ(tray_check_seconds.load(), 60);
}

TEST_F(SettingsTest, SaveWritesTheExactLayoutAndLoadGivesItBack) {
    load(std::string("30591\r\nnotify.exe %s\r\nC:\\sounds\\new.wav\r\n10.0.0.1\r\n1081\r\nuser\r\npw\r\n") +
         record_bytes(courier()) + record_bytes(default_font_record()));
    // 30591 = 0x777F; its 0x200 falls away, since 0x400 decides the HTML mode
    int bits = settings_bits();
    EXPECT_EQ(bits, 30591 & ~SETTING_HTML_IF_NO_TEXT);
    ASSERT_EQ(settings_save(), 0);
    std::string expected = std::to_string(bits) +
                           "\r\nnotify.exe %s\r\nC:\\sounds\\new.wav\r\n10.0.0.1\r\n1081\r\nuser\r\npw\r\n" +
                           record_bytes(courier()) + record_bytes(default_font_record());
    EXPECT_EQ(read_file(folder_ / "zenth.cfg"), expected);

    ASSERT_EQ(settings_load(), 0);
    EXPECT_EQ(settings_bits(), bits);
    EXPECT_EQ(record_bytes(settings_font_record(MESSAGE_FONT)), record_bytes(courier()));
    ASSERT_EQ(settings_save(), 0);
    EXPECT_EQ(read_file(folder_ / "zenth.cfg"), expected);
}

TEST_F(SettingsTest, EveryBitSurvivesASaveAndLoad) {
    for (int bit = 1; bit <= 0x4000; bit <<= 1) {
        load(std::to_string(bit) + "\r\n");
        ASSERT_EQ(settings_save(), 0);
        ASSERT_EQ(settings_load(), 0);
        EXPECT_EQ(settings_bits(), bit) << bit;
    }
}

TEST_F(SettingsTest, MenuCheckIsWhatGetsSaved) {
    load("0\r\n");
    settings_set_menu_check(MENU_ORIGINAL_REPLY_STYLE, true);
    ASSERT_EQ(settings_save(), 0);
    EXPECT_EQ(read_file(folder_ / "zenth.cfg").substr(0, 6), "8192\r\n");
}

TEST_F(SettingsTest, EmptyAndShortFilesAreValid) {
    load("");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(settings_bits(), 0);
    EXPECT_STREQ(app.new_mail_command->text, "");
    load("64\r\ncmd");
    EXPECT_EQ(settings_bits(), 64);
    EXPECT_STREQ(app.new_mail_command->text, "cmd");
    EXPECT_STREQ(app.socks_settings->items[3]->text, "");
}

TEST_F(SettingsTest, PartialFontRecordIsTakenAsFarAsItGoes) {
    std::string courier_bytes = record_bytes(courier());
    load("0\r\n\r\n\r\n\r\n\r\n\r\n\r\n" + courier_bytes.substr(0, 40));
    FontRecord expected = courier();
    std::memset(expected.face_name + 12, 0, 20);  // bytes 40 to 59 never arrived
    EXPECT_EQ(record_bytes(settings_font_record(MESSAGE_FONT)), record_bytes(expected));
    EXPECT_EQ(record_bytes(settings_font_record(PRINTER_FONT)), record_bytes(default_font_record()));
}

TEST_F(SettingsTest, LongLinesAreCutWithoutShiftingTheLinesAfterThem) {
    std::string command(1500, 'c');
    std::string sound(50, 's');
    load("64" + std::string(200, '0') + "\r\n" + command + "\r\n" + sound + "\r\n" + std::string(150, '9') +
         "\r\n1080\r\n");
    EXPECT_EQ(std::string(app.new_mail_command->text), command.substr(0, 1022));
    EXPECT_EQ(std::string(app.new_mail_sound->text), sound);
    EXPECT_EQ(std::string(app.socks_settings->items[0]->text), std::string(98, '9'));
    EXPECT_STREQ(app.socks_settings->items[1]->text, "1080");
}

TEST_F(SettingsTest, LineIsCutAtItsFirstCarriageReturn) {
    load("0\r\nfirst\rsecond\r\n");
    EXPECT_STREQ(app.new_mail_command->text, "first");
}

TEST_F(SettingsTest, ProxyIsConfiguredOnlyFromAServerAddress) {
    load(std::to_string(SETTING_USE_SOCKS) + "\r\n\r\n\r\n\r\n1080\r\n");
    EXPECT_EQ(socks_config.configured.load(), 0);
    EXPECT_TRUE(setting_on(SETTING_USE_SOCKS));

    load("0\r\n\r\n\r\n127.0.0.1\r\n1080\r\nalice\r\nwonder\r\n");
    ASSERT_EQ(socks_config.configured.load(), 1);
    const auto* a = reinterpret_cast<const unsigned char*>(&socks_config.address);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a), 4), std::string("\x7f\x00\x00\x01", 4));
    const auto* p = reinterpret_cast<const unsigned char*>(&socks_config.port);
    EXPECT_EQ(p[0], 0x04);
    EXPECT_EQ(p[1], 0x38);
    EXPECT_STREQ(socks_config.user, "alice");
    EXPECT_STREQ(socks_config.password, "wonder");
    EXPECT_EQ(socks_config.use_authentication, 0);
}

TEST_F(SettingsTest, ProxyValuesOutOfRangeAreIgnored) {
    socks_configure("127.0.0.1", 65536, "", "", 0);
    socks_configure("", 1080, "", "", 0);
    socks_configure("proxy.example", 1080, "", "", 0);
    socks_configure("127.0.0.256", 1080, "", "", 0);
    EXPECT_EQ(socks_config.configured.load(), 0);
    uint32_t address;
    EXPECT_TRUE(parse_ipv4("10.20.30.40", &address));
    EXPECT_FALSE(parse_ipv4("10.20.30", &address));
    EXPECT_FALSE(parse_ipv4("10.20.30.40.", &address));
    EXPECT_FALSE(parse_ipv4("1.2.3.4x", &address));
}

TEST_F(SettingsTest, MissingFileKeepsTheDefaultsAndSaysSo) {
    EXPECT_EQ(settings_load(), -1);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"Could not open config file!"}));
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
}

TEST_F(SettingsTest, UnwritableFileIsToldAndNothingIsWritten) {
    std::filesystem::create_directory(folder_ / "zenth.cfg");
    EXPECT_EQ(settings_save(), -1);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"Cannot open config file!"}));
}

}  // namespace
