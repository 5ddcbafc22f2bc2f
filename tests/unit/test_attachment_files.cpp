#include <filesystem>
#include <string>

#include "format/attachment_files.h"
#include "format/base64.h"
#include "format/encryption.h"
#include "format/message_builder.h"
#include "tests/unit/builder_fixture.h"

namespace {

using AttachmentFilesTest = BuilderTest;

std::string repeat(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; i++) r += s;
    return r;
}

TEST_F(AttachmentFilesTest, AddingEncodesTheFileUnderItsNameWithoutFolder) {
    std::filesystem::create_directories(folder_ / "files");
    write_file(folder_ / "files" / "report.pdf", std::string(64, '\x01'));
    write_file(folder_ / "files" / "b.txt", "abc");
    int count = 0;
    Array* name = array_new(300);
    ASSERT_EQ(add_attachment(nullptr, 77, &count, "files\\report.pdf", false, name), 0);
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(name->text, "report.pdf");
    // 63 bytes fill one line of 84 characters; the 64th starts a line of its own.
    EXPECT_EQ(read_file(folder_ / "temp" / "attachment77_0.tmp"),
              "X-ZMAttachment: report.pdf\r\n" + repeat("AQEB", 21) + "\r\nAQ==");
    ASSERT_EQ(add_attachment(nullptr, 77, &count, "files/b.txt", false, name), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(read_file(folder_ / "temp" / "attachment77_1.tmp"), "X-ZMAttachment: b.txt\r\nYWJj");
    // A path in the system's code page (windows-1252 here): the marker and
    // the name handed back are UTF-8.
    write_file(folder_ / "files" / "Fr\xF6sche.txt", "abc");
    ASSERT_EQ(add_attachment(nullptr, 77, &count, "files\\Fr\xF6sche.txt", false, name), 0);
    EXPECT_STREQ(name->text, "Fr\xC3\xB6sche.txt");
    EXPECT_EQ(read_file(folder_ / "temp" / "attachment77_2.tmp"), "X-ZMAttachment: Fr\xC3\xB6sche.txt\r\nYWJj");
    EXPECT_TRUE(ui.boxes.empty());
    delete_arrays(name);
}

TEST_F(AttachmentFilesTest, EncryptedAttachmentHoldsTheEncipheredFile) {
    std::filesystem::create_directories(folder_ / "files");
    write_file(folder_ / "files" / "key.txt", "12345678");
    int count = 3;
    ASSERT_EQ(add_attachment(nullptr, 77, &count, "files\\key.txt", true, nullptr), 0);
    EXPECT_EQ(count, 4);
    std::string file = read_file(folder_ / "temp" / "attachment77_3.tmp");
    ASSERT_EQ(file.substr(0, 25), "X-ZMAttachment: key.txt\r\n");
    write_file(folder_ / "enc.b64", file.substr(25));
    ASSERT_EQ(base64_decode_file("enc.b64", "enc.bin"), 0);
    EXPECT_EQ(read_file(folder_ / "enc.bin"), read_file(folder_ / "temp" / "attachcrypt77.tmp"));
    EXPECT_EQ(read_file(folder_ / "enc.bin").size(), 16u);  // a whole block of padding
    ASSERT_EQ(decrypt_file("enc.bin", "plain.txt", 1), 0);
    EXPECT_EQ(read_file(folder_ / "plain.txt"), "12345678");
}

TEST_F(AttachmentFilesTest, AFileThatCannotBeReadAddsNothing) {
    int count = 2;
    EXPECT_EQ(add_attachment(nullptr, 77, &count, "files\\gone.txt", false, nullptr), -1);
    EXPECT_EQ(add_attachment(nullptr, 77, &count, "files\\gone.txt", true, nullptr), -1);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(ui.box_texts(),
              (std::vector<std::string>{"Could not open base64 input file!", "Could not open encryption source file!"}));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "temp" / "attachment77_2.tmp"));
}

// The part headers carry the name from the marker line in quotes: what would
// end the quotes or the line is replaced, and the name is cut to 99.
TEST_F(AttachmentFilesTest, NamesInPartHeadersStayInsideTheirQuotes) {
    ComposeFields f = fields(u"hi");
    f.attachment_count = 2;
    write_file(folder_ / "temp" / "attachment77_0.tmp", "X-ZMAttachment: a\"; x=\"\\y\x01.txt\r\nYWJj");
    write_file(folder_ / "temp" / "attachment77_1.tmp", "X-ZMAttachment:   " + std::string(120, 'n') + "\r\n");
    std::string message = build(f);
    EXPECT_NE(message.find("name=\"a_; x=__y_.txt\"\r\n"), std::string::npos);
    EXPECT_NE(message.find("filename=\"a_; x=__y_.txt\"\r\n\r\nYWJj\r\n"), std::string::npos);
    EXPECT_NE(message.find("filename=\"" + std::string(99, 'n') + "\"\r\n\r\n\r\n------=_NextPart_00042--\r\n"),
              std::string::npos);
}

// Part bodies are copied byte for byte, whatever they hold: a forwarded
// attachment keeps its bytes.
TEST_F(AttachmentFilesTest, PartBodiesAreCopiedWhole) {
    ComposeFields f = fields(u"hi");
    f.attachment_count = 1;
    std::string body;
    for (int i = 0; i < 200000; i++) body += static_cast<char>(i * 7 % 256);
    write_file(folder_ / "temp" / "attachment77_0.tmp", "X-ZMAttachment: big.bin\r\n" + body);
    boundary_numbers({12345});
    std::string message = build(f);
    std::string start = "filename=\"big.bin\"\r\n\r\n";
    size_t at = message.find(start);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(message.substr(at + start.size()), body + "\r\n------=_NextPart_12345--\r\n");
}

