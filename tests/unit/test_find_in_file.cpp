#include <cctype>
#include <cstdint>
#include <string>

#include "core/find_in_file.h"
#include "tests/unit/test_support.h"

namespace {

using FindInFileTest = FolderTest;

TEST_F(FindInFileTest, MissingFileIsMinusOne) {
    EXPECT_EQ(find_in_file("nothing here.eml", "x", nullptr, false, true), -1);
}

TEST_F(FindInFileTest, FindsTheFirstPositionIgnoringCase) {
    write_file(folder_ / "m.eml", "From: a\r\nSubject: Hello\r\n\r\nbody hello\r\n");
    int64_t at = 0;
    EXPECT_EQ(find_in_file("m.eml", "\r\n\r\n", &at, false, true), 1);
    EXPECT_EQ(at, 23);
    at = 0;
    EXPECT_EQ(find_in_file("m.eml", "HELLO", &at, false, false), 1);
    EXPECT_EQ(at, 18);
    EXPECT_EQ(find_in_file("m.eml", "HELLO", nullptr, false, true), 0);
    EXPECT_EQ(find_in_file("m.eml", "absent", nullptr, true, false), 0);
}

TEST_F(FindInFileTest, OffsetStartsTheSearchAndStaysAbsolute) {
    write_file(folder_ / "m.eml", "abc--X--abc--X--");
    int64_t at = 6;
    EXPECT_EQ(find_in_file("m.eml", "--X", &at, false, true), 1);
    EXPECT_EQ(at, 11);
    at = 15;
    EXPECT_EQ(find_in_file("m.eml", "--X", &at, false, true), 0);
    EXPECT_EQ(at, 15);
}

TEST_F(FindInFileTest, MatchAcrossTwoReadsIsFound) {
    // The reads are 1023 bytes: put the pattern across each boundary.
    for (int split = 1; split < 8; split++) {
        std::string bytes(1023 - split, 'a');
        bytes += "BOUNDARY";
        bytes += std::string(3000, 'b');
        write_file(folder_ / "m.eml", bytes);
        int64_t at = 0;
        EXPECT_EQ(find_in_file("m.eml", "BOUNDARY", &at, false, true), 1) << split;
        EXPECT_EQ(at, 1023 - split) << split;
    }
}

TEST_F(FindInFileTest, MatchAcrossEveryLaterReadBoundaryIsFound) {
    // The kept window of earlier reads is renewed every few reads: a match
    // across any boundary, of a short or a 49-character pattern, after
    // zero bytes, in any letter case.
    std::string long_pattern(49, 'q');
    long_pattern[0] = 'P';
    long_pattern[48] = 'z';
    for (const std::string& pattern : {std::string("Needle"), long_pattern}) {
        for (int boundary = 1; boundary <= 6; boundary++) {
            for (int before = 1; before < static_cast<int>(pattern.size()); before += pattern.size() > 8 ? 6 : 1) {
                int64_t start = 1023 * boundary - before;
                std::string bytes(static_cast<size_t>(start), 'a');
                bytes[static_cast<size_t>(start) / 2] = '\0';
                std::string upper = pattern;
                for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                bytes += upper + std::string(2000, 'b');
                write_file(folder_ / "m.eml", bytes);
                int64_t at = 0;
                ASSERT_EQ(find_in_file("m.eml", pattern.c_str(), &at, false, false), 1) << boundary << " " << before;
                EXPECT_EQ(at, start) << boundary << " " << before;
            }
        }
    }
}

TEST_F(FindInFileTest, FindsAMatchFarIntoALargeFile) {
    std::string bytes(5 * 1023 * 7 + 11, 'x');
    bytes.replace(5 * 1023 * 5 - 3, 6, "needle");
    write_file(folder_ / "m.eml", bytes);
    int64_t at = 0;
    EXPECT_EQ(find_in_file("m.eml", "needle", &at, false, true), 1);
    EXPECT_EQ(at, 5 * 1023 * 5 - 3);
}

TEST_F(FindInFileTest, ZeroBytesDoNotEndTheScanAndCompareAs0x14) {
    std::string bytes("ab\0cd\0\0target", 14);
    write_file(folder_ / "m.eml", bytes);
    int64_t at = 0;
    EXPECT_EQ(find_in_file("m.eml", "target", &at, false, true), 1);
    EXPECT_EQ(at, 7);
    EXPECT_EQ(find_in_file("m.eml", "b\x14" "cd", nullptr, false, true), 1);
}

TEST_F(FindInFileTest, OnlyTheFirst49CharactersOfThePatternCount) {
    std::string pattern(49, 'p');
    write_file(folder_ / "m.eml", "--" + pattern + "--");
    EXPECT_EQ(find_in_file("m.eml", (pattern + "DIFFERENT TAIL").c_str(), nullptr, false, true), 1);
}

TEST_F(FindInFileTest, AllCountsMatchesInDifferentReadsOnly) {
    write_file(folder_ / "m.eml", "x--y--x--y");
    EXPECT_EQ(find_in_file("m.eml", "--", nullptr, true, true), 1);
    std::string spread;
    for (int i = 0; i < 4; i++) spread += std::string(1020, '.') + "MARK" + std::string(1020, '.');
    write_file(folder_ / "m.eml", spread);
    EXPECT_EQ(find_in_file("m.eml", "mark", nullptr, true, false), 4);
    EXPECT_EQ(find_in_file("m.eml", "mark", nullptr, false, false), 1);
}

TEST_F(FindInFileTest, ExactMultipleOfTheReadSizeAndEmptyFile) {
    write_file(folder_ / "m.eml", std::string(2 * 1023 - 3, 'z') + "end");
    int64_t at = 0;
    EXPECT_EQ(find_in_file("m.eml", "end", &at, false, true), 1);
    EXPECT_EQ(at, 2 * 1023 - 3);
    write_file(folder_ / "e.eml", "");
    EXPECT_EQ(find_in_file("e.eml", "x", nullptr, false, true), 0);
}

}  // namespace
