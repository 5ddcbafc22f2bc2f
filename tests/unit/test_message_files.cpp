#include <filesystem>

#include "core/arrays.h"
#include "store/message_files.h"
#include "tests/unit/test_support.h"

namespace {

class MessageFilesTest : public FolderTest {
protected:
    void touch(const std::string& name) { write_file(folder_ / "box" / name, "x"); }
    void SetUp() override {
        FolderTest::SetUp();
        std::filesystem::create_directory(folder_ / "box");
    }
};

TEST_F(MessageFilesTest, EmptyFolderStartsAtOne) {
    EXPECT_EQ(count_message_files("box"), 0);
    EXPECT_EQ(last_message_number("box"), 0);
    EXPECT_EQ(last_message_number("no such folder"), 0);
}

TEST_F(MessageFilesTest, GapsAreNotReusedButTheTopNumberIs) {
    touch("mm1.eml");
    touch("mm3.eml");
    EXPECT_EQ(count_message_files("box"), 2);
    EXPECT_EQ(last_message_number("box"), 3);
    std::filesystem::remove(folder_ / "box" / "mm3.eml");
    EXPECT_EQ(last_message_number("box"), 1);
    touch("mm10.eml");
    touch("mm9.eml");
    EXPECT_EQ(last_message_number("box"), 10);
}

TEST_F(MessageFilesTest, NamesThatCanNeverBeNumbersAreLeftOut) {
    for (const char* name : {"mm0.eml", "mm01.eml", "mmx.eml", "mm.eml", "mm1a.eml", "mm-2.eml",
                             "mm99999999999.eml", "mm2147483647.eml", "mm4.eml.tmp", "xmm5.eml"})
        touch(name);
    touch("mm2.eml");
    EXPECT_EQ(count_message_files("box"), 1);
    EXPECT_EQ(last_message_number("box"), 2);
}

TEST_F(MessageFilesTest, ParsesOnlyWellFormedNames) {
    EXPECT_EQ(message_number_of("mm1.eml"), 1);
    EXPECT_EQ(message_number_of("mm2147483646.eml"), 2147483646);
    EXPECT_EQ(message_number_of("MM12.EML"), 12);
    EXPECT_EQ(message_number_of("mm0.eml"), 0);
    EXPECT_EQ(message_number_of("mm01.eml"), 0);
    EXPECT_EQ(message_number_of("mm.eml"), 0);
    EXPECT_EQ(message_number_of("mm 1.eml"), 0);
}

TEST_F(MessageFilesTest, PathIsFolderBackslashName) {
    Array* path = array_new(1100);
    message_file_path(path, "maildir\\sent items", 42);
    EXPECT_STREQ(path->text, "maildir\\sent items\\mm42.eml");
    std::string long_folder(1200, 'f');
    message_file_path(path, long_folder.c_str(), 7);
    EXPECT_EQ(std::string(path->text), std::string(1000, 'f') + "\\mm7.eml");
    delete_arrays(path);
}

}  // namespace
