#include <filesystem>
#include <string>

#include "client/attachment_line.h"
#include "core/app_state.h"
#include "core/log.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

namespace {

struct Caret {
    int caret;
    int result;
    const char* name;
    int index;
};

TEST(AttachmentAtCaret, TheNameUnderTheCaretAndItsNumber) {
    const char line[] = "report.pdf  photo_1.jpg  notes.txt  ";
    const Caret cases[] = {
        {0, 0, "report.pdf", 1},   {4, 0, "report.pdf", 1},  {10, 0, "report.pdf", 1},
        {11, -1, "", 0},           // between the two spaces: no name
        {12, 0, "photo_1.jpg", 2}, {20, 0, "photo_1.jpg", 2}, {30, 0, "notes.txt", 3},
        {36, -1, "", 0},           // past the last name
        {500, -1, "", 0},
    };
    Array* name = array_new(1024);
    for (const Caret& c : cases) {
        int index = 0;
        EXPECT_EQ(attachment_at_caret(line, c.caret, name, &index), c.result) << c.caret;
        if (c.result == 0) {
            EXPECT_STREQ(name->text, c.name) << c.caret;
            EXPECT_EQ(index, c.index) << c.caret;
        }
    }
    int index = 0;
    // A name that no space follows is not one the extraction finished.
    EXPECT_EQ(attachment_at_caret("half", 2, name, &index), -1);
    EXPECT_EQ(attachment_at_caret("", 0, name, &index), -1);
    delete_arrays(name);
}

bool choose_fixed(void* context, const char* suggested, Array* path) {
    auto* seen = static_cast<std::string*>(context);
    *seen = suggested;
    array_copy(path, "saved\\chosen.bin");
    return true;
}

class AttachmentLineTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
    }
    UiRecorder ui;
};

TEST_F(AttachmentLineTest, AnExecutableAttachmentIsNeverOpened) {
    write_file(folder_ / "temp/41exatt2.dat", std::string("MZ\0\x90", 4));
    // The name came with the message: it stays inside temp.
    EXPECT_EQ(open_attachment(41, "..\\setup.exe", 2), -1);
    EXPECT_EQ(read_file(folder_ / "temp/.._setup.exe"), std::string("MZ\0\x90", 4));
    EXPECT_FALSE(fs::exists(folder_ / "setup.exe"));
    EXPECT_EQ(ui.box_texts(),
              std::vector<std::string>{"This is an executable file and as such may contain a virus. If you still want to "
                                       "run the file, you should save it to disk and run a virus checker on it first."});
    EXPECT_NE(read_file(folder_ / "zmlog.txt").find("User attempted to execute an email attachment.\r\n"),
              std::string::npos);
}

TEST_F(AttachmentLineTest, AMissingAttachmentFileIsReported) {
    EXPECT_EQ(open_attachment(41, "report.exe", 1), -1);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not find attachment."});
}

TEST_F(AttachmentLineTest, SavingCopiesTheDecodedFileWhereTheUserChose) {
    write_file(folder_ / "temp/41exatt3.dat", "decoded bytes");
    fs::create_directories(folder_ / "saved");
    std::string suggested;
    SaveChooser chooser{choose_fixed, &suggested};
    EXPECT_EQ(save_attachment(41, "notes.txt", 3, &chooser), 0);
    EXPECT_EQ(suggested, "notes.txt");
    EXPECT_EQ(read_file(folder_ / "saved/chosen.bin"), "decoded bytes");

    EXPECT_EQ(save_attachment(41, "gone.txt", 4, &chooser), -1);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not save attachment."});
}

}  // namespace
