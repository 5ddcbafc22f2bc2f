// zenth.cfg as the client and the options program share it: file bytes read
// into a record, and the record written back.
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/settings.h"
#include "tests/unit/font_records.h"
#include "tests/unit/test_support.h"

namespace {

// A height whose bytes are CR LF, and a face name with a zero byte inside:
// the records are binary and must not be taken as lines.
FontRecord binary_font() {
    FontRecord f{};
    f.height = 0x0A0D;
    f.width = -1;
    f.quality = 0x1A;
    std::memcpy(f.face_name, "A\0B\r\nC", 6);
    return f;
}

// The line end of line 1 and six empty lines.
const std::string after_bits = "\r\n\r\n\r\n\r\n\r\n\r\n\r\n";

// The record's lines joined by "|", then the number of fonts.
std::string describe(const SettingsRecord& r) {
    return std::to_string(r.bits) + "|" + r.new_mail_command + "|" + r.new_mail_sound + "|" + r.socks_server + "|" +
           r.socks_port + "|" + r.socks_user + "|" + r.socks_password + "|" + std::to_string(r.font_count) +
           (r.server_timeout ? " time-out " + std::to_string(r.server_timeout) : "");
}

struct Row {
    const char* name;
    std::string file;
    std::string record;   // describe() of what was read
    std::string written;  // the file the record gives back
};

std::vector<Row> rows() {
    const std::string lines = "2115\r\nrun.bat\r\nding.wav\r\n127.0.0.1\r\n1080\r\nme\r\nsecret\r\n";
    const std::string fonts = record_bytes(courier()) + record_bytes(default_font_record());
    std::string cut_face = record_bytes(courier());
    cut_face[59] = 'X';  // the face name's last byte, which a font never keeps
    const std::string long_command(1500, 'c');
    const std::string long_server(150, '9');
    return {
        {"the options program's seven lines", lines, "2115|run.bat|ding.wav|127.0.0.1|1080|me|secret|0", lines},
        {"the client's lines and two fonts", lines + fonts, "2115|run.bat|ding.wav|127.0.0.1|1080|me|secret|2",
         lines + fonts},
        {"binary font records", "0" + after_bits + record_bytes(binary_font()) + record_bytes(courier()), "0|||||||2",
         "0" + after_bits + record_bytes(binary_font()) + record_bytes(courier())},
        {"bytes after the second font", "0" + after_bits + fonts + "more", "0|||||||2", "0" + after_bits + fonts},
        {"an empty file", "", "0|||||||0", "0" + after_bits},
        {"missing trailing lines", "64\r\ncmd", "64|cmd||||||0", "64\r\ncmd\r\n\r\n\r\n\r\n\r\n\r\n"},
        {"line feeds alone", "5\nrun\nsnd\n", "5|run|snd|||||0", "5\r\nrun\r\nsnd\r\n\r\n\r\n\r\n\r\n"},
        {"a carriage return inside a line", "0\r\nfirst\rsecond\r\n", "0|first||||||0",
         "0\r\nfirst\r\n\r\n\r\n\r\n\r\n\r\n"},
        {"text after the number", "1536 html\r\n", "1536|||||||0", "1536" + after_bits},
        // The server time-out rides behind the bits, where older programs
        // read nothing; the default is not written, so such files keep
        // their bytes.
        {"a server time-out", "67 120\r\n", "67|||||||0 time-out 120", "67 120" + after_bits},
        {"the default time-out", "67 60\r\n", "67|||||||0 time-out 60", "67" + after_bits},
        {"a negative number", "-1\r\n", "-1|||||||0", "-1" + after_bits},
        {"no number", "x\r\n", "0|||||||0", "0" + after_bits},
        {"over-long lines cut to their fields",
         "0\r\n" + long_command + "\r\nsnd\r\n" + long_server + "\r\n1080\r\n",
         "0|" + long_command.substr(0, 1022) + "|snd|" + long_server.substr(0, 98) + "|1080|||0",
         "0\r\n" + long_command.substr(0, 1022) + "\r\nsnd\r\n" + long_server.substr(0, 98) + "\r\n1080\r\n\r\n\r\n"},
        {"a font record cut short", "0" + after_bits + record_bytes(courier()).substr(0, 40), "0|||||||1",
         "0" + after_bits + record_bytes(courier()).substr(0, 40) + std::string(20, '\0')},
        {"a second font cut short", "0" + after_bits + record_bytes(courier()) + "\x0c", "0|||||||2",
         "0" + after_bits + record_bytes(courier()) + "\x0c" + std::string(59, '\0')},
        {"a face name's last byte", "0" + after_bits + cut_face, "0|||||||1",
         "0" + after_bits + record_bytes(courier())},
    };
}

using SettingsFileTest = FolderTest;

TEST_F(SettingsFileTest, FileToRecordToFile) {
    UiRecorder ui;
    for (const Row& row : rows()) {
        write_file(folder_ / "zenth.cfg", row.file);
        SettingsRecord record;
        ASSERT_EQ(settings_read(settings_file, &record), SETTINGS_FILE_OK) << row.name;
        EXPECT_EQ(describe(record), row.record) << row.name;
        ASSERT_EQ(settings_write("written.cfg", record), SETTINGS_FILE_OK) << row.name;
        EXPECT_EQ(read_file(folder_ / "written.cfg"), row.written) << row.name;
    }
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SettingsFileTest, TheTrayCheckSecondsFollowTheTimeOutAndAreWrittenOnlyWhenNotAMinute) {
    const std::pair<std::string, int> lines[] = {
        {"8 60 5", 5},  {"8 60 3600", 3600}, {"8 60 60", 60}, {"8 60 0", 60},    {"8 60 3601", 60},
        {"8 60 -5", 60}, {"8 60  5", 60},     {"8 60 x", 60},  {"8 60 html", 60}, {"8 60", 60},
        {"8", 60},
    };
    for (const auto& [line, seconds] : lines) {
        write_file(folder_ / "zenth.cfg", line + after_bits);
        SettingsRecord record;
        ASSERT_EQ(settings_read(settings_file, &record), SETTINGS_FILE_OK) << line;
        EXPECT_EQ(record.bits, 8) << line;
        EXPECT_EQ(record.tray_check_seconds, seconds) << line;
        ASSERT_EQ(settings_write("written.cfg", record), SETTINGS_FILE_OK) << line;
        EXPECT_EQ(read_file(folder_ / "written.cfg"),
                  (seconds == 60 ? "8" : "8 60 " + std::to_string(seconds)) + after_bits)
            << line;
    }
}

TEST_F(SettingsFileTest, FontRecordsAreTheirFields) {
    write_file(folder_ / "zenth.cfg", "0" + after_bits + record_bytes(binary_font()) + record_bytes(courier()));
    SettingsRecord record;
    ASSERT_EQ(settings_read(settings_file, &record), SETTINGS_FILE_OK);
    EXPECT_EQ(record.fonts[MESSAGE_FONT].height, 0x0A0D);
    EXPECT_EQ(record.fonts[MESSAGE_FONT].width, -1);
    EXPECT_EQ(record.fonts[MESSAGE_FONT].quality, 0x1A);
    EXPECT_EQ(std::string(record.fonts[MESSAGE_FONT].face_name, 6), std::string("A\0B\r\nC", 6));
    EXPECT_EQ(record.fonts[PRINTER_FONT].weight, 700);
    EXPECT_STREQ(record.fonts[PRINTER_FONT].face_name, "Courier New");
}

TEST_F(SettingsFileTest, RecordFilledToItsLastByteIsWrittenWithinIt) {
    SettingsRecord record;
    record.bits = 16384;
    std::memset(record.socks_user, 'u', sizeof record.socks_user);
    std::memset(record.new_mail_sound, 's', sizeof record.new_mail_sound);
    ASSERT_EQ(settings_write(settings_file, record), SETTINGS_FILE_OK);
    EXPECT_EQ(read_file(folder_ / "zenth.cfg"), "16384\r\n\r\n" + std::string(1024, 's') + "\r\n\r\n\r\n" +
                                                    std::string(100, 'u') + "\r\n\r\n");
}

TEST_F(SettingsFileTest, FilesThatCannotBeOpenedAreReportedNotShown) {
    UiRecorder ui;
    SettingsRecord record;
    record.bits = 99;
    record.font_count = 2;
    EXPECT_EQ(settings_read(settings_file, &record), SETTINGS_FILE_CANNOT_OPEN);
    EXPECT_EQ(describe(record), "0|||||||0");

    // The scratch file cannot be made: nothing is written.
    std::filesystem::create_directory(folder_ / "zenth.cfg.new");
    EXPECT_EQ(settings_write(settings_file, record), SETTINGS_FILE_CANNOT_OPEN);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "zenth.cfg"));
    std::filesystem::remove(folder_ / "zenth.cfg.new");
    // Written, but it cannot take the place of what is there.
    std::filesystem::create_directory(folder_ / "zenth.cfg");
    EXPECT_EQ(settings_write(settings_file, record), SETTINGS_FILE_WRITE_FAILED);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "zenth.cfg.new"));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SettingsFileTest, AFailedWriteKeepsTheOldFile) {
    write_file(folder_ / "zenth.cfg", "9\r\ncommand\r\n");
    SettingsRecord record;
    record.bits = 1;
    std::filesystem::create_directory(folder_ / "zenth.cfg.new");
    EXPECT_NE(settings_write(settings_file, record), SETTINGS_FILE_OK);
    EXPECT_EQ(read_file(folder_ / "zenth.cfg"), "9\r\ncommand\r\n");
}

}  // namespace
