// HTML to text: the bytes of the text file for hand-made HTML, each
// expectation written out by hand.
#include <string>
#include <utility>
#include <vector>

#include "format/html_to_text.h"
#include "tests/unit/test_support.h"

namespace {

const std::string rule(80, '_');

class HtmlToText : public FolderTest {
protected:
    std::string text(const std::string& html) {
        write_file(folder_ / "in.html", html);
        EXPECT_EQ(html_to_text("in.html", "out.txt"), 0);
        return read_file(folder_ / "out.txt");
    }
};

TEST_F(HtmlToText, WhiteSpaceRunsBecomeOneSpace) {
    EXPECT_EQ(text("a  \r\n  b"), "a b");
    EXPECT_EQ(text("a\t\v\f\r\nb"), "a b");
    EXPECT_EQ(text("  lead"), " lead");
    EXPECT_EQ(text("trail \r\n"), "trail ");
    // A CR without its LF is data for the runtime, white space for us.
    EXPECT_EQ(text("a\rb"), "a b");
    // An endless run is still one space.
    EXPECT_EQ(text("x" + std::string(200000, ' ') + std::string(100000, '\n') + "y"), "x y");
    EXPECT_EQ(text(""), "");
}

TEST_F(HtmlToText, ParagraphAndBreakDropTheFirstWhiteSpace) {
    EXPECT_EQ(text("<P>Hello"), "\r\n\r\nHello");
    EXPECT_EQ(text("<P> Hello"), "\r\n\r\nHello");
    EXPECT_EQ(text("<P>  Hello"), "\r\n\r\n Hello");
    EXPECT_EQ(text("one<br>\r\ntwo<BR>  three"), "one\r\ntwo\r\n three");
}

TEST_F(HtmlToText, EachRowOfTheTagTable) {
    // "x", the tag, a space and "y": after a score of 1 or more the space is
    // dropped, after 0 it stays, after -1 the first white space is dropped.
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"<HTML>", "xy"},        {"<html>", "xy"},
        {"<BODY>", "xy"},        {"<body>", "xy"},
        {"</HEAD>", "x\r\ny"},   {"</head>", "x\r\ny"},
        {"<CENTER>", "x\r\ny"},  {"<center>", "x\r\ny"},
        {"</CENTER>", "x\r\ny"}, {"</center>", "x\r\ny"},
        {"<P>", "x\r\n\r\ny"},   {"<p>", "x\r\n\r\ny"},
        {"<BR>", "x\r\ny"},      {"<br>", "x\r\ny"},
        {"<H1>", "x\r\ny"},      {"<h6>", "x\r\ny"},
        {"<H12>", "xy"},         {"<head>", "xy"},
        {"</H1>", "x\r\ny"},     {"</h2>", "x\r\ny"},
        {"</H12>", "xy"},        {"</html>", "xy"},
        {"<DL>", "xy"},          {"<dl>", "xy"},
        {"</DL>", "x\r\ny"},     {"</dl>", "x\r\ny"},
        {"<DD>", "x\r\n\t\t y"}, {"<dd>", "x\r\n\t\t y"},
        {"<DT>", "x\t y"},       {"<dt>", "x\t y"},
        {"<LI>", "x\r\n\t\t y"}, {"<li>", "x\r\n\t\t y"},
        {"<UL>", "xy"},          {"<ul>", "xy"},
        {"</UL>", "x\r\ny"},     {"</ul>", "x\r\ny"},
        {"<OL>", "xy"},          {"<ol>", "xy"},
        {"</OL>", "x\r\ny"},     {"</ol>", "x\r\ny"},
        {"<TABLE>", "x\r\ny"},   {"<table>", "x\r\ny"},
        {"</TABLE>", "x\r\ny"},  {"</table>", "x\r\ny"},
        {"<TH>", "x\r\n\ty"},    {"<th colspan=2>", "x\r\n\ty"},
        {"</TH>", "x\r\ny"},     {"</th>", "x\r\ny"},
        {"<TR>", "x\ty"},        {"<tr class=a>", "x\ty"},
        {"</TR>", "x\r\ny"},     {"</tr>", "x\r\ny"},
        {"<BLINK>", "xy"},       {"<blink>", "xy"},
        {"</BLINK>", "xy"},      {"</blink>", "xy"},
        {"<IMG SRC=a.png>", "xy"}, {"<img src=a.png>", "xy"},
        {"<A HREF=\"u\">", "xy"},
        {"<FORM>", "xy"},        {"<form action=u>", "xy"},
        {"</FORM>", "x\r\ny"},   {"</form >", "x\r\ny"},
        {"<B>", "x[y"},          {"<b>", "x[y"},
        {"</B>", "x]y"},         {"</b>", "x]y"},
        {"<I>", "x{y"},          {"<i>", "x{y"},
        {"</I>", "x}y"},         {"</i>", "x}y"},
    };
    for (const auto& [tag, expected] : rows) EXPECT_EQ(text("x" + tag + " y"), expected) << tag;
}

