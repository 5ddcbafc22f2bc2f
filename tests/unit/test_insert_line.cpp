#include <filesystem>
#include <string>

#include "store/insert_line.h"
#include "tests/unit/test_support.h"

namespace {

using InsertLineTest = FolderTest;

TEST_F(InsertLineTest, TextBecomesTheFirstLineAndTheRestStaysByteForByte) {
    std::filesystem::create_directory(folder_ / "temp");
    std::string body("Subject: x\r\n\r\nbinary \0\xff bytes\r\nno line end at the end", 51);
    write_file(folder_ / "m.eml", body);
    EXPECT_EQ(insert_line(7, "m.eml", nullptr, "X-ZMMark: TRUE\r\n", 0), 0);
    EXPECT_EQ(read_file(folder_ / "m.eml"), "X-ZMMark: TRUE\r\n" + body);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "temp" / "markfile7.tmp"));
    EXPECT_EQ(insert_line(7, "m.eml", "copy.eml", "Second: line\r\n", 1), 0);
    EXPECT_EQ(read_file(folder_ / "copy.eml"), "X-ZMMark: TRUE\r\nSecond: line\r\n" + body);
}

TEST_F(InsertLineTest, FailureLeavesTheFileAsItWas) {
    write_file(folder_ / "m.eml", "Subject: x\r\n\r\n");
    EXPECT_EQ(insert_line(7, "m.eml", nullptr, "X-ZMMark: TRUE\r\n", 0), -1);  // no "temp" folder
    EXPECT_EQ(read_file(folder_ / "m.eml"), "Subject: x\r\n\r\n");
    EXPECT_EQ(insert_line(7, "missing.eml", "out.eml", "x", 0), -1);
}

}  // namespace
