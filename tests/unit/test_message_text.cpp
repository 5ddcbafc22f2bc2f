#include <string>

#include "format/message_text.h"
#include "tests/unit/test_support.h"

namespace {

class MessageTextTest : public FolderTest {
protected:
    UiRecorder ui;
    int write(const std::u16string& text, bool force = false) {
        return write_wide_text(text.data(), text.size(), "text.txt", force);
    }
    std::string written() { return read_file(folder_ / "text.txt"); }
};

TEST_F(MessageTextTest, Latin1TextIsOneBytePerCharacter) {
    EXPECT_EQ(write(u"caf\u00e9 \u00ff\r\n"), 0);
    EXPECT_EQ(written(), "caf\xe9 \xff\r\n");
    EXPECT_STREQ(text_charset(0), "iso-8859-1");
    EXPECT_EQ(write(u"caf\u00e9", true), 1);
    EXPECT_EQ(written(), "caf\xc3\xa9");
    EXPECT_EQ(write(u""), 0);
    EXPECT_EQ(written(), "");
}

TEST_F(MessageTextTest, OneCharacterAboveU00FFMakesTheWholeTextUtf8) {
    EXPECT_EQ(write(u"\u00e9\u0100 \U0001F600"), 1);
    EXPECT_EQ(written(), "\xc3\xa9\xc4\x80 \xf0\x9f\x98\x80");
    EXPECT_STREQ(text_charset(1), "utf-8");
}

TEST_F(MessageTextTest, SurrogatesSplitBetweenPiecesAndLoneOnes) {
    // The writer converts in pieces of 4096 units: put a pair across the cut.
    std::u16string text(4095, u'a');
    text += u"\U0001F600";
    text += u'\xdc00';  // a low surrogate on its own
    text += u'\xd83d';  // and a high one at the very end
    EXPECT_EQ(write(text), 1);
    EXPECT_EQ(written(), std::string(4095, 'a') + "\xf0\x9f\x98\x80" + "\xef\xbf\xbd" + "\xef\xbf\xbd");

    WideTextEncoder encoder;
    encoder.utf8 = true;
    char out[16];
    const char16_t high = 0xD83D, other = u'b';
    EXPECT_EQ(wide_text_encode(&encoder, &high, 1, out), 0u);
    EXPECT_EQ(std::string(out, wide_text_encode(&encoder, &other, 1, out)), "\xef\xbf\xbd" "b");
}

TEST_F(MessageTextTest, AFileThatCannotBeOpenedIsReported) {
    EXPECT_EQ(write_wide_text(u"x", 1, "no\\such\\folder.txt", false), -1);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not open message file"});
}

}  // namespace
