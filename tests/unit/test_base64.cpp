#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/arrays.h"
#include "format/base64.h"
#include "tests/unit/test_support.h"

namespace {

std::string encode(const std::string& bytes, int capacity = 1000) {
    Array* out = array_new(capacity);
    base64_encode(bytes.data(), out, static_cast<int>(bytes.size()));
    std::string text = out->text;
    delete_arrays(out);
    return text;
}

std::string decode(const std::string& text, int capacity = 1000) {
    Array* out = array_new(capacity);
    int n = base64_decode(text.data(), out, static_cast<int>(text.size()));
    std::string bytes(out->text, static_cast<size_t>(n));
    delete_arrays(out);
    return bytes;
}

std::string random_bytes(size_t n, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// The lines of a file, each with its "\r\n" when it has one.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        end = end == std::string::npos ? text.size() : end + 2;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

TEST(Base64Memory, EncodesTheStandardVectorsWithPadding) {
    EXPECT_EQ(encode(""), "");
    EXPECT_EQ(encode("f"), "Zg==");
    EXPECT_EQ(encode("fo"), "Zm8=");
    EXPECT_EQ(encode("foo"), "Zm9v");
    EXPECT_EQ(encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(encode(std::string("\0\xff\xfe", 3)), "AP/+");
}

TEST(Base64Memory, WholeTextsInEitherAlphabet) {
    // RFC 4648 section 10, and the bytes whose characters differ between
    // the alphabets: the URL-safe one takes "-" and "_" and drops the padding.
    const char* const vectors[][3] = {
        {"", "", ""},         {"f", "Zg==", "Zg"},         {"fo", "Zm8=", "Zm8"},
        {"foo", "Zm9v", "Zm9v"}, {"foobar", "Zm9vYmFy", "Zm9vYmFy"}, {"\xfb\xff\xbf", "+/+/", "-_-_"},
    };
    for (const auto& v : vectors) {
        EXPECT_EQ(base64_string(v[0], std::strlen(v[0])), v[1]);
        EXPECT_EQ(base64url_string(v[0], std::strlen(v[0])), v[2]);
    }
    // The same text as the bounded encoder writes.
    std::string bytes = random_bytes(1000, 7);
    EXPECT_EQ(base64_string(bytes.data(), bytes.size()), encode(bytes, 2000));
}

TEST(Base64Memory, EncodingAppendsAndIsCutAtTheCapacity) {
    Array* out = array_new(20);
    array_copy(out, "AB");
    base64_encode("foo", out, 3);
    EXPECT_STREQ(out->text, "ABZm9v");
    base64_encode_block("fo", out, 2);
    EXPECT_STREQ(out->text, "ABZm9vZm8=");
    delete_arrays(out);

    // Seven bytes hold six characters: the second group is cut.
    EXPECT_EQ(encode("foobar", 7), "Zm9vYm");
    // 273 bytes of a PLAIN login into 271: the text stops at 270 characters.
    EXPECT_EQ(encode(std::string(273, 'u'), 271).size(), 270u);
}

TEST(Base64Memory, DecodesGroupsAndReportsTheByteCount) {
    EXPECT_EQ(decode("Zg=="), "f");
    EXPECT_EQ(decode("Zm8="), "fo");
    EXPECT_EQ(decode("Zm9vYmFy"), "foobar");
    EXPECT_EQ(decode("AP/+"), std::string("\0\xff\xfe", 3));
    // A group cut short counts as padded; one stray character gives nothing.
    EXPECT_EQ(decode("Zm9vYg"), "foob");
    EXPECT_EQ(decode("Zm9vYmE"), "fooba");
    EXPECT_EQ(decode("Zm9vY"), "foo");
}

TEST(Base64Memory, DecodeBlockAdvancesByThePadding) {
    Array* out = array_new(16);
    int position = 0;
    base64_decode_block("Zm9v", out, &position);
    EXPECT_EQ(position, 3);
    base64_decode_block("Zm8=", out, &position);
    EXPECT_EQ(position, 5);
    base64_decode_block("Zg==", out, &position);
    EXPECT_EQ(position, 6);
    EXPECT_STREQ(out->text, "foofof");
    delete_arrays(out);
}

TEST(Base64Memory, DecodingStaysInsideTheOutputAndKeepsItsLastByte) {
    Array* out = array_new(4);
    EXPECT_EQ(base64_decode("Zm9vYmFyYmF6", out, 12), 3);
    EXPECT_EQ(std::string(out->text, 4), std::string("foo\0", 4));
    delete_arrays(out);

    Array* none = array_new(1);
    EXPECT_EQ(base64_decode("Zm9v", none, 4), 0);
    EXPECT_EQ(none->text[0], 0);
    delete_arrays(none);
}

TEST(Base64Memory, CharactersOutsideTheAlphabetCountAsZero) {
    // Every byte outside the 64 data characters, "=" in the first two places,
    // a zero byte and bytes above 127, decodes as if it were "A".
    EXPECT_EQ(base64_value('A'), 0);
    EXPECT_EQ(base64_value('/'), 63);
    for (int c : {0, int{'='}, int{'\r'}, int{'\n'}, int{' '}, int{'-'}, int{'_'}, 0x80, 0xC3, 0xFF}) EXPECT_EQ(base64_value(static_cast<unsigned char>(c)), 0) << c;
    EXPECT_EQ(decode(std::string("Z\x80" "9v", 4)), decode("ZA9v"));
    EXPECT_EQ(decode(std::string("\xff\0!Q", 4)), std::string("\0\0\x10", 3));
    EXPECT_EQ(decode("==Q="), decode("AAQ="));
    EXPECT_EQ(decode("==Q="), std::string("\0\x04", 2));
}

TEST(Base64Memory, DecodeInPlaceClearsTheTextAndReturnsTheBytes) {
    Array* buffer = array_new(32);
    array_copy(buffer, "Zm9vYmFy");
    EXPECT_EQ(base64_decode_in_place(buffer, 8), 6);
    EXPECT_EQ(std::string(buffer->text, 9), std::string("foobar\0\0\0", 9));
    delete_arrays(buffer);

    // A length beyond the buffer is bounded by it: a full block of eight
    // characters with no terminator.
    Array* full = array_new(8);
    std::memcpy(full->chars, "Zm9vYmFy", 8);
    EXPECT_EQ(base64_decode_in_place(full, 500), 6);
    EXPECT_EQ(std::string(full->text, 8), std::string("foobar\0\0", 8));
    EXPECT_EQ(base64_decode_in_place(full, 0), 0);
    delete_arrays(full);
}

using Base64File = FolderTest;

TEST_F(Base64File, SixtyThreeBytesMakeOneFullLine) {
    write_file(folder_ / "in.bin", std::string(63, 'x'));
    ASSERT_EQ(base64_encode_file("in.bin", "out.txt", nullptr), 0);
    std::string one_line = read_file(folder_ / "out.txt");
    ASSERT_EQ(one_line.size(), 86u);
    EXPECT_EQ(one_line, encode(std::string(63, 'x')) + "\r\n");

    write_file(folder_ / "in.bin", std::string(64, 'x'));
    ASSERT_EQ(base64_encode_file("in.bin", "out.txt", nullptr), 0);
    EXPECT_EQ(read_file(folder_ / "out.txt"), encode(std::string(63, 'x')) + "\r\n" + "eA==");
}

TEST_F(Base64File, LinesHold84CharactersAndTheLastHasNoLineEnd) {
    std::string bytes = random_bytes(200000, 1);
    write_file(folder_ / "in.bin", bytes);
    ASSERT_EQ(base64_encode_file("in.bin", "out.txt", nullptr), 0);
    std::vector<std::string> lines = lines_of(read_file(folder_ / "out.txt"));
    ASSERT_EQ(lines.size(), 200000u / 63 + 1);
    std::string joined;
    for (size_t i = 0; i + 1 < lines.size(); i++) {
        ASSERT_EQ(lines[i].size(), 86u) << i;
        ASSERT_EQ(lines[i].substr(84), "\r\n") << i;
        joined += lines[i].substr(0, 84);
    }
    EXPECT_EQ(lines.back(), encode(bytes.substr(bytes.size() / 63 * 63)));
    joined += lines.back();
    Array* whole = array_new(300000);
    base64_encode(bytes.data(), whole, static_cast<int>(bytes.size()));
    EXPECT_EQ(joined, whole->text);
    delete_arrays(whole);

    ASSERT_EQ(base64_decode_file("out.txt", "back.bin"), 0);
    EXPECT_EQ(read_file(folder_ / "back.bin"), bytes);
}

TEST_F(Base64File, MarkerLineComesFirst) {
    write_file(folder_ / "in.bin", "abc");
    ASSERT_EQ(base64_encode_file("in.bin", "att.tmp", "report 2.pdf"), 0);
    EXPECT_EQ(read_file(folder_ / "att.tmp"), "X-ZMAttachment: report 2.pdf\r\nYWJj");
}

TEST_F(Base64File, EmptyInputGivesEmptyOutput) {
    write_file(folder_ / "empty", "");
    ASSERT_EQ(base64_encode_file("empty", "out.txt", nullptr), 0);
    EXPECT_EQ(read_file(folder_ / "out.txt"), "");
    ASSERT_EQ(base64_encode_file("empty", "att.tmp", "x.txt"), 0);
    EXPECT_EQ(read_file(folder_ / "att.tmp"), "X-ZMAttachment: x.txt\r\n");
    ASSERT_EQ(base64_decode_file("empty", "back.bin"), 0);
    EXPECT_EQ(read_file(folder_ / "back.bin"), "");
}

TEST_F(Base64File, DecoderTakesEachLineOnItsOwn) {
    // Lines of 76 as other programs write them, a padded line in the middle,
    // a last line with a line end, and blank lines.
    write_file(folder_ / "in.txt", "Zm9v\r\nYg==\r\n\r\nYmFy\r\n");
    ASSERT_EQ(base64_decode_file("in.txt", "out.bin"), 0);
    EXPECT_EQ(read_file(folder_ / "out.bin"), "foobbar");

    // Lines that end in a bare line feed decode as long as they hold whole
    // groups: the lone line feed is a leftover character and gives nothing.
    write_file(folder_ / "in.txt", "Zm9v\nYmFy\n");
    ASSERT_EQ(base64_decode_file("in.txt", "out.bin"), 0);
    EXPECT_EQ(read_file(folder_ / "out.bin"), "foobar");

    // A short group at a line end is not joined with the next line.
    write_file(folder_ / "in.txt", "Zm9vYg\r\nYmFy");
    ASSERT_EQ(base64_decode_file("in.txt", "out.bin"), 0);
    EXPECT_EQ(read_file(folder_ / "out.bin"), "foobbar");
}

TEST_F(Base64File, LineLongerThanAnyBufferDecodesWhole) {
    std::string bytes = random_bytes(150000, 2);
    Array* text = array_new(250000);
    base64_encode(bytes.data(), text, static_cast<int>(bytes.size()));
    write_file(folder_ / "in.txt", std::string(text->text) + "\r\n");
    delete_arrays(text);
    ASSERT_EQ(base64_decode_file("in.txt", "out.bin"), 0);
    EXPECT_EQ(read_file(folder_ / "out.bin"), bytes);
}

TEST_F(Base64File, OpenFailuresAreShownByTheEncoderOnly) {
    UiRecorder ui;
    EXPECT_NE(base64_encode_file("missing.bin", "out.txt", nullptr), 0);
    write_file(folder_ / "in.bin", "abc");
    EXPECT_NE(base64_encode_file("in.bin", "no such folder\\out.txt", "in.bin"), 0);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, "Could not open base64 input file!");
    EXPECT_EQ(ui.boxes[1].text, "Could not open base64 output file!");
    for (const RecordedBox& box : ui.boxes) {
        EXPECT_EQ(box.caption, "Zenth Mail");
        EXPECT_EQ(box.style, static_cast<unsigned>(UI_OK));
    }

    EXPECT_EQ(base64_decode_file("missing.txt", "out.bin"), -1);
    EXPECT_EQ(base64_decode_file("in.bin", "no such folder\\out.bin"), -1);
    EXPECT_EQ(ui.boxes.size(), 2u);
}

}  // namespace
