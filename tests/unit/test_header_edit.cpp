#include <filesystem>
#include <string>

#include "format/header_edit.h"
#include "tests/unit/test_support.h"

namespace {

class HeaderEditTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        std::filesystem::create_directory(folder_ / "temp");
    }
};

// An outbox message as the builder writes it, with a long recipient line and
// a body that holds zero bytes and 8-bit text.
const std::string recipients = [] {
    std::string r;
    for (int i = 0; i < 40; i++) r += "recipient" + std::to_string(i) + "@example.org,";
    r.pop_back();
    return r;
}();
const std::string body = std::string("line one\r\n\xe9t\xe9\r\n", 15) + std::string("zero\0byte\0\r\n", 12);
const std::string outgoing_header =
    "From: Jane <jane@example.org>\r\n"
    "To: <Undisclosed Recipients>\r\n"
    "Subject: plans\r\n"
    "Date: Sun, 6 Dec 2026 13:32:38 +0100\r\n"
    "MIME-Version: 1.0\r\n"
    "\r\n";
const std::string outgoing =
    "X-ZMServer: smtp.example.org:2525\r\n"
    "X-ZMAccountIndex: 0\r\n"
    "X-ZMAddress: jane@example.org\r\n"
    "X-ZMRecipients: " + recipients + "\r\n"
    "X-ZMOpts: 34\r\n" + outgoing_header + body;

TEST_F(HeaderEditTest, StripPrivateFieldsLeavesTheMessageAsSent) {
    ASSERT_GT(recipients.size(), 900u);
    write_file(folder_ / "out.eml", outgoing);
    EXPECT_EQ(strip_private_fields(77, "out.eml"), 0);
    EXPECT_EQ(read_file(folder_ / "out.eml"), outgoing_header + body);
}

TEST_F(HeaderEditTest, StripRemovesOneLineThroughItsScratchFile) {
    std::string rest = "X-ReceivedDate: Sun, 6 Dec 2026 13:32:38 +0100\r\nFrom: a@x\r\n\r\nX-ZMRead: FALSE\r\n";
    write_file(folder_ / "mm1.eml", "X-ZMMark: TRUE\r\nX-ZMRead: FALSE\r\n" + rest + body);
    EXPECT_EQ(strip_header_field(5, "mm1.eml", "X-ZMRead"), 0);
    EXPECT_EQ(read_file(folder_ / "mm1.eml"), "X-ZMMark: TRUE\r\n" + rest + body);
    EXPECT_EQ(read_file(folder_ / "temp" / "strip5.tmp"), "X-ZMMark: TRUE\r\n" + rest + body);
    EXPECT_EQ(strip_header_field(5, "mm1.eml", "X-ZMMark"), 0);
    EXPECT_EQ(read_file(folder_ / "mm1.eml"), rest + body);
}

TEST_F(HeaderEditTest, StripOfAnAbsentFieldLeavesTheFileUntouched) {
    std::string bytes = "From: a@x\r\n\r\nX-ZMRead: FALSE\r\n";
    write_file(folder_ / "mm2.eml", bytes);
    EXPECT_EQ(strip_header_field(5, "mm2.eml", "X-ZMRead"), -1);
    EXPECT_EQ(read_file(folder_ / "mm2.eml"), bytes);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "temp" / "strip5.tmp"));
    EXPECT_EQ(strip_header_field(5, "missing.eml", "X-ZMRead"), -1);
    EXPECT_EQ(strip_private_fields(5, "missing.eml"), -1);
    // Without the scratch folder nothing can be written: the message stays.
    std::filesystem::remove_all(folder_ / "temp");
    write_file(folder_ / "mm3.eml", "X-ZMRead: FALSE\r\n" + bytes);
    EXPECT_EQ(strip_header_field(5, "mm3.eml", "X-ZMRead"), -1);
    EXPECT_EQ(read_file(folder_ / "mm3.eml"), "X-ZMRead: FALSE\r\n" + bytes);
    EXPECT_EQ(strip_private_fields(5, "mm3.eml"), -1);
}

TEST_F(HeaderEditTest, ReplaceWritesOnlyTheScratchCopy) {
    write_file(folder_ / "q.eml", outgoing);
    EXPECT_EQ(replace_header_field("q.eml", "temp\\outqueued9.tmp", "Date",
                                   "Date: Mon, 7 Dec 2026 08:00:00 -0500\r\n"),
              0);
    std::string expected = outgoing;
    expected.replace(expected.find("Date: Sun, 6 Dec 2026 13:32:38 +0100"), 36, "Date: Mon, 7 Dec 2026 08:00:00 -0500");
    EXPECT_EQ(read_file(folder_ / "temp" / "outqueued9.tmp"), expected);
    EXPECT_EQ(read_file(folder_ / "q.eml"), outgoing);
    EXPECT_EQ(replace_header_field("q.eml", "temp\\x.tmp", "In-Reply-To", "In-Reply-To: <a@b>\r\n"), -1);
}

TEST_F(HeaderEditTest, AFoldedFieldGoesWithItsContinuationLines) {
    write_file(folder_ / "f.eml", "From: a@x\r\nDate: Sun,\r\n 6 Dec 2026\r\n\t13:32:38 +0100\r\nSubject: s\r\n\r\n body\r\n");
    EXPECT_EQ(replace_header_field("f.eml", "temp\\f.tmp", "Date", "Date: new\r\n"), 0);
    EXPECT_EQ(read_file(folder_ / "temp" / "f.tmp"), "From: a@x\r\nDate: new\r\nSubject: s\r\n\r\n body\r\n");
}

TEST_F(HeaderEditTest, CopyReplacingLineSkipsLinesOfAnyLength) {
    std::string attachment = "X-ZMAttachment: " + std::string(3000, 'n') + ".pdf\r\nQUJD\r\nREVG";
    write_file(folder_ / "a.tmp", attachment);
    EXPECT_EQ(copy_replacing_line("a.tmp", "temp\\plain.tmp", 0, 1, ""), 0);
    EXPECT_EQ(read_file(folder_ / "temp" / "plain.tmp"), "QUJD\r\nREVG");
    EXPECT_EQ(copy_replacing_line("a.tmp", "temp\\plain.tmp", 3022, 1, "new\r\n"), 0);
    EXPECT_EQ(read_file(folder_ / "temp" / "plain.tmp"), attachment.substr(0, 3022) + "new\r\nREVG");
    // More lines than the file has: the rest is simply gone.
    EXPECT_EQ(copy_replacing_line("a.tmp", "temp\\plain.tmp", 0, 5, "x"), 0);
    EXPECT_EQ(read_file(folder_ / "temp" / "plain.tmp"), "x");
    EXPECT_EQ(copy_replacing_line("a.tmp", "temp\\plain.tmp", 99999, 1, ""), -1);
    EXPECT_EQ(copy_replacing_line("none.tmp", "temp\\plain.tmp", 0, 1, ""), -1);
    EXPECT_EQ(copy_replacing_line("a.tmp", "nofolder\\plain.tmp", 0, 1, ""), -1);
}

}  // namespace
