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
    EXPECT_EQ(read_file(folder_ / "temp" / "attachment770.tmp"),
              "X-ZMAttachment: report.pdf\r\n" + repeat("AQEB", 21) + "\r\nAQ==");
    ASSERT_EQ(add_attachment(nullptr, 77, &count, "files/b.txt", false, name), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(read_file(folder_ / "temp" / "attachment771.tmp"), "X-ZMAttachment: b.txt\r\nYWJj");
    // A path in the system's code page (windows-1252 here): the marker and
    // the name handed back are UTF-8.
    write_file(folder_ / "files" / "Fr\xF6sche.txt", "abc");
    ASSERT_EQ(add_attachment(nullptr, 77, &count, "files\\Fr\xF6sche.txt", false, name), 0);
    EXPECT_STREQ(name->text, "Fr\xC3\xB6sche.txt");
    EXPECT_EQ(read_file(folder_ / "temp" / "attachment772.tmp"), "X-ZMAttachment: Fr\xC3\xB6sche.txt\r\nYWJj");
    EXPECT_TRUE(ui.boxes.empty());
    delete_arrays(name);
}

TEST_F(AttachmentFilesTest, EncryptedAttachmentHoldsTheEncipheredFile) {
    std::filesystem::create_directories(folder_ / "files");
    write_file(folder_ / "files" / "key.txt", "12345678");
    int count = 3;
    ASSERT_EQ(add_attachment(nullptr, 77, &count, "files\\key.txt", true, nullptr), 0);
    EXPECT_EQ(count, 4);
    std::string file = read_file(folder_ / "temp" / "attachment773.tmp");
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
    EXPECT_FALSE(std::filesystem::exists(folder_ / "temp" / "attachment772.tmp"));
}

// The part headers carry the name from the marker line in quotes: what would
// end the quotes or the line is replaced, and the name is cut to 99.
TEST_F(AttachmentFilesTest, NamesInPartHeadersStayInsideTheirQuotes) {
    ComposeFields f = fields(u"hi");
    f.attachment_count = 2;
    write_file(folder_ / "temp" / "attachment770.tmp", "X-ZMAttachment: a\"; x=\"\\y\x01.txt\r\nYWJj");
    write_file(folder_ / "temp" / "attachment771.tmp", "X-ZMAttachment:   " + std::string(120, 'n') + "\r\n");
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
    write_file(folder_ / "temp" / "attachment770.tmp", "X-ZMAttachment: big.bin\r\n" + body);
    boundary_numbers({12345});
    std::string message = build(f);
    std::string start = "filename=\"big.bin\"\r\n\r\n";
    size_t at = message.find(start);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(message.substr(at + start.size()), body + "\r\n------=_NextPart_12345--\r\n");
}

}  // namespace
