// Dot-stuffing of the message text and the end of the data.
#include <gtest/gtest.h>

#include <string>

#include "transport/smtp_data.h"

namespace {

// Stuffs the text in pieces of `piece` bytes; what ends the data follows.
std::string stuff(const std::string& text, size_t piece) {
    DotStuffing state;
    std::string out;
    for (size_t at = 0; at < text.size(); at += piece) {
        size_t n = text.size() - at < piece ? text.size() - at : piece;
        std::string buffer(2 * n, '\0');
        buffer.resize(dot_stuff(&state, text.data() + at, n, buffer.data()));
        out += buffer;
    }
    return out + "|" + data_end(state);
}

TEST(SmtpData, DotsThatBeginLinesAreDoubledHoweverTheTextIsCut) {
    const std::string text = ".first\r\nmiddle . dot\r\n.\r\n..\r\nbare\n.after bare\r\nend.\r\n";
    const std::string expected = "..first\r\nmiddle . dot\r\n..\r\n...\r\nbare\n..after bare\r\nend.\r\n|.\r\n";
    for (size_t piece = 1; piece <= text.size(); piece++) EXPECT_EQ(stuff(text, piece), expected) << piece;
}

TEST(SmtpData, TheEndKeepsTheLastLineAsItIs) {
    EXPECT_EQ(stuff("", 8), "|.\r\n");
    EXPECT_EQ(stuff("text\r\n", 8), "text\r\n|.\r\n");
    EXPECT_EQ(stuff("text", 8), "text|\r\n.\r\n");
    EXPECT_EQ(stuff("text\n", 8), "text\n|\r\n.\r\n");
    EXPECT_EQ(stuff("text\r", 8), "text\r|\r\n.\r\n");
    EXPECT_EQ(stuff("a\r\n.", 2), "a\r\n..|\r\n.\r\n");
}

}  // namespace
