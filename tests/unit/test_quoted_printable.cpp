#include <algorithm>
#include <random>
#include <string>

#include "core/arrays.h"
#include "format/quoted_printable.h"
#include "tests/unit/test_support.h"

namespace {

class QuotedPrintable : public FolderTest {
protected:
    std::string encoded(const std::string& text) {
        write_file(folder_ / "in.txt", text);
        EXPECT_EQ(qp_encode_file("in.txt", "out.txt"), 0);
        return read_file(folder_ / "out.txt");
    }
    std::string decoded(const std::string& text) {
        write_file(folder_ / "in.txt", text);
        EXPECT_EQ(qp_decode_file("in.txt", "out.txt"), 0);
        return read_file(folder_ / "out.txt");
    }
};

std::string random_text(size_t n, unsigned seed, int low) {
    std::mt19937 generator(seed);
    std::string bytes(n, 'a');
    for (char& c : bytes) c = static_cast<char>(low + static_cast<int>(generator() % static_cast<unsigned>(256 - low)));
    return bytes;
}

TEST_F(QuotedPrintable, EscapesWhatIsNotPlainPrintable) {
    EXPECT_EQ(encoded("a b\r\nc\r\n"), "a b\r\nc\r\n");
    EXPECT_EQ(encoded("trailing \r\nspace"), "trailing=20\r\nspace");
    EXPECT_EQ(encoded("end.\r\n.\r\n"), "end=2E\r\n=2E\r\n");
    EXPECT_EQ(encoded("caf\xe9 1+1=2"), "caf=E9 1+1=3D2");
    EXPECT_EQ(encoded("tab\there"), "tab=09here");
    EXPECT_EQ(encoded("bare\nfeed\rreturn\n\r"), "bare=0Afeed=0Dreturn=0A=0D");
    EXPECT_EQ(encoded(std::string("nul\0x", 5)), "nul=00x");
    // The last byte is followed by nothing: a final space stays a space.
    EXPECT_EQ(encoded("last "), "last ");
    EXPECT_EQ(encoded(""), "");
}

TEST_F(QuotedPrintable, SoftBreakFollowsTheSeventyFirstCharacter) {
    std::string letters(100, 'x');
    EXPECT_EQ(encoded(letters), std::string(71, 'x') + "=\r\n" + std::string(29, 'x'));
    // An escape may take the line to 73 characters before its soft break.
    EXPECT_EQ(encoded(std::string(70, 'x') + "\xe9" + "y"), std::string(70, 'x') + "=E9=\r\ny");
    // A hard line end starts the count again.
    EXPECT_EQ(encoded(std::string(60, 'x') + "\r\n" + std::string(60, 'y')),
              std::string(60, 'x') + "\r\n" + std::string(60, 'y'));
}

TEST_F(QuotedPrintable, EightBitTextEncodesWhateverItsLength) {
    // Text that is almost all 8-bit characters grows to three characters a
    // byte; every chunk must still fit.
    UiRecorder ui;
    std::string text = random_text(100000, 3, 128);
    std::string out = encoded(text);
    EXPECT_TRUE(ui.boxes.empty());
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find("\r\n", start);
        if (end == std::string::npos) end = out.size();
        ASSERT_LE(end - start, 73u + 1) << start;
        start = end + 2;
    }
    EXPECT_EQ(decoded(out), text);
}

TEST_F(QuotedPrintable, ChunkOverflowIsReported) {
    UiRecorder ui;
    Array* out = array_new(16);
    char carry = 0;
    int line_length = 0;
    std::string chunk(10, '\xe9');
    EXPECT_EQ(qp_encode_chunk(&carry, chunk.data(), out, 10, &line_length), -1);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Quoted-Printable encoding error!"});
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
    EXPECT_EQ(std::string(out->text), "=E9=E9=E9=E9=E9");
    delete_arrays(out);
}

TEST_F(QuotedPrintable, ChunksCarryOneByteOfLookAhead) {
    // Encoding in chunks of any size gives the same text as in one piece,
    // also where "\r\n" or " \r\n" falls across two chunks.
    std::string text = "one \r\ntwo\r\n \r\n." + std::string(80, 'z') + "\r\n\r\nend ";
    std::string whole = encoded(text);
    for (int size = 1; size <= 7; size++) {
        Array* out = array_new(2048);
        char carry = 0;
        int line_length = 0;
        for (size_t i = 0; i < text.size(); i += static_cast<size_t>(size)) {
            int n = static_cast<int>(std::min(text.size() - i, static_cast<size_t>(size)));
            ASSERT_EQ(qp_encode_chunk(&carry, text.data() + i, out, n, &line_length), 0);
        }
        ASSERT_EQ(qp_encode_chunk(&carry, "", out, 1, &line_length), 0);
        EXPECT_EQ(std::string(out->text), whole) << size;
        delete_arrays(out);
    }
}

TEST_F(QuotedPrintable, DecodesUpperCaseEscapesAndSoftBreaks) {
    EXPECT_EQ(decoded("caf=E9 =3D=\r\njoined"), "caf\xe9 =joined");
    EXPECT_EQ(decoded("=3D41"), "=41");
    EXPECT_EQ(decoded("=e9 and =G1 and =\n"), "=e9 and =G1 and =\n");
    EXPECT_EQ(decoded("kept  \r\nend="), "kept  \r\nend=");
    EXPECT_EQ(decoded("x=4"), "x=4");
    // Zero bytes, escaped or not, are not part of the text.
    EXPECT_EQ(decoded(std::string("a=00b\0c", 7)), "abc");
    EXPECT_EQ(decoded(""), "");
}

TEST_F(QuotedPrintable, EscapesAcrossReadBoundariesDecode) {
    // Runs of escapes of period 3 and 4 put an escape across every boundary
    // position of any read size.
    std::string three, four;
    for (int i = 0; i < 70000; i++) three += "=41";
    for (int i = 0; i < 70000; i++) four += "x=\r\n";
    EXPECT_EQ(decoded(three), std::string(70000, 'A'));
    EXPECT_EQ(decoded(four), std::string(70000, 'x'));
    std::string at1023 = std::string(1022, 'a') + "=42" + std::string(2000, 'c');
    EXPECT_EQ(decoded(at1023), std::string(1022, 'a') + "B" + std::string(2000, 'c'));
}

TEST_F(QuotedPrintable, TextRoundTrips) {
    std::string text = random_text(300000, 4, 1);
    EXPECT_EQ(decoded(encoded(text)), text);
}

TEST_F(QuotedPrintable, OpenFailuresAreShownByTheEncoderOnly) {
    UiRecorder ui;
    EXPECT_NE(qp_encode_file("missing.txt", "out.txt"), 0);
    write_file(folder_ / "in.txt", "abc");
    EXPECT_NE(qp_encode_file("in.txt", "no such folder\\out.txt"), 0);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, "Could not open quoted-printable input file!");
    EXPECT_EQ(ui.boxes[1].text, "Could not open quoted-printable output file!");
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
    EXPECT_EQ(ui.boxes[1].caption, "Zenth Mail");

    EXPECT_EQ(qp_decode_file("missing.txt", "out.txt"), -1);
    EXPECT_EQ(qp_decode_file("in.txt", "no such folder\\out.txt"), -1);
    EXPECT_EQ(ui.boxes.size(), 2u);
}

}  // namespace