TEST_F(HtmlToText, CombinedRowsUnknownTagsAndMixedCase) {
    // A bare rule is a 4-character heading prefix too: a line feed first.
    EXPECT_EQ(text("a<HR> b"), "a\r\n" + rule + "\r\n\r\nb");
    EXPECT_EQ(text("a<hr width=50%> b"), "a" + rule + "\r\n\r\nb");
    // A table section head matches the header cell's prefix.
    EXPECT_EQ(text("a<THEAD> b"), "a\r\n\tb");
    // Each tag sets the counter: the start tag's 2 drops a whole run, a
    // following paragraph's -1 only its first character.
    EXPECT_EQ(text("<html> \r\n x"), "x");
    EXPECT_EQ(text("<html><p> \r\n x"), "\r\n\r\n x");
    EXPECT_EQ(text("<html> \r\n<body>\r\n<b>bold</b> and <i>it</i>"), "[bold]and {it}");
    // Unknown tags, attributes on exact rows, lower-case links, mixed case:
    // nothing written, the white space after them kept.
    EXPECT_EQ(text("a<span> b"), "a b");
    EXPECT_EQ(text("a<p class=x> b"), "a b");
    EXPECT_EQ(text("a<a href=u> b"), "a b");
    EXPECT_EQ(text("a<Br> b<bR>c"), "a bc");
    EXPECT_EQ(text("a<!-- <b> --> b"), "a --> b");
    // A mixed-case start tag still begins with "<H".
    EXPECT_EQ(text("a<Html> b"), "ab");
}

TEST_F(HtmlToText, EntitiesOfTheTable) {
    EXPECT_EQ(text("&copy; 2026"), "[Copyright] 2026");
    EXPECT_EQ(text("&#169;&reg;&#174;&trade;&#153;"), "[Copyright][Registered][Registered][Trademark][Trademark]");
    EXPECT_EQ(text("&lt;tag&gt;"), "<tag>");
    EXPECT_EQ(text("&#60;&#62;&amp;&#38;&quot;&#34;"), "<>&&\"\"");
    EXPECT_EQ(text("a&nbsp;b"), "a b");
    // An entity leaves the space counter alone.
    EXPECT_EQ(text("a&nbsp; b"), "a  b");
    EXPECT_EQ(text("<b>&nbsp; b"), "[ b");
    // Unknown names and other cases give nothing.
    EXPECT_EQ(text("a&bogus;b"), "ab");
    EXPECT_EQ(text("a&AMP;b&Copy;c"), "abc");
    // A bare ampersand before a space stays; after letters the letters and
    // the space are lost.
    EXPECT_EQ(text("a & b"), "a & b");
    EXPECT_EQ(text("AT&T rocks"), "ATrocks");
    EXPECT_EQ(text("a&\r\nb;c"), "ac");
}

TEST_F(HtmlToText, TagOrEntityCutByTheEndOfInput) {
    EXPECT_EQ(text("ab<b"), "ab[");
    EXPECT_EQ(text("ab<hr"), "ab\r\n" + rule + "\r\n\r\n");
    EXPECT_EQ(text("ab<"), "ab");
    EXPECT_EQ(text("ab&copy"), "ab[Copyright]");
    EXPECT_EQ(text("ab&"), "ab");
    EXPECT_EQ(text("ab&x "), "ab");
}

TEST_F(HtmlToText, LongTagsAndEntitiesStayInTheirBuffers) {
    // A tag is matched on at most 997 of its characters; the rest is read
    // and dropped.
    EXPECT_EQ(text("<hr" + std::string(5000, 'x') + "> after"), rule + "\r\n\r\nafter");
    EXPECT_EQ(text("<b" + std::string(996, ' ') + ">x"), "x");
    EXPECT_EQ(text("<span" + std::string(2000, 'y') + ">x"), "x");
    // Up to 997 characters a space still ends an entity; after 998 stored
    // characters everything up to ";" is dropped, spaces included.
    EXPECT_EQ(text("&" + std::string(997, 'a') + " rest"), "rest");
    EXPECT_EQ(text("&" + std::string(998, 'a') + " gone;kept"), "kept");
    EXPECT_EQ(text("&" + std::string(3000, 'a')), "");
}

TEST_F(HtmlToText, EveryByteIsDataAndLineEndsAreTranslated) {
    // 0xFF and 0x1A do not end the input; a NUL is written like a letter.
    EXPECT_EQ(text(std::string("a\xFF" "b\x1A" "c\0d", 6)), std::string("a\xFF" "b\x1A" "c\0d", 6));
    EXPECT_EQ(text("\xFF\xFF<br>\x1A"), "\xFF\xFF\r\n\x1A");
    // A CR LF split anywhere is still one line end; lone CRs count as white
    // space; output line ends are always CR LF.
    // (One of these CR LF pairs straddles the reader's 16384-byte refill.)
    std::string html = "<br>x";
    for (int i = 0; i < 10000; i++) html += "w\r\n";
    std::string expected = "\r\nx";
    for (int i = 0; i < 10000; i++) expected += "w ";
    EXPECT_EQ(text(html), expected);
    EXPECT_EQ(text("a\r\r\nb<p>\r"), "a b\r\n\r\n");
}

TEST_F(HtmlToText, FilesThatCannotBeOpened) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(html_to_text("absent.html", "out.txt"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nCan't open this HTML file. Is your path correct?");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "out.txt"));

    write_file(folder_ / "in.html", "<b>x</b>");
    testing::internal::CaptureStdout();
    EXPECT_EQ(html_to_text("in.html", "nofolder\\out.txt"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nERROR-Unable to create nofolder\\out.txt\n");
}

#ifndef _WIN32
TEST_F(HtmlToText, AFullDiskIsAFailure) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
    write_file(folder_ / "in.html", std::string(100000, 'x'));
    EXPECT_EQ(html_to_text("in.html", "/dev/full"), -1);
    write_file(folder_ / "in.html", "x");
    EXPECT_EQ(html_to_text("in.html", "/dev/full"), -1);
}
#endif

}  // namespace
