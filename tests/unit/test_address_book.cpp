// ab.dat: pairs read and written, and senders added without losing step.
#include <string>
#include <vector>

#include "store/address_book.h"
#include "tests/unit/test_support.h"

namespace {

class AddressBook : public FolderTest {
protected:
    std::vector<AddressEntry> read(const std::string& bytes) {
        write_file("ab.dat", bytes);
        std::vector<AddressEntry> entries;
        EXPECT_TRUE(read_address_book("ab.dat", &entries));
        return entries;
    }
};

bool same(const std::vector<AddressEntry>& a, const std::vector<std::pair<std::string, std::string>>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (a[i].name != b[i].first || a[i].address != b[i].second) return false;
    return true;
}

TEST_F(AddressBook, ReadsPairs) {
    EXPECT_TRUE(read("").empty());
    EXPECT_TRUE(same(read("Ann\r\nann@example.test\r\nBob\r\n\"Bob B\" <bob@example.test>\r\n"),
                     {{"Ann", "ann@example.test"}, {"Bob", "\"Bob B\" <bob@example.test>"}}));
    // An odd number of lines: the last name with an empty address; LF alone ends a line too.
    EXPECT_TRUE(same(read("Ann\nann@example.test\nCarl"), {{"Ann", "ann@example.test"}, {"Carl", ""}}));
    // A line longer than the room is cut, not taken for the next line.
    std::vector<AddressEntry> long_one = read(std::string(6000, 'n') + "\r\nx@example.test\r\n");
    ASSERT_EQ(long_one.size(), 1u);
    EXPECT_EQ(long_one[0].name.size(), 4998u);
    EXPECT_EQ(long_one[0].address, "x@example.test");
    std::vector<AddressEntry> none;
    EXPECT_FALSE(read_address_book("missing.dat", &none));
}

TEST_F(AddressBook, WritesPairsWholeOrNotAtAll) {
    std::filesystem::create_directory(folder_ / "temp");
    std::vector<AddressEntry> entries{{"Ann", "ann@example.test"}, {"Two\r\nlines", "a@b\nc"}};
    EXPECT_EQ(write_address_book("ab.dat", "temp/ab1.dat", entries), BOOK_OK);
    EXPECT_EQ(read_file("ab.dat"), "Ann\r\nann@example.test\r\nTwo  lines\r\na@b c\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "temp" / "ab1.dat"));
    // Read back and written again: byte for byte.
    std::vector<AddressEntry> again;
    ASSERT_TRUE(read_address_book("ab.dat", &again));
    EXPECT_EQ(write_address_book("ab.dat", "temp/ab2.dat", again), BOOK_OK);
    EXPECT_EQ(read_file("ab.dat"), "Ann\r\nann@example.test\r\nTwo  lines\r\na@b c\r\n");
    // Too long a text: nothing written.
    EXPECT_EQ(write_address_book("ab.dat", "temp/ab3.dat", {{std::string(4998, 'x'), "y"}}), BOOK_TOO_LONG);
    EXPECT_EQ(read_file("ab.dat"), "Ann\r\nann@example.test\r\nTwo  lines\r\na@b c\r\n");
    // A scratch file that cannot be made keeps the old book.
    EXPECT_EQ(write_address_book("ab.dat", "no-such-folder/ab.dat", {{"X", "x"}}), BOOK_CANNOT_WRITE);
    EXPECT_EQ(read_file("ab.dat"), "Ann\r\nann@example.test\r\nTwo  lines\r\na@b c\r\n");
}

TEST_F(AddressBook, AddsASenderOnceAndKeepsPairsInStep) {
    write_file("ab.dat", "Ann Lee\r\n\"Ann Lee\" <ann.lee@example.test>\r\n");
    // A name and an address that only begin another's are not that entry.
    EXPECT_EQ(add_address("ab.dat", "Ann", "\"Ann\" <ann@example.test>"), ADD_ADDED);
    EXPECT_EQ(add_address("ab.dat", "Ann", "\"Ann\" <ann@example.test>"), ADD_PRESENT);
    EXPECT_EQ(read_file("ab.dat"),
              "Ann Lee\r\n\"Ann Lee\" <ann.lee@example.test>\r\nAnn\r\n\"Ann\" <ann@example.test>\r\n");
    // An odd book without its last line end is completed first.
    write_file("ab.dat", "Ann\r\nann@example.test\r\nCarl");
    EXPECT_EQ(add_address("ab.dat", "Dora", "dora@example.test"), ADD_ADDED);
    std::vector<AddressEntry> entries;
    ASSERT_TRUE(read_address_book("ab.dat", &entries));
    EXPECT_TRUE(same(entries, {{"Ann", "ann@example.test"}, {"Carl", ""}, {"Dora", "dora@example.test"}}));
    // Bare LF inside a sender's text never splits a pair.
    EXPECT_EQ(add_address("ab.dat", "Eve\nX", "eve@example.test\n"), ADD_ADDED);
    EXPECT_EQ(add_address("ab.dat", "Eve\nX", "eve@example.test\n"), ADD_PRESENT);
    ASSERT_TRUE(read_address_book("ab.dat", &entries));
    EXPECT_EQ(entries.back().name, "Eve X");
    EXPECT_EQ(entries.back().address, "eve@example.test ");
    EXPECT_EQ(add_address("missing/ab.dat", "A", "a"), ADD_CANNOT_OPEN);
}

}  // namespace
