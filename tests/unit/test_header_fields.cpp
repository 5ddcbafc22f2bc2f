#include <cstdint>
#include <cstdio>
#include <string>

#include "core/log.h"
#include "core/sys_files.h"
#include "format/header_fields.h"
#include "format/safe_fread.h"
#include "tests/unit/test_support.h"

namespace {

using HeaderFieldTest = FolderTest;

// A received message as the client stores it: its private lines first, two
// Received lines, a folded To and Subject, and body lines that look like
// header fields.
const std::string message =
    "X-ZMRead: FALSE\r\n"
    "X-ReceivedDate: Sun, 6 Dec 2026 13:32:38 +0100\r\n"
    "Received: from relay1 by mx; Sun, 6 Dec 2026 13:30:00 +0100\r\n"
    "Received: from relay2 by relay1; Sun, 6 Dec 2026 13:29:00 +0100\r\n"
    "From: \"Jane Doe\" <jane@example.org>\r\n"
    "To: bob@example.org,\r\n\t\"Smith, Ann\" <ann@example.org>\r\n"
    "Subject: Quarterly\r\n figures\r\n"
    "content-type: text/plain;\tcharset=\"iso-8859-1\"\r\n"
    "\r\n"
    "Received: quoted in the body\r\n"
    "X-Body-Only: yes\r\n";

struct Field {
    int result;
    std::string value;
    int64_t offset;
};

Field read(const char* name, int max_len = 99, int occurrence = FIELD_FIRST, int scope = SCOPE_HEADER,
           int64_t start = 0, int capacity = 1000, const char* path = "m.eml") {
    Array* out = array_new(capacity);
    int64_t offset = start;
    int result = read_header_field(path, &offset, name, out, max_len, occurrence, scope);
    Field f{result, out->text, offset};
    delete_arrays(out);
    return f;
}

TEST_F(HeaderFieldTest, ReadsValuesOfTheMessageHeader) {
    write_file(folder_ / "m.eml", message);
    Field f = read("X-ZMRead");  // the first line: no line break in front of it
    EXPECT_EQ(f.result, 0);
    EXPECT_EQ(f.value, "FALSE");
    EXPECT_EQ(f.offset, 0);

    f = read("from");
    EXPECT_EQ(f.result, 0);
    EXPECT_EQ(f.value, "\"Jane Doe\" <jane@example.org>");
    EXPECT_EQ(f.offset, static_cast<int64_t>(message.find("From:")));

    EXPECT_EQ(read("Content-Type").value, "text/plain;\tcharset=\"iso-8859-1\"");
    EXPECT_EQ(read("To").value, "bob@example.org,\r\n\t\"Smith, Ann\" <ann@example.org>");
    EXPECT_EQ(read("Subject").value, "Quarterly\r\n figures");
}

TEST_F(HeaderFieldTest, ScopeAndOccurrence) {
    write_file(folder_ / "m.eml", message);
    EXPECT_EQ(read("X-Body-Only").result, -1);
    EXPECT_EQ(read("X-Body-Only", 99, FIELD_FIRST, SCOPE_FILE).value, "yes");
    EXPECT_EQ(read("Received").value, "from relay1 by mx; Sun, 6 Dec 2026 13:30:00 +0100");
    EXPECT_EQ(read("Received", 99, FIELD_LAST).value, "from relay2 by relay1; Sun, 6 Dec 2026 13:29:00 +0100");
    EXPECT_EQ(read("Received", 99, FIELD_LAST, SCOPE_FILE).value, "quoted in the body");
    // Without a header end the whole file is the header.
    write_file(folder_ / "m.eml", "Subject: hi\r\nX-Late: there\r\n");
    EXPECT_EQ(read("X-Late").value, "there");
}

TEST_F(HeaderFieldTest, LastOccurrenceLooksBeyondAFirstLineMatch) {
    write_file(folder_ / "m.eml", "Received: first\r\nReceived: second\r\nSubject: x\r\n\r\nReceived: body\r\n");
    Field f = read("Received", 99, FIELD_LAST);
    EXPECT_EQ(f.value, "second");
    EXPECT_EQ(f.offset, 17);
    EXPECT_EQ(read("Received").value, "first");
}

TEST_F(HeaderFieldTest, AbsentEmptyAndUnreadableFieldsAreMinusOneWithTheOffsetKept) {
    write_file(folder_ / "m.eml", "Subject:\r\nX-Blank:   \r\nFrom: a\r\n\r\n");
    EXPECT_EQ(read("Subject").result, -1);
    EXPECT_EQ(read("X-Blank").result, -1);
    Field f = read("Cc", 99, FIELD_FIRST, SCOPE_HEADER, 3);
    EXPECT_EQ(f.result, -1);
    EXPECT_EQ(f.offset, 3);
    EXPECT_EQ(f.value, "");
    write_file(folder_ / "empty.eml", "");
    EXPECT_EQ(read("From", 99, FIELD_FIRST, SCOPE_FILE, 0, 1000, "empty.eml").result, -1);
    EXPECT_EQ(read("From", 99, FIELD_FIRST, SCOPE_FILE, 0, 1000, "missing.eml").result, -1);
    EXPECT_EQ(read("").result, -1);
}

TEST_F(HeaderFieldTest, LongValuesAreCutNearbyAndAbsentFarAway) {
    std::string value(30, 'v');
    write_file(folder_ / "m.eml", "Subject: " + value + "\r\nX-Long: " + std::string(20000, 'L') + "\r\nTo: b\r\n\r\n");
    // 20 + 7 + 10 bytes after the name hold the whole line: cut and -2.
    Field f = read("Subject", 20);
    EXPECT_EQ(f.result, -2);
    EXPECT_EQ(f.value, value.substr(0, 20));
    // 5 + 17 bytes do not reach its line end.
    EXPECT_EQ(read("Subject", 5).result, -1);
    EXPECT_EQ(read("X-Long", 100000).result, -1);
    // A buffer smaller than the limit cuts too, and says so.
    f = read("Subject", 99, FIELD_FIRST, SCOPE_HEADER, 0, 11);
    EXPECT_EQ(f.result, -2);
    EXPECT_EQ(f.value, value.substr(0, 10));
    // A field behind a line longer than every buffer is still found.
    EXPECT_EQ(read("To").value, "b");
}

TEST_F(HeaderFieldTest, ALineBreakAtTheEndOfTheReadIsCheckedForAContinuation) {
    // The read after the name stops at 16000 bytes; the line break of the
    // first physical line is its last byte, and the field goes on.
    std::string first(16000 - 3, 'x');
    write_file(folder_ / "m.eml", "X-Fold: " + first + "\r\n\tmore\r\n\r\n");
    EXPECT_EQ(read("X-Fold", 17000).result, -1);
}

TEST_F(HeaderFieldTest, BareLineFeedsEndAValueWithoutEatingIt) {
    write_file(folder_ / "m.eml", "From: a@b\r\nSubject: hello\n\r\nTo:\n\r\n\r\n");
    EXPECT_EQ(read("Subject").value, "hello");
    EXPECT_EQ(read("To").result, -1);
}

TEST_F(HeaderFieldTest, PartHeadersAreReadFromTheirOffset) {
    std::string multipart =
        "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
        "--b1\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n"
        "--b1\r\nContent-Disposition: attachment; filename=\"a.txt\"\r\n\r\nabc\r\n--b1--\r\n";
    write_file(folder_ / "m.eml", multipart);
    // The MIME walk passes the position one past a delimiter's first byte.
    int64_t first = static_cast<int64_t>(multipart.find("\r\n--b1")) + 1;
    Field f = read("Content-Type", 99, FIELD_FIRST, SCOPE_HEADER, first);
    EXPECT_EQ(f.value, "text/html");
    EXPECT_EQ(f.offset, static_cast<int64_t>(multipart.find("Content-Type: text/html")));
    // The second part has no type of its own; the search ends at its header.
    int64_t second = static_cast<int64_t>(multipart.find("\r\n--b1", first)) + 1;
    EXPECT_EQ(read("Content-Type", 99, FIELD_FIRST, SCOPE_HEADER, second).result, -1);
    EXPECT_EQ(read("Content-Disposition", 99, FIELD_FIRST, SCOPE_HEADER, second).value,
              "attachment; filename=\"a.txt\"");
}

std::string parameter(const char* value, const char* param, int max_len = 99, int* result = nullptr,
                      std::string* shortened = nullptr) {
    Array* v = array_new(200);
    array_copy(v, value);
    Array* out = array_new(100);
    int r = get_field_parameter(v, param, out, max_len);
    if (result) *result = r;
    if (shortened) *shortened = v->text;
    std::string got = r == -1 ? "<absent>" : out->text;
    delete_arrays(v, out);
    return got;
}

TEST(FieldParameter, QuotedValueIsCutInPlaceAtItsClosingQuote) {
    int result = 0;
    std::string shortened;
    EXPECT_EQ(parameter("text/plain; charset=\"iso-8859-1\"; format=flowed", "charset", 99, &result, &shortened),
              "iso-8859-1");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(shortened, "text/plain; charset=\"iso-8859-1");
    EXPECT_EQ(parameter("multipart/mixed;\r\n\tboundary=\"----=_NextPart_000_0012\"", "boundary"),
              "----=_NextPart_000_0012");
    EXPECT_EQ(parameter("attachment; FILENAME = \"two words.pdf\"", "filename"), "two words.pdf");
    EXPECT_EQ(parameter("attachment; filename=\"no end.pdf", "filename"), "no end.pdf");
}

TEST(FieldParameter, UnquotedValueEndsAtItsToken) {
    EXPECT_EQ(parameter("text/plain; charset=utf-8; format=flowed", "charset"), "utf-8");
    EXPECT_EQ(parameter("multipart/alternative; boundary=abc\r\n\tcharset=x", "boundary"), "abc");
    EXPECT_EQ(parameter("text/plain; CHARSET=US-ASCII", "charset"), "US-ASCII");
}

TEST(FieldParameter, AbsentMalformedAndCut) {
    EXPECT_EQ(parameter("text/plain", "charset"), "<absent>");
    EXPECT_EQ(parameter("text/plain; charset", "charset"), "<absent>");
    EXPECT_EQ(parameter("text/plain; charset=", "charset"), "<absent>");
    EXPECT_EQ(parameter("text/plain; charset=\"\"", "charset"), "<absent>");
    EXPECT_EQ(parameter("text/plain; charset: utf-8", "charset"), "<absent>");
    int result = 0;
    EXPECT_EQ(parameter("text/plain; charset=\"iso-8859-1\"", "charset", 3, &result), "iso");
    EXPECT_EQ(result, -2);
}

TEST(UnfoldValue, RemovesTabsAndLineBreaksWithinTheLimit) {
    Array* a = array_new(100);
    array_copy(a, "a@b,\r\n\tc@d,\r\n\te f");
    unfold_value(a, 100);
    EXPECT_STREQ(a->text, "a@b,c@d,e f");
    array_copy(a, "x\r\n\ty\r\n\tz");
    unfold_value(a, 4);
    EXPECT_STREQ(a->text, "xy\r\n\tz");
    delete_arrays(a);
}

TEST_F(HeaderFieldTest, SafeFreadLogsOnlyRefusedRequests) {
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    write_file(folder_ / "data.bin", "0123456789abcdef");
    std::FILE* f = sys_fopen("data.bin", "rb");
    ASSERT_NE(f, nullptr);
    Array* small = array_new(10);
    EXPECT_EQ(safe_fread(small, 20, f), 9);
    EXPECT_STREQ(small->text, "012345678");
    Array* large = array_new(100);
    EXPECT_EQ(safe_fread(large, 50, f), 7);  // the end of the file: not an error
    EXPECT_STREQ(large->text, "9abcdef");
    std::fclose(f);
    delete_arrays(small, large);
    log_close();
    std::string log = read_file(folder_ / "zmlog.txt");
    EXPECT_EQ(log.size(), 22 + std::string("libArrays: safe_fread error.\r\n").size()) << log;
    EXPECT_NE(log.find("] libArrays: safe_fread error.\r\n"), std::string::npos) << log;
}

}  // namespace
