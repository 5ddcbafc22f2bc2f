// The held file the list reads each message through: one open, the first
// window read at once, later bytes through a second window. What a reader
// gets from it must be the file's bytes, and what a search finds in it what
// the search finds in the file itself.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/file_reads.h"
#include "core/find_in_file.h"
#include "tests/unit/test_support.h"

namespace {

using HeldFileTest = FolderTest;

std::string random_bytes(size_t n, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// `n` bytes at the offset as read through a FileRead of the path.
std::string read_at(const char* path, int64_t offset, size_t n) {
    FileRead f;
    if (!file_read_open(&f, path)) return "(unopened)";
    std::string out(n, '\0');
    size_t got = file_read_seek(&f, offset) ? file_read_bytes(&f, out.data(), n) : 0;
    file_read_close(&f);
    out.resize(got);
    return out;
}

TEST_F(HeldFileTest, ReadsAnywhereInALargeFileGiveItsBytes) {
    const size_t window = held_window_bytes;
    const std::string bytes = random_bytes(3 * window + 1234, 7);
    write_file(folder_ / "m.eml", bytes);
    ASSERT_TRUE(hold_file("m.eml"));
    // Forwards, backwards, across each window's edge, into the end.
    const int64_t offsets[] = {0, 10, static_cast<int64_t>(window) - 5, static_cast<int64_t>(2 * window) + 17,
                               100, static_cast<int64_t>(window) + 3, static_cast<int64_t>(3 * window) - 1,
                               static_cast<int64_t>(bytes.size()) - 10};
    for (int64_t offset : offsets) {
        size_t n = 5000;
        std::string expected = bytes.substr(static_cast<size_t>(offset), n);
        EXPECT_EQ(read_at("m.eml", offset, n), expected) << offset;
    }
    // One read longer than a window, from inside the first into the third.
    EXPECT_EQ(read_at("m.eml", 100, 2 * window), bytes.substr(100, 2 * window));
    EXPECT_EQ(read_at("m.eml", static_cast<int64_t>(bytes.size()) + 5, 10), "");
    release_held_file();
}

TEST_F(HeldFileTest, OnlyThePathHeldIsReadThroughItAndReleasingReadsTheFileAnew) {
    write_file(folder_ / "a.eml", "first text");
    write_file(folder_ / "b.eml", "other file");
    ASSERT_TRUE(hold_file("a.eml"));
    write_file(folder_ / "a.eml", "later text");
    write_file(folder_ / "b.eml", "other, now");
    EXPECT_EQ(read_at("a.eml", 0, 100), "first text");  // as it was when held
    EXPECT_EQ(read_at("b.eml", 0, 100), "other, now");
    release_held_file();
    EXPECT_EQ(read_at("a.eml", 0, 100), "later text");
    EXPECT_FALSE(hold_file("missing.eml"));
    EXPECT_EQ(read_at("missing.eml", 0, 10), "(unopened)");
}

struct Search {
    std::string pattern;
    int64_t from;
    bool exact;
    int64_t limit;  // for find_in_file_within; -1 for find_in_file
};

// Each search's result and position, run over the file as it is read.
std::vector<std::string> run(const std::vector<Search>& searches) {
    std::vector<std::string> results;
    for (const Search& s : searches) {
        int64_t at = s.from;
        int found = s.limit < 0 ? find_in_file("m.eml", s.pattern.c_str(), &at, false, s.exact)
                                : find_in_file_within("m.eml", s.pattern.c_str(), &at, s.limit, s.exact);
        results.push_back(std::to_string(found) + "@" + std::to_string(at));
    }
    return results;
}

TEST_F(HeldFileTest, SearchesFindInAHeldFileWhatTheyFindInTheFile) {
    const std::string long_name(60, 'L');
    std::string small = "X-ZMRead: FALSE\r\nFrom: a\r\nCONTENT-type: Multipart/Mixed\r\n\r\nzero";
    small += std::string(1, '\0');
    small += "byte\x14 then \r\n--b\r\n" + long_name + "x\r\n--b--\r\n";
    std::string large = small + random_bytes(2 * held_window_bytes, 3) + "\r\n--far\r\ncontent-TYPE: x\r\n";
    const std::vector<Search> searches = {
        {"\r\ncontent-type", 0, false, -1},  {"\r\nContent-Type", 0, true, -1},
        {"\r\n\r\n", 0, true, -1},           {"\x14", 0, true, -1},
        {"\x14", 64, true, -1},              {"BYTE\x14", 0, false, -1},
        {"\r\n--b", 40, true, -1},           {"\r\n--b", 200, true, -1},
        {long_name + "y", 0, true, -1},      {"\r\n--far", 0, true, -1},
        {"\r\ncontent-type: x", 100, false, -1}, {"absent", 0, false, -1},
        {"\r\nFROM", 0, false, 15},          {"\r\nFROM", 0, false, 14},
        {"\r\n--b", 0, true, 90},            {"\r\n--far", 50, true, 1 << 30},
    };
    for (const std::string& bytes : {small, large}) {
        write_file(folder_ / "m.eml", bytes);
        std::vector<std::string> from_file = run(searches);
        ASSERT_TRUE(hold_file("m.eml"));
        EXPECT_EQ(run(searches), from_file) << bytes.size();
        release_held_file();
    }
    // The positions themselves, in the small message.
    write_file(folder_ / "m.eml", small);
    ASSERT_TRUE(hold_file("m.eml"));
    std::vector<std::string> held = run(searches);
    release_held_file();
    EXPECT_EQ(held[0], "1@24");   // case ignored
    EXPECT_EQ(held[1], "0@0");    // exact: the field is written "CONTENT-type"
    EXPECT_EQ(held[3], "1@63");   // the zero byte stands as 0x14
    EXPECT_EQ(held[4], "1@68");   // and so does 0x14 itself
    EXPECT_EQ(held[8], "1@" + std::to_string(small.find(long_name)));  // only 49 characters compared
    EXPECT_EQ(held[12], "1@15");  // a match that begins at the limit counts
    EXPECT_EQ(held[13], "0@0");   // one beyond it does not
}

}  // namespace