// The bytes an attachment file carries: its marker line and its decoded
// base64 body.
std::pair<std::string, std::string> carried(const std::filesystem::path& file) {
    std::string bytes = read_file(file);
    size_t end = bytes.find("\r\n");
    write_file(file.parent_path() / "carried.b64", bytes.substr(end + 2));
    EXPECT_EQ(base64_decode_file("temp\\carried.b64", "temp\\carried.bin"), 0);
    return {bytes.substr(0, end), read_file(file.parent_path() / "carried.bin")};
}

TEST_F(AttachmentFilesTest, SwitchingEncryptionConvertsEveryAttachmentBothWays) {
    std::filesystem::create_directories(folder_ / "files");
    std::string binary;
    for (int i = 0; i < 3000; i++) binary += static_cast<char>(i * 13 % 256);
    write_file(folder_ / "files" / "a.bin", binary);
    write_file(folder_ / "files" / "b.txt", "twelve bytes");
    int count = 0;
    ASSERT_EQ(add_attachment(nullptr, 77, &count, "files\\a.bin", false, nullptr), 0);
    ASSERT_EQ(add_attachment(nullptr, 77, &count, "files\\b.txt", false, nullptr), 0);
    std::string plain0 = read_file(folder_ / "temp" / "attachment77_0.tmp");
    std::string plain1 = read_file(folder_ / "temp" / "attachment77_1.tmp");

    ASSERT_EQ(toggle_attachment_encryption(nullptr, 77, count, false), 0);
    // Now each holds the cipher text, exactly as if added with encryption on.
    auto a = carried(folder_ / "temp" / "attachment77_0.tmp");
    EXPECT_EQ(a.first, "X-ZMAttachment: a.bin");
    EXPECT_EQ(a.second.size(), 3008u);
    write_file(folder_ / "c.bin", a.second);
    ASSERT_EQ(decrypt_file("c.bin", "p.bin", 1), 0);
    EXPECT_EQ(read_file(folder_ / "p.bin"), binary);
    auto b = carried(folder_ / "temp" / "attachment77_1.tmp");
    EXPECT_EQ(b.first, "X-ZMAttachment: b.txt");
    write_file(folder_ / "c.bin", b.second);
    ASSERT_EQ(decrypt_file("c.bin", "p.bin", 1), 0);
    EXPECT_EQ(read_file(folder_ / "p.bin"), "twelve bytes");

    ASSERT_EQ(toggle_attachment_encryption(nullptr, 77, count, true), 0);
    EXPECT_EQ(read_file(folder_ / "temp" / "attachment77_0.tmp"), plain0);
    EXPECT_EQ(read_file(folder_ / "temp" / "attachment77_1.tmp"), plain1);
    EXPECT_TRUE(ui.boxes.empty());
    // Nothing of the switch is left beside the attachments.
    EXPECT_FALSE(std::filesystem::exists(folder_ / "temp" / "attachswitch77_0.tmp"));
    EXPECT_EQ(toggle_attachment_encryption(nullptr, 77, 0, false), 0);
}

TEST_F(AttachmentFilesTest, ASwitchThatFailsOnTheSecondAttachmentChangesNothing) {
    std::filesystem::create_directories(folder_ / "files");
    write_file(folder_ / "files" / "a.txt", "first attachment");
    int count = 0;
    ASSERT_EQ(add_attachment(nullptr, 77, &count, "files\\a.txt", false, nullptr), 0);
    // The second is no attachment file: no marker line.
    write_file(folder_ / "temp" / "attachment77_1.tmp", "YWJj");
    write_file(folder_ / "temp" / "attachment77_2.tmp", "X-ZMAttachment: c.txt\r\nYWJj");
    count = 3;
    std::string before[3];
    for (int i = 0; i < 3; i++) before[i] = read_file(folder_ / "temp" / ("attachment77_" + std::to_string(i) + ".tmp"));
    EXPECT_EQ(toggle_attachment_encryption(nullptr, 77, count, false), -1);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(read_file(folder_ / "temp" / ("attachment77_" + std::to_string(i) + ".tmp")), before[i]) << i;
    EXPECT_FALSE(std::filesystem::exists(folder_ / "temp" / "attachswitch77_0.tmp"));

    // A second attachment file that is missing altogether, the other way.
    std::filesystem::remove(folder_ / "temp" / "attachment77_1.tmp");
    EXPECT_EQ(toggle_attachment_encryption(nullptr, 77, 2, true), -1);
    EXPECT_EQ(read_file(folder_ / "temp" / "attachment77_0.tmp"), before[0]);
}

// Scratch names of two windows never meet, whatever their numbers.
TEST_F(AttachmentFilesTest, AttachmentNamesOfTwoWindowsNeverMeet) {
    Array* a = array_new(100);
    Array* b = array_new(100);
    attachment_file_name(a, 12, 34);
    attachment_file_name(b, 123, 4);
    EXPECT_STREQ(a->text, "temp\\attachment12_34.tmp");
    EXPECT_STRNE(a->text, b->text);
    attachment_file_name(a, -5, 1);
    EXPECT_STREQ(a->text, "temp\\attachment-5_1.tmp");
    delete_arrays(a, b);
}

}  // namespace
