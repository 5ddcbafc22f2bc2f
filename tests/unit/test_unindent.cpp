// "Unindent" of a compose editor's text, in memory and file to file, and
// text files read back into the editor whether UTF-8 or single-byte.
#include <string>

#include "format/message_text.h"
#include "format/unindent.h"
#include "tests/unit/test_support.h"

namespace {

class UnindentTest : public FolderTest {
protected:
    UiRecorder ui;
};

TEST_F(UnindentTest, EveryLevelOfQuotingAndIndentationGoesAtOnce) {
    EXPECT_EQ(unindent_text(u">> a\r\n\t  b\r\n> > \u0100 c > d\r\n"), u"a\r\nb\r\n\u0100 c > d\r\n");
    // A rich edit control ends its paragraphs with a lone "\r".
    EXPECT_EQ(unindent_text(u"> one\r> two\r>\rthree"), u"one\rtwo\r\rthree");
    EXPECT_EQ(unindent_text(u"\n>x"), u"\nx");
    EXPECT_EQ(unindent_text(u""), u"");
    // A line longer than any piece keeps its marks inside.
    std::u16string long_line = u"> " + std::u16string(3000, u'x') + u" > kept\r\n> y";
    EXPECT_EQ(unindent_text(long_line), std::u16string(3000, u'x') + u" > kept\r\ny");
}

TEST_F(UnindentTest, FileToFileKeepsUtf8AndSingleByteText) {
    // UTF-8 as the writer makes it for a text above U+00FF, and Latin 1.
    write_file(folder_ / "in.txt", "> \xC4\x80 caf\xC3\xA9\r\n>>\t\xE9t\xE9\r\n" + std::string(70000, ' ') + "z\r\n");
    ASSERT_EQ(unindent_file("in.txt", "out.txt"), 0);
    EXPECT_EQ(read_file(folder_ / "out.txt"), "\xC4\x80 caf\xC3\xA9\r\n\xE9t\xE9\r\nz\r\n");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(unindent_file("absent.txt", "out.txt"), -1);
    EXPECT_EQ(unindent_file("in.txt", "no\\such\\folder.txt"), -1);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"Could not open message source file.",
                                                        "Could not open message destination file."}));
}

TEST_F(UnindentTest, ATextFileIsReadAsUtf8WhenItIsUtf8) {
    bool utf8 = false;
    EXPECT_EQ(text_bytes_to_wide("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", &utf8), u"caf\u00e9 \u20ac \U0001F600");
    EXPECT_TRUE(utf8);
    EXPECT_EQ(text_bytes_to_wide("\xEF\xBB\xBFhi", &utf8), u"hi");
    // Not UTF-8: the system's code page (Western European in these tests).
    EXPECT_EQ(text_bytes_to_wide("caf\xE9 \x80", &utf8), u"caf\u00e9 \u20ac");
    EXPECT_FALSE(utf8);
    // What write_wide_text writes comes back as it was typed.
    std::u16string typed = u"\u0100 caf\u00e9\r\n";
    ASSERT_EQ(write_wide_text(typed.data(), typed.size(), "t.txt", false), 1);
    std::u16string back;
    ASSERT_EQ(read_wide_text("t.txt", &back), 0);
    EXPECT_EQ(back, typed);
    EXPECT_EQ(read_wide_text("absent.txt", &back), -1);
}

TEST_F(UnindentTest, SingleByteTextIsWrittenAsIso88591NotTheSystemCodePage) {
    // U+0080 to U+00FF are the ISO-8859-1 bytes the message declares, even
    // where the system's code page puts other characters (0x80 is the euro
    // sign in windows-1252).
    std::u16string text = u"\u0080\u009f\u00a4\u00e9";
    ASSERT_EQ(write_wide_text(text.data(), text.size(), "t.txt", false), 0);
    EXPECT_EQ(read_file(folder_ / "t.txt"), "\x80\x9f\xa4\xe9");
}

}  // namespace
