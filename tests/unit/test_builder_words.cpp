// Header texts beyond ASCII in built messages: the subject and the display
// names as RFC 2047 words, attachment names as RFC 2231 and RFC 2047
// parameters, and all of them read back by the client's own readers.
#include <string>
#include <vector>

#include "format/encoded_words.h"
#include "format/mime_walk.h"
#include "format/part_list.h"
#include "store/message_summary.h"
#include "tests/unit/builder_fixture.h"

namespace {

// The header's lines, folds as lines of their own.
std::vector<std::string> header_lines(const std::string& message) {
    std::vector<std::string> lines;
    std::string header = header_of(message);
    for (size_t at = 0, end; (end = header.find("\r\n", at)) != std::string::npos && end > at; at = end + 2)
        lines.push_back(header.substr(at, end - at));
    return lines;
}

// A field's whole value, its folded lines included.
std::string folded_field(const std::string& message, const std::string& name) {
    std::string header = "\r\n" + header_of(message);
    size_t at = header.find("\r\n" + name + ": ");
    if (at == std::string::npos) return "";
    at += name.size() + 4;
    size_t end = at;
    while ((end = header.find("\r\n", end)) != std::string::npos && (header[end + 2] == ' ' || header[end + 2] == '\t'))
        end += 2;
    return header.substr(at, end - at);
}

std::string repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; i++) text += piece;
    return text;
}

const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE4\xBB\xB6\xE5\x90\x8D";  // 6 characters
const std::string ivan = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";
const std::string elena = "\xCE\x88\xCE\xBB\xCE\xB5\xCE\xBD\xCE\xB1";

TEST_F(BuilderTest, SubjectAndNamesBeyondAsciiAreEncodedWordsOnShortLines) {
    ComposeFields f = fields(u"x");
    f.from = "\"J\xC3\xBCrgen M\xC3\xBCller\" <jm@example.de>";
    std::string to = "\"" + ivan + "\" <ivan@example.ru>, bob@example.org";
    std::string cc = elena + " <elena@example.gr>";
    std::string subject = repeat(japanese, 15);  // 90 characters
    f.to = to.c_str();
    f.cc = cc.c_str();
    f.subject = subject.c_str();
    std::string message = build(f);
    ASSERT_FALSE(message.empty());
    EXPECT_EQ(field_of(message, "From"), "=?utf-8?B?SsO8cmdlbiBNw7xsbGVy?= <jm@example.de>");
    EXPECT_EQ(folded_field(message, "To"), "=?utf-8?B?0JjQstCw0L0=?= <ivan@example.ru>,\r\n\t bob@example.org");
    EXPECT_EQ(field_of(message, "Cc"), "=?utf-8?B?zojOu861zr3OsQ==?= <elena@example.gr>");
    // Addresses are untouched.
    EXPECT_EQ(field_of(message, "X-ZMRecipients"), "ivan@example.ru,bob@example.org,elena@example.gr");
    EXPECT_EQ(field_of(message, "X-ZMAddress"), "jm@example.de");
    // The subject: 80 characters, never a character split between words.
    std::string value = folded_field(message, "Subject");
    EXPECT_EQ(decode_header_text(value), utf8_prefix(subject, 80)) << value;
    size_t at = 0;
    for (size_t word; (word = value.find("=?utf-8?B?", at)) != std::string::npos; at = word + 1) {
        size_t end = value.find("?=", word + 10);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end + 2 - word, 75u);
        std::string bytes = decode_header_text(value.substr(word, end + 2 - word));
        EXPECT_EQ(bytes.size() % 3, 0u) << "a character split: " << value;
    }
    for (const std::string& line : header_lines(message)) {
        EXPECT_LE(line.size(), 78u) << line;
        for (char c : line) EXPECT_LT(static_cast<unsigned char>(c), 0x80u) << line;
    }

    // The client's own list reads back what was written.
    MessageSummary* summary = summary_new();
    ASSERT_EQ(read_summary(0, summary, "out.eml"), SUMMARY_OK);
    EXPECT_STREQ(summary->from_name->text, "J\xC3\xBCrgen M\xC3\xBCller");
    EXPECT_STREQ(summary->subject->text, utf8_prefix(subject, 80).c_str());
    EXPECT_EQ(std::string(summary->recipients->items[0]->text), ivan + " <ivan@example.ru>");
    EXPECT_EQ(std::string(summary->recipients->items[1]->text), " bob@example.org");
    EXPECT_EQ(std::string(summary->recipients->items[2]->text), elena + " <elena@example.gr>");
    summary_delete(summary);
}

