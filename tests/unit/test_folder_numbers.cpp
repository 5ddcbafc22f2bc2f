// A job's message numbers: looked up once, counted up, stepping over names
// that another writer of the folder took meanwhile, never replacing a file.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/arrays.h"
#include "store/folder_numbers.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

namespace {

class FolderNumbersTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        fs::create_directory(folder_ / "box");
        path = array_new(1100);
    }
    void TearDown() override {
        delete_arrays(path);
        FolderTest::TearDown();
    }
    // A finished file waiting to go into the folder.
    std::string ready(const std::string& text) {
        std::string name = "ready" + std::to_string(++made);
        write_file(folder_ / name, text);
        return name;
    }
    std::vector<std::string> box() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder_ / "box")) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string in_box(const std::string& name) { return read_file(folder_ / "box" / name); }
    Array* path = nullptr;
    int made = 0;
};

TEST_F(FolderNumbersTest, GapsAndNamesThatAreNoNumbersKeepTodaysRule) {
    for (const char* name : {"mm1.eml", "mm3.eml", "mm0.eml", "mm01.eml", "mmx.eml", "notes.txt"})
        write_file(folder_ / "box" / name, name);
    FolderNumbers numbers{"box"};
    ASSERT_EQ(folder_put(&numbers, ready("first").c_str(), FOLDER_MOVE, path), 0);
    EXPECT_STREQ(path->text, "box\\mm4.eml");
    ASSERT_EQ(folder_put(&numbers, ready("second").c_str(), FOLDER_MOVE_DURABLE, path), 0);
    EXPECT_STREQ(path->text, "box\\mm5.eml");
    EXPECT_EQ(box(), (std::vector<std::string>{"mm0.eml", "mm01.eml", "mm1.eml", "mm3.eml", "mm4.eml", "mm5.eml",
                                               "mmx.eml", "notes.txt"}));
    EXPECT_EQ(in_box("mm4.eml"), "first");
    EXPECT_EQ(in_box("mm5.eml"), "second");
    EXPECT_EQ(in_box("mm0.eml"), "mm0.eml");
    EXPECT_EQ(in_box("mmx.eml"), "mmx.eml");
}

TEST_F(FolderNumbersTest, ANameTakenWhileTheJobRunsIsSteppedOverAndKept) {
    FolderNumbers numbers{"box"};
    ASSERT_EQ(folder_put(&numbers, ready("one").c_str(), FOLDER_MOVE, path), 0);
    // Another client writes the next two names of the same folder.
    write_file(folder_ / "box/mm2.eml", "theirs 2");
    write_file(folder_ / "box/mm3.eml", "theirs 3");
    ASSERT_EQ(folder_put(&numbers, ready("two").c_str(), FOLDER_COPY, path), 0);
    EXPECT_STREQ(path->text, "box\\mm4.eml");
    EXPECT_EQ(in_box("mm2.eml"), "theirs 2");
    EXPECT_EQ(in_box("mm3.eml"), "theirs 3");
    EXPECT_EQ(in_box("mm4.eml"), "two");
    EXPECT_TRUE(fs::exists(folder_ / "ready2"));  // a copy leaves its source
    EXPECT_FALSE(fs::exists(folder_ / "ready1"));
}

TEST_F(FolderNumbersTest, TwoJobsOnOneFolderNeverShareANumber) {
    FolderNumbers a{"box"}, b{"box"};
    for (int round = 0; round < 3; round++) {
        ASSERT_EQ(folder_put(&a, ready("a" + std::to_string(round)).c_str(), FOLDER_MOVE, path), 0);
        ASSERT_EQ(folder_put(&b, ready("b" + std::to_string(round)).c_str(), FOLDER_MOVE, path), 0);
    }
    EXPECT_EQ(box(), (std::vector<std::string>{"mm1.eml", "mm2.eml", "mm3.eml", "mm4.eml", "mm5.eml", "mm6.eml"}));
    std::vector<std::string> texts;
    for (int n = 1; n <= 6; n++) texts.push_back(in_box("mm" + std::to_string(n) + ".eml"));
    EXPECT_EQ(texts, (std::vector<std::string>{"a0", "b0", "a1", "b1", "a2", "b2"}));
}

TEST_F(FolderNumbersTest, AFailureOfTheFileItselfKeepsTheNumberFree) {
    write_file(folder_ / "box/mm7.eml", "old");
    FolderNumbers numbers{"box"};
    EXPECT_EQ(folder_put(&numbers, "no such file", FOLDER_MOVE, path), -1);
    EXPECT_EQ(folder_put(&numbers, "no such file", FOLDER_COPY, path), -1);
    ASSERT_EQ(folder_put(&numbers, ready("next").c_str(), FOLDER_MOVE, path), 0);
    EXPECT_STREQ(path->text, "box\\mm8.eml");
}

TEST_F(FolderNumbersTest, SteppingOverEndsAfterItsBound) {
    FolderNumbers numbers{"box"};
    ASSERT_EQ(folder_put(&numbers, ready("one").c_str(), FOLDER_MOVE, path), 0);
    for (int n = 2; n < 2 + folder_attempts; n++) write_file(folder_ / "box" / ("mm" + std::to_string(n) + ".eml"), "x");
    std::string waiting = ready("two");
    EXPECT_EQ(folder_put(&numbers, waiting.c_str(), FOLDER_MOVE, path), -1);
    EXPECT_TRUE(fs::exists(folder_ / waiting));
    EXPECT_EQ(box().size(), static_cast<size_t>(1 + folder_attempts));
}

}  // namespace
