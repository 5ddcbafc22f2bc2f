// The MIME reader's walk: which part is chosen for display, which parts are
// attachments, and the exact bytes each recorded range covers, for
// well-formed and broken messages alike.
#include <chrono>

#include "core/app_state.h"
#include "format/mime_walk.h"
#include "format/part_extract.h"
#include "format/part_headers.h"
#include "tests/unit/mime_support.h"

namespace {

using Strings = std::vector<std::string>;

const std::string alternative = crlf(
    "From: a@example.org\n"
    "Content-Type: multipart/alternative; boundary=\"alt\"\n"
    "\n"
    "preamble\n"
    "--alt\n"
    "Content-Type: text/plain; charset=us-ascii\n"
    "\n"
    "plain text\n"
    "--alt\n"
    "Content-Type: text/html; charset=utf-8\n"
    "Content-Transfer-Encoding: quoted-printable\n"
    "\n"
    "<p>html</p>\n"
    "--alt--\n"
    "epilogue\n");

TEST(MimeHeaders, CharsetCodes) {
    EXPECT_EQ(charset_code(""), CHARSET_NONE);
    EXPECT_EQ(charset_code("US-ASCII"), CHARSET_US_ASCII);
    EXPECT_EQ(charset_code("Utf-8"), CHARSET_UTF8);
    EXPECT_EQ(charset_code("ISO-8859-1"), 1);
    EXPECT_EQ(charset_code("iso-8859-9"), 9);
    EXPECT_EQ(charset_code("iso-8859-15"), 28605);
    EXPECT_EQ(charset_code("ISO-8859-9x"), CHARSET_OTHER);
    EXPECT_EQ(charset_code("iso-8859-0"), CHARSET_OTHER);
    EXPECT_EQ(charset_code("windows-1252"), 1252);
    EXPECT_EQ(charset_code("KOI8-R"), 20866);
    EXPECT_EQ(charset_code("x-mac-klingon"), CHARSET_OTHER);
    EXPECT_EQ(charset_code("utf-8x"), CHARSET_OTHER);
}

class MimeWalk : public MimeTest {};

TEST_F(MimeWalk, PartHeadersAndAttachmentNames) {
    const char* path = message(crlf(
        "Subject: x\n"
        "Content-Type: multipart/mixed; boundary=b\n"
        "\n"
        "--b\n"
        "\n"
        "no header at all\n"
        "--b\n"
        "Content-Type: application/pdf; name=\"report.pdf\"\n"
        "Content-Disposition: attachment\n"
        "Content-Transfer-Encoding: base64\n"
        "\n"
        "AAAA\n"
        "--b\n"
        "Content-Type: text/html; charset=\"ISO-8859-2\"; format=flowed\n"
        "Content-Disposition: inline\n"
        "\n"
        "<b>x</b>\n"
        "--b\n"
        "Content-Type: text/plain\n"
        "Content-Disposition: inline\n"
        "\n"
        "t\n"
        "--b\n"
        "Content-Disposition: attachment; filename=\"a b.txt\"\n"
        "\n"
        "named\n"
        "--b\n"
        "Content-Disposition: form-data\n"
        "\n"
        "other\n"
        "--b--\n"));
    PartHeaders h;
    part_headers_init(&h);
    std::string bytes = read_file("m.eml");
    auto header_of = [&](int n) {
        size_t at = 0;
        for (int i = 0; i < n; i++) at = bytes.find("\r\n--b", at + 1);
        return static_cast<int64_t>(at + 1);
    };
    read_part_headers(path, header_of(1), &h, false);
    EXPECT_STREQ(h.type->text, "text/plain");
    EXPECT_STREQ(h.encoding->text, "");
    EXPECT_EQ(h.code_page, CHARSET_NONE);
    read_part_headers(path, header_of(3), &h, false);
    EXPECT_STREQ(h.type->text, "text/html; charset=\"ISO-8859-2\"; format=flowed");
    EXPECT_EQ(h.code_page, 2);
    read_part_headers(path, header_of(2), &h, true);
    EXPECT_STREQ(h.type->text, "attachment");
    EXPECT_STREQ(h.encoding->text, "base64");
    part_headers_release(&h);

    Strings names;
    Strings bodies = attachments(bytes, &names);
    EXPECT_EQ(names, (Strings{"report.pdf", "inline.html", "inline.txt", "a b.txt"}));
    EXPECT_EQ(bodies, (Strings{"AAAA", "<b>x</b>", "t", "named"}));
}

TEST_F(MimeWalk, LongFoldedFieldsAreReadAndCut) {
    std::string name(120, 'n');
    std::string bytes = crlf(
        "Content-Type: multipart/mixed; boundary=b\n\n"
        "--b\nContent-Type: application/vnd.openxmlformats-officedocument.wordprocessingml.document;\n"
        "\tname=\"report.docx\"\n"
        "Content-Disposition: attachment;\n\tsize=12345;\n\tcreation-date=\"Mon, 07 Dec 2026 10:00:00 +0000\";\n"
        "\tfilename=\"" + name + ".docx\"\n\nDOCX\n"
        "--b\nContent-Type: text/plain\n\ntext\n--b--\n");
    // A type longer than the record is cut, not taken for a missing one
    // (which would read as text/plain).
    std::string type;
    EXPECT_EQ(select(bytes, app.plain_first, &type), Strings{"text"});
    Strings names;
    EXPECT_EQ(attachments(bytes, &names), Strings{"DOCX"});
    EXPECT_EQ(names, Strings{name.substr(0, 99)});
    PartHeaders h;
    part_headers_init(&h);
    read_part_headers("m.eml", static_cast<int64_t>(read_file("m.eml").find("\r\n--b") + 1), &h, false);
    EXPECT_EQ(std::string(h.type->text),
              std::string("application/vnd.openxmlformats-officedocument.wordprocessingml.document;\r\n\tname=\"report.docx\"")
                  .substr(0, 99));
    part_headers_release(&h);
}

TEST_F(MimeWalk, NamesBeyondAsciiAreDecodedIntoTheSystemsCodePage) {
    std::string bytes = crlf(
        "Content-Type: multipart/mixed; boundary=b\n\n"
        "--b\nContent-Disposition: attachment; filename*=utf-8''%E2%82%AC%20rates.txt\n\nA\n"
        "--b\nContent-Type: text/plain; name=\"=?iso-8859-1?Q?caf=E9?=.txt\"\n"
        "Content-Disposition: attachment\n\nB\n"
        "--b\nContent-Disposition: attachment;\n filename*0*=utf-8''a%2Fb%3A;\n filename*1=\"c.txt\"\n\nC\n"
        "--b\nContent-Disposition: attachment; filename=\"=?utf-8?B?8J+YgA==?=.txt\"\n\nD\n"
        "--b--\n");
    Strings names;
    EXPECT_EQ(attachments(bytes, &names), (Strings{"A", "B", "C", "D"}));
    // The euro sign and e acute in windows-1252; a path's separators and a
    // character the code page lacks as "_".
    EXPECT_EQ(names, (Strings{"\x80 rates.txt", "caf\xE9.txt", "a_b_c.txt", "_.txt"}));
}

TEST_F(MimeWalk, ThePreferenceListChoosesThePart) {
    std::string type;
    EXPECT_EQ(select(alternative, app.plain_first, &type), Strings{"plain text"});
    EXPECT_EQ(type, "text/plain; charset=us-ascii");
    EXPECT_EQ(select(alternative, app.html_first, &type), Strings{"<p>html</p>"});

    // The first part of the best kind wins; a later equal one does not.
    std::string two_html = crlf(
        "Content-Type: multipart/alternative; boundary=a\n\n"
        "--a\nContent-Type: text/html\n\nfirst\n"
        "--a\nContent-Type: text/html\n\nsecond\n--a--\n");
    EXPECT_EQ(select(two_html, app.plain_first), Strings{"first"});

    // A single-part message without "Content-Type" is plain text; one of
    // another type is nothing to show.
    EXPECT_EQ(select(crlf("Subject: s\n\nbody\nline\n"), app.plain_first), Strings{"body\r\nline\r\n"});
    EXPECT_EQ(select(crlf("Content-Type: image/png\n\nxx"), app.plain_first), Strings{});
    EXPECT_EQ(attachments(crlf("Subject: s\n\nbody\n")), Strings{});
    Strings names;
    EXPECT_EQ(attachments(crlf("Content-Type: text/plain\nContent-Disposition: attachment; filename=n.txt\n\nbody"),
                          &names),
              Strings{"body"});
    EXPECT_EQ(names, Strings{"n.txt"});
}

TEST_F(MimeWalk, NestedContainers) {
    std::string nested = crlf(
        "Content-Type: multipart/mixed; boundary=\"outer\"\n"
        "\n"
        "--outer\n"
        "Content-Type: multipart/alternative; boundary=\"inner\"\n"
        "Content-Disposition: inline\n"
        "\n"
        "--inner\n"
        "Content-Type: text/html\n"
        "\n"
        "<i>hi</i>\n"
        "--inner\n"
        "Content-Type: text/plain\n"
        "Content-Disposition: attachment; filename=deep.txt\n"
        "\n"
        "hi\n"
        "--inner--\n"
        "\n"
        "--outer\n"
        "Content-Type: image/gif\n"
        "Content-Disposition: attachment; filename=\"dot.gif\"\n"
        "\n"
        "GIF89a\n"
        "--outer--\n");
    EXPECT_EQ(select(nested, app.plain_first), Strings{"hi"});
    EXPECT_EQ(select(nested, app.html_first), Strings{"<i>hi</i>"});
    // Attachments are the outermost level's parts: the container itself is
    // inline, and the part inside it is not listed.
    Strings names;
    Strings bodies = attachments(nested, &names);
    EXPECT_EQ(names, (Strings{"inline.txt", "dot.gif"}));
    EXPECT_EQ(bodies[1], "GIF89a");

    // A nested boundary that begins with the enclosing one, as some
    // programs make them: its lines are not the outer level's delimiters.
    std::string extended = crlf(
        "Content-Type: multipart/mixed; boundary=\"=_b_\"\n\n"
        "--=_b_\nContent-Type: multipart/related; boundary=\"=_b_.REL\"\n\n"
        "--=_b_.REL\nContent-Type: text/html\n\n<img src=cid:x>\n"
        "--=_b_.REL\nContent-Type: image/png\nContent-Disposition: inline; filename=x.png\n\nPNG\n"
        "--=_b_.REL--\n"
        "--=_b_ \nContent-Type: image/png\nContent-Disposition: attachment; filename=y.png\n\nPNG2\n"
        "--=_b_--\n");
    EXPECT_EQ(attachments(extended, &names), Strings{"PNG2"});
    EXPECT_EQ(select(extended, app.plain_first), Strings{"<img src=cid:x>"});
    // Nor are those of one that goes on with a single hyphen.
    std::string hyphen = extended;
    for (size_t at = hyphen.find(".REL"); at != std::string::npos; at = hyphen.find(".REL")) hyphen.replace(at, 4, "-rel");
    EXPECT_EQ(attachments(hyphen), Strings{"PNG2"});
    EXPECT_EQ(select(hyphen, app.plain_first), Strings{"<img src=cid:x>"});
}

TEST_F(MimeWalk, CloseDelimitersNeverStartAPart) {
    std::string text = crlf(
        "Content-Type: multipart/mixed; boundary=z\n\n"
        "--z\nContent-Type: text/html\n\nfirst\n"
        "--z--\n"
        "Content-Type: text/plain\n\nnot a part\n"
        "--z\nContent-Type: text/plain\n\nlast\n--z--\n");
    EXPECT_EQ(select(text, app.plain_first), Strings{"last"});
}

TEST_F(MimeWalk, BinaryBodiesAreCopiedByteForByte) {
    std::string binary;
    for (int i = 0; i < 256; i++) binary += static_cast<char>(i);
    binary += std::string("\0\0\n\r\r\n--", 9) + std::string(70000, '\0') + "tail";
    std::string bytes = crlf(
                            "Content-Type: multipart/mixed; boundary=\"==b==\"\n\n"
                            "--==b==\nContent-Type: text/plain\n\ntext\n"
                            "--==b==\nContent-Type: application/octet-stream\n"
                            "Content-Transfer-Encoding: binary\n"
                            "Content-Disposition: attachment; filename=\"bin.dat\"\n\n") +
                        binary + crlf("\n--==b==--\n");
    Strings bodies = attachments(bytes);
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(bodies[0], binary);
}

TEST_F(MimeWalk, LongBoundariesAreComparedWhole) {
    // The file search compares 49 characters; these boundaries share 60.
    std::string common(60, 'q');
    std::string text = crlf("Content-Type: multipart/mixed; boundary=" + common + "1\n\n--" + common +
                            "1\nContent-Type: multipart/alternative; boundary=" + common + "2\n\n--" + common +
                            "2\nContent-Type: text/html\n\nhtml\n--" + common + "2--\n--" + common +
                            "1\nContent-Type: text/plain\n\nplain\n--" + common + "1--\n");
    EXPECT_EQ(select(text, app.html_first), Strings{"html"});
    EXPECT_EQ(select(text, app.plain_first), Strings{"plain"});
}

TEST_F(MimeWalk, MissingCloseDelimiterKeepsTheRest) {
    // A message cut short: its last part runs to the end of the file.
    std::string cut = crlf(
        "Content-Type: multipart/mixed; boundary=c\n\n"
        "--c\nContent-Type: text/plain\n\nhello\n"
        "--c\nContent-Disposition: attachment; filename=f.txt\n\npartial data\n");
    const char* path = message(cut);
    PartRecord* list = part_list_new();
    ASSERT_TRUE(collect_attachments(path, list));
    EXPECT_TRUE(list->incomplete);
    EXPECT_EQ(list->body_end, 0);
    EXPECT_EQ(part_bodies(path, list), Strings{"partial data\r\n"});
    part_list_free(list);

    // Inside a container the part ends where the enclosing level goes on.
    std::string inner_cut = crlf(
        "Content-Type: multipart/mixed; boundary=o\n\n"
        "--o\nContent-Type: multipart/alternative; boundary=i\n\n"
        "--i\nContent-Type: text/html\n\ninner html\n"
        "--o\nContent-Type: text/plain\n\nouter\n--o--\n");
    EXPECT_EQ(select(inner_cut, app.html_first), Strings{"inner html"});
}

TEST_F(MimeWalk, BrokenStructuresGiveWhatIsThere) {
    // A boundary that never appears: no parts.
    EXPECT_EQ(select(crlf("Content-Type: multipart/mixed; boundary=never\n\nbody\n"), app.plain_first), Strings{});
    // No header end anywhere: nothing, single part or multipart.
    EXPECT_EQ(select(crlf("Subject: s\nbody"), app.plain_first), Strings{});
    EXPECT_EQ(select(crlf("Content-Type: multipart/mixed; boundary=b\n--b\nContent-Type: text/plain\nx"),
                     app.plain_first),
              Strings{});
    // A part whose header runs into the next delimiter has no header end of
    // its own and is skipped; the part after it is still found.
    EXPECT_EQ(attachments(crlf("Content-Type: multipart/mixed; boundary=b\n\n"
                               "--b\nContent-Disposition: attachment; filename=a\n"
                               "--b\nContent-Disposition: attachment; filename=b\n\nB\n--b--\n")),
              Strings{"B"});
    // An empty part straight after its delimiter line.
    EXPECT_EQ(attachments(crlf("Content-Type: multipart/mixed; boundary=b\n\n"
                               "--b\nContent-Disposition: attachment\n\n--b--\n")),
              Strings{""});
    // A header far larger than any buffer, with the type at its end.
    std::string big = "Subject: big\r\n";
    for (int i = 0; i < 3000; i++) big += "X-Filler: " + std::string(60, 'f') + "\r\n";
    big += crlf("Content-Type: multipart/alternative; boundary=big\n\n--big\nContent-Type: text/plain\n\nfound\n--big--\n");
    EXPECT_EQ(select(big, app.plain_first), Strings{"found"});
}

TEST_F(MimeWalk, HostileNestingEndsQuickly) {
    // Every level reuses the same boundary: the outer walk sees all parts as
    // its own, and nothing is walked twice.
    std::string same = "Content-Type: multipart/mixed; boundary=s\r\n\r\n";
    for (int i = 0; i < 60; i++) same += "--s\r\nContent-Type: multipart/mixed; boundary=s\r\n\r\n";
    same += "--s\r\nContent-Type: text/html\r\n\r\nend\r\n--s--\r\n";
    // Each level's boundary begins with the one around it: sixty real
    // levels, deeper than the walk goes.
    std::string prefix = "Content-Type: multipart/mixed; boundary=p\r\n\r\n";
    std::string b = "p";
    for (int i = 0; i < 60; i++) {
        prefix += "--" + b + "\r\nContent-Type: multipart/mixed; boundary=" + b + "x\r\n\r\n";
        b += "x";
    }
    prefix += "--" + b + "\r\nContent-Type: text/html\r\n\r\nend\r\n--" + b + "--\r\n";
    // Far deeper than any real message, each level with its own boundary.
    auto level = [](int i) {
        char name[16];
        std::snprintf(name, sizeof name, "d%05d", i);
        return std::string(name);
    };
    std::string deep = "Content-Type: multipart/mixed; boundary=" + level(0) + "\r\n\r\n";
    for (int i = 0; i < 2000; i++)
        deep += "--" + level(i) + "\r\nContent-Type: multipart/mixed; boundary=" + level(i + 1) + "\r\n\r\n";
    deep += "--" + level(2000) + "\r\nContent-Type: text/html\r\n\r\ntoo deep\r\n";
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(select(same, app.plain_first), Strings{"end"});
    EXPECT_EQ(select(prefix, app.plain_first), Strings{});
    EXPECT_EQ(select(deep, app.plain_first), Strings{});
    EXPECT_EQ(attachments(same), Strings{});
    // Generous: these take milliseconds; without the guards they never end.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
}

TEST_F(MimeWalk, FindBoundaryAndMatchType) {
    const char* path = message(alternative);
    int64_t at = 0;
    ASSERT_EQ(find_boundary(path, "\r\n--alt", &at), 1);
    EXPECT_EQ(read_file("m.eml").compare(static_cast<size_t>(at), 7, "\r\n--alt"), 0);
    int64_t after_last = static_cast<int64_t>(read_file("m.eml").rfind("\r\n--alt"));
    at = after_last;
    EXPECT_EQ(find_boundary(path, "\r\n--alt", &at), 0);  // only the close delimiter is left
    EXPECT_EQ(match_type("TEXT/HTML; x", app.plain_first), 1);
    EXPECT_EQ(match_type("image/png", app.plain_first), -1);
    EXPECT_EQ(match_type("", app.dispositions), -1);
    EXPECT_TRUE(is_multipart("MultiPart/Related"));
    EXPECT_FALSE(is_multipart("multipar"));
}

TEST_F(MimeWalk, ExtractionFailuresAreShown) {
    UiRecorder ui;
    const char* path = message(alternative);
    PartRecord* list = part_list_new();
    EXPECT_EQ(extract_next_part(path, "temp\\x", list), -1);  // the end record
    list->next = part_list_new();
    list->body_start = 50;
    list->body_end = 10;
    EXPECT_EQ(extract_range(path, "temp\\x", list), -1);
    list->body_end = 60;
    EXPECT_EQ(extract_range(path, "nofolder\\x", list), -1);
    EXPECT_EQ(extract_range("missing.eml", "temp\\x", list), -1);
    EXPECT_EQ(ui.box_texts(), (Strings{"File format appears to be incorrect.", "Could not open extracted file!",
                                       "Could not open source file!"}));
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
    EXPECT_EQ(extract_next_part(path, "temp\\x", list), 0);
    EXPECT_EQ(read_file("temp/x"), read_file("m.eml").substr(50, 10));
    part_list_free(list);
}

}  // namespace