TEST_F(BuilderTest, SubjectsOfEveryScriptAndLengthReadBackWhole) {
    for (const std::string& piece : {std::string("\xC3\xA9t\xC3\xA9 "), ivan + " ", std::string("\xF0\x9F\x98\x80"), japanese}) {
        for (int characters : {1, 20, 79, 80, 81, 200}) {
            std::string subject = utf8_prefix(repeat(piece, 200), static_cast<size_t>(characters));
            ComposeFields f = fields(u"x");
            f.subject = subject.c_str();
            std::string message = build(f);
            std::string value = folded_field(message, "Subject");
            EXPECT_EQ(decode_header_text(value), utf8_prefix(subject, 80)) << value;
            for (const std::string& line : header_lines(message)) EXPECT_LE(line.size(), 78u) << line;
        }
    }
}

TEST_F(BuilderTest, AttachmentNamesBeyondAsciiGetBothParameters) {
    ComposeFields f = fields(u"see attached");
    attach(&f, "Fr\xF6sche.txt", "abc");  // a name in the system's code page (windows-1252 here)
    attach(&f, "plain.txt", "abc");
    // A marker written in UTF-8, as forwarding and the builder's callers do.
    std::string long_name = repeat(japanese, 10) + ".txt";
    write_file(folder_ / "temp" / "attachment77_2.tmp", "X-ZMAttachment: " + long_name + "\r\nYWJj");
    f.attachment_count = 3;
    std::string message = build(f);
    EXPECT_NE(message.find("\r\n------=_NextPart_00042\r\n"
                           "Content-Type: application/octet-stream;\r\n name=\"=?utf-8?B?RnLDtnNjaGUudHh0?=\"\r\n"
                           "Content-Transfer-Encoding: base64\r\n"
                           "Content-Disposition: attachment;\r\n filename*=utf-8''Fr%C3%B6sche.txt\r\n\r\nYWJj\r\n"),
              std::string::npos)
        << message;
    // ASCII names as before.
    EXPECT_NE(message.find("Content-Type: application/octet-stream; name=\"plain.txt\"\r\n"
                           "Content-Transfer-Encoding: base64\r\n"
                           "Content-Disposition: attachment; filename=\"plain.txt\"\r\n\r\nYWJj\r\n"),
              std::string::npos);
    // Every line of the message is ASCII and within 78 characters.
    for (size_t at = 0, end; (end = message.find("\r\n", at)) != std::string::npos; at = end + 2) {
        std::string line = message.substr(at, end - at);
        EXPECT_LE(line.size(), 78u) << line;
        for (char c : line) EXPECT_LT(static_cast<unsigned char>(c), 0x80u) << line;
    }
    // The long name in both parameters, read back by the client's reader.
    size_t part = message.find("Content-Type: application/octet-stream;\r\n name=\"=?utf-8?B?5pel");
    ASSERT_NE(part, std::string::npos) << message;
    size_t disposition = message.find("Content-Disposition: ", part);
    std::string type_value = message.substr(part + 14, disposition - part - 14);
    std::string disposition_value = message.substr(disposition + 21, message.find("\r\n\r\n", disposition) - disposition - 21);
    EXPECT_EQ(decode_parameter(type_value, "name"), long_name) << type_value;
    EXPECT_EQ(decode_parameter(disposition_value, "filename"), long_name) << disposition_value;
    // On disk, in the system's code page: "_" for what it lacks.
    PartRecord* parts = part_list_new();
    ASSERT_TRUE(collect_attachments("out.eml", parts));
    std::vector<std::string> names;
    for (PartRecord* p = parts; p->next; p = p->next) names.push_back(p->file_name->text);
    part_list_free(parts);
    EXPECT_EQ(names, (std::vector<std::string>{"Fr\xF6sche.txt", "plain.txt", std::string(60, '_') + ".txt"}));
}

}  // namespace
