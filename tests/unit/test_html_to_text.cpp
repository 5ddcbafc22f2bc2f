// HTML to text: the bytes of the text file for hand-made HTML, each
// expectation written out by hand as a browser shows the text.
#include <string>
#include <utility>
#include <vector>

#include "format/html_references.h"
#include "format/html_to_text.h"
#include "tests/unit/test_support.h"

namespace {

const std::string rule(80, '_');

class HtmlToText : public FolderTest {
protected:
    std::string text(const std::string& html, int code_page = 65001) {
        write_file(folder_ / "in.html", html);
        EXPECT_EQ(html_to_text("in.html", "out.txt", code_page), 0);
        return read_file(folder_ / "out.txt");
    }
};

TEST_F(HtmlToText, WhiteSpaceCollapsesAsInABrowser) {
    EXPECT_EQ(text("a  \r\n  b"), "a b");
    EXPECT_EQ(text("a\t\v\f\r\nb"), "a b");
    EXPECT_EQ(text("  lead"), "lead");
    EXPECT_EQ(text("trail \r\n"), "trail");
    EXPECT_EQ(text("a\rb"), "a b");
    EXPECT_EQ(text("x" + std::string(200000, ' ') + std::string(100000, '\n') + "y"), "x y");
    EXPECT_EQ(text(""), "");
    // The blank after an inline end tag or a reference stays.
    EXPECT_EQ(text("<p><b>Thursday</b> at the <span>north</span> pier</p>"), "[Thursday] at the north pier");
    EXPECT_EQ(text("lanterns &amp; rope, 5 &lt; 6, 5 < 6, a<i>b</i>c"), "lanterns & rope, 5 < 6, 5 < 6, a{b}c");
    EXPECT_EQ(text("<font face=x> one </font> <a href=u>two</a>  three"), "one two three");
    // A blank that does not collapse, and references to white space that do.
    EXPECT_EQ(text("a&nbsp; &nbsp;b&#32;&#10; c"), "a   b c");
    // Pre keeps its white space; the line feed right after its start tag is
    // not shown.
    EXPECT_EQ(text("x<pre>\r\n a  b\r\n\tc</pre>y"), "x\r\n\r\n a  b\r\n\tc\r\n\r\ny");
}

TEST_F(HtmlToText, HeadStyleScriptTemplatesAndCommentsAreNotShown) {
    EXPECT_EQ(text("<html><head><title>Title</title><meta charset=utf-8>\r\n"
                   "<style type=\"text/css\">table,tr,td{mso-line-height-rule:exactly !important} p>a{}</style>"
                   "<script>if (a < b && c > d) document.write('</p>')</script>\r\n</head>"
                   "<body>Hello</body></html>"),
              "Hello");
    EXPECT_EQ(text("a<!--[if mso]><table><tr><td width=\"96\"><![endif]-->b<!-- x -- y --!>c<!---->d<!-->e"),
              "abcde");
    // A block revealed to every reader but one stays.
    EXPECT_EQ(text("<![if !mso]>shown<![endif]> <!--[if !mso]><!-->also<!--<![endif]-->"), "shown also");
    EXPECT_EQ(text("a<noscript>no</noscript>b<template><p>t<template>u</template>v</template>c"), "abc");
    // Raw text ends at its own end tag only, in any case, with attributes.
    EXPECT_EQ(text("<STYLE>a</styles> b</Style >x<script>\"</script\">y</script id=1>z"), "xz");
    EXPECT_EQ(text("<textarea><b>t</b></textarea>z<iframe>f</iframe>"), "z");
    // Text in the head, or an element of the body there, ends the head as in
    // a browser; so does a body start tag.
    EXPECT_EQ(text("<head><title>t</title>stray<p>p</p>"), "stray\r\n\r\np");
    EXPECT_EQ(text("<head><div>d</div>"), "d");
    EXPECT_EQ(text("<head><link rel=x><body>b"), "b");
    EXPECT_EQ(text("<!DOCTYPE html><?xml version=\"1.0\"?>x</>y</ z>w"), "xyw");
    // A markup that the end of the input cuts shows nothing of itself.
    EXPECT_EQ(text("ab<b"), "ab");
    EXPECT_EQ(text("ab<!-- c"), "ab");
    EXPECT_EQ(text("ab<style>c"), "ab");
    EXPECT_EQ(text("ab<"), "ab<");
    EXPECT_EQ(text("ab</"), "ab</");
}

TEST_F(HtmlToText, CharacterReferences) {
    // Named ones, the longest name first, old names without ";".
    EXPECT_EQ(text("Je pr&eacute;pare mon &eacute;t&eacute; &mdash; Br&uuml;cke &rsquo;&hellip;&euro;"),
              "Je pr\xC3\xA9pare mon \xC3\xA9t\xC3\xA9 \xE2\x80\x94 Br\xC3\xBC" "cke \xE2\x80\x99\xE2\x80\xA6\xE2\x82\xAC");
    EXPECT_EQ(text("&notin; &notit; &copy2026 &AMP; &CounterClockwiseContourIntegral; &NotEqualTilde;"),
              "\xE2\x88\x89 \xC2\xACit; \xC2\xA9" "2026 & \xE2\x88\xB3 \xE2\x89\x82\xCC\xB8");
    // Numbers: decimal and hexadecimal, 128 to 159 as windows-1252, zero,
    // surrogates and numbers past U+10FFFF as U+FFFD, no ";" needed.
    EXPECT_EQ(text("&#233;&#xE9;&#X00e9;&#0146;&#150;&#128&#x41;&#65&#000000000000000000066;"),
              "\xC3\xA9\xC3\xA9\xC3\xA9\xE2\x80\x99\xE2\x80\x93\xE2\x82\xAC" "AAB");
    EXPECT_EQ(text("&#0;&#xD800;&#x110000;&#99999999999999999999;"),
              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    // Characters a browser shows as nothing; control characters.
    EXPECT_EQ(text("a&zwnj;&#847;&shy;&#x200B;&#xFEFF;&#1;&#x7F;&#x81;b"), "ab");
    // An "&" that begins no reference is text, with what follows it.
    EXPECT_EQ(text("AT&T is here, R&D team, a=1&b=2, &bogus; & &; &# &#x; &#xZ"),
              "AT&T is here, R&D team, a=1&b=2, &bogus; & &; &# &#x; &#xZ");
    EXPECT_EQ(text("x&amp"), "x&");
    EXPECT_EQ(text("x&" + std::string(40, 'a') + ";"), "x&" + std::string(40, 'a') + ";");
    // In the code page the text is shown in; characters it lacks as ASCII
    // look-alikes or "?".
    EXPECT_EQ(text("&eacute;&rsquo;&euro;&copy;&alpha;", 1252), "\xE9\x92\x80\xA9?");
    EXPECT_EQ(text("&eacute;&rsquo;&ldquo;&hellip;&euro;&alpha;", 28591), "\xE9'\"...EUR?");
    EXPECT_EQ(text("caf\xE9 &eacute;&trade;&mdash;", 20127), "caf\xE9 ?(TM)-");
    EXPECT_EQ(text("&#x65E5;&#x672C;", 932), "\x93\xFA\x96{");
}

TEST_F(HtmlToText, TheNamedReferenceTable) {
    // Sorted, so that every name is found; a name's neighbours are not it.
    for (size_t i = 0; i < html_entity_count; i++) {
        const HtmlEntity& e = html_entities[i];
        std::string_view name(html_entity_names + e.name_at, e.name_length);
        ASSERT_EQ(html_entity_find(name), &e) << name;
    }
    EXPECT_EQ(html_entity_count, 2125u);
    EXPECT_EQ(html_entity_find("amp")->code_point, U'&');
    EXPECT_EQ(html_entity_find("zwnj")->code_point, 0x200Cu);
    EXPECT_EQ(html_entity_find("Amp"), nullptr);
    EXPECT_EQ(html_entity_find(""), nullptr);
    char32_t c[2];
    int n;
    // In an attribute an old name without ";" before "=" or a letter is text.
    EXPECT_EQ(html_reference("copy=2", true, c, &n), 0u);
    EXPECT_EQ(html_reference("copy=2", false, c, &n), 4u);
    EXPECT_EQ(html_reference("copy;=2", true, c, &n), 5u);
}

TEST_F(HtmlToText, BlocksListsTablesAndImages) {
    // Block elements break lines whatever their attributes; runs of them give
    // one break or one empty line, none at the start or the end.
    EXPECT_EQ(text("<p class=\"x\">one</p>\r\n<p style='a'>two<br>three<br/><br>four</p><div><div id=d>five</div></div>"
                   "<h1>six</h1>seven<blockquote>eight</blockquote>"),
              "one\r\n\r\ntwo\r\nthree\r\n\r\nfour\r\n\r\nfive\r\n\r\nsix\r\n\r\nseven\r\n\r\neight");
    // A break after a block is a line of its own, as in a browser.
    EXPECT_EQ(text("<p></p><br><div>x</div></br>y<hr class=r>z"), "x\r\n\r\ny\r\n" + rule + "\r\n\r\nz");
    // List items are marked, ordered ones numbered, nested ones indented.
    EXPECT_EQ(text("<ul><li> one <li>two<ol start=\"7\"><li>seven</li><li><p>eight</p></ol></ul>after"),
              "\t\t* one\r\n\t\t* two\r\n\t\t\t7. seven\r\n\r\n\t\t\t8. eight\r\n\r\nafter");
    EXPECT_EQ(text("<dl><dt>term<dd>definition</dl>"), "\tterm\r\n\t\tdefinition");
    // Rows on lines of their own, a tab between the cells that hold text;
    // a table in a cell breaks the line.
    EXPECT_EQ(text("<table><tr><td>a</td> <td></td><th>b</th></tr>\r\n<tr><td>c<td><table><tr><td>d</table>"
                   "<td>e</table>f"),
              "a\tb\r\nc\r\nd\r\ne\r\nf");
    // Images stand as their alternative text, references read.
    EXPECT_EQ(text("x <img src=a.png alt=\"Caf&eacute;  &amp; bar\"> y<img alt=''><IMG SRC=b ALT=logo>z"),
              "x [Caf\xC3\xA9 & bar] y[logo]z");
    // A ">" inside a quoted attribute value does not end the tag.
    EXPECT_EQ(text("<a title=\"a>b\" href='c>d'>link</a> <img alt=\"1 > 0\">"), "link [1 > 0]");
    // Long names and values stay in their buffers.
    EXPECT_EQ(text("<" + std::string(5000, 'p') + ">a<p " + std::string(5000, 'x') + ">b<img alt=\"" +
                   std::string(5000, 'y') + "\">"),
              "a\r\n\r\nb[" + std::string(400, 'y') + "]");
}

TEST_F(HtmlToText, EveryByteIsDataAndLineEndsAreTranslated) {
    // 0xFF and 0x1A do not end the input; a NUL shows as nothing.
    EXPECT_EQ(text(std::string("a\xFF" "b\x1A" "c\0d", 7)), "a\xFF" "b\x1A" "cd");
    EXPECT_EQ(text("\xFF\xFF<br>\x1A"), "\xFF\xFF\r\n\x1A");
    // A CR LF split anywhere is still one line end; output line ends are
    // always CR LF. (One of these pairs straddles the reader's refill.)
    std::string html = "<pre>x";
    for (int i = 0; i < 10000; i++) html += "w\r\n";
    std::string expected = "x";
    for (int i = 0; i < 10000; i++) expected += "w\r\n";
    EXPECT_EQ(text(html), expected.substr(0, expected.size() - 2));
    EXPECT_EQ(text("a\r\r\nb<p>\r"), "a b");
}

TEST_F(HtmlToText, FilesThatCannotBeOpened) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(html_to_text("absent.html", "out.txt", 65001), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nCan't open this HTML file. Is your path correct?");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "out.txt"));

    write_file(folder_ / "in.html", "<b>x</b>");
    testing::internal::CaptureStdout();
    EXPECT_EQ(html_to_text("in.html", "nofolder\\out.txt", 65001), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nERROR-Unable to create nofolder\\out.txt\n");
}

#ifndef _WIN32
TEST_F(HtmlToText, AFullDiskIsAFailure) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
    write_file(folder_ / "in.html", std::string(100000, 'x'));
    EXPECT_EQ(html_to_text("in.html", "/dev/full", 65001), -1);
    write_file(folder_ / "in.html", "x");
    EXPECT_EQ(html_to_text("in.html", "/dev/full", 65001), -1);
}
#endif

}  // namespace
