#include <filesystem>
#include <string>

#include "client/startup.h"
#include "core/app_state.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

namespace {

class StartupTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        if (!app.program_folder) create_app_state();
        app.open_temp_folder = 0;
        app.mailto_mode = 0;
        app.start_in_tray = 0;
        array_clear(app.mailto_address);
    }
    UiRecorder ui;
    QuitRecorder quit;
};

TEST_F(StartupTest, CreatesTheStoreFoldersInOrder) {
    create_store_folders();
    for (const char* f : {"maildir", "maildir/inbox", "maildir/outbox", "maildir/sent items", "maildir/drafts",
                          "maildir/deleted items", "temp", "colors", "user"})
        EXPECT_TRUE(fs::is_directory(folder_ / f)) << f;
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(quit.count(), 0);
}

TEST_F(StartupTest, ExistingFoldersAndFilesAreKept) {
    fs::create_directory(folder_ / "maildir");
    write_file(folder_ / "maildir" / "note", "kept");
    write_file(folder_ / "ab.dat", "entries");
    create_store_folders();
    EXPECT_EQ(ensure_file("ab.dat"), 0);
    EXPECT_EQ(ensure_file("zenth.cfg"), 0);
    EXPECT_EQ(read_file(folder_ / "maildir" / "note"), "kept");
    EXPECT_EQ(read_file(folder_ / "ab.dat"), "entries");
    EXPECT_TRUE(fs::exists(folder_ / "zenth.cfg"));
    EXPECT_EQ(fs::file_size(folder_ / "zenth.cfg"), 0u);
}

TEST_F(StartupTest, AFolderThatCannotBeMadeAsksToQuit) {
    write_file(folder_ / "maildir", "a file where the folder should be");
    EXPECT_EQ(ensure_directory("maildir\\inbox"), -1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Could not create directory maildir\\inbox!");
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(StartupTest, MessagesCutLongPathsAtSeventyCharacters) {
    std::string path = "missing\\" + std::string(100, 'p');
    EXPECT_EQ(ensure_file(path.c_str()), -1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Could not create file " + path.substr(0, 70) + "!");
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(StartupTest, EmptyArgumentDoesNothing) {
    interpret_command_line("");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(app.start_in_tray.load(), 0);
    EXPECT_EQ(app.mailto_mode.load(), 0);
}

TEST_F(StartupTest, TraySwitchOnlyWhenExact) {
    interpret_command_line("--systemtray");
    EXPECT_EQ(app.start_in_tray.load(), 1);
    EXPECT_TRUE(ui.boxes.empty());

    app.start_in_tray = 0;
    interpret_command_line("--systemtray ");
    interpret_command_line("--SYSTEMTRAY");
    EXPECT_EQ(app.start_in_tray.load(), 0);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"Could not open command line file.",
                                                        "Could not open command line file."}));
}

TEST_F(StartupTest, MailtoKeepsTheAddressUpToItsCapacity) {
    interpret_command_line("mailto:someone@example.com");
    EXPECT_EQ(app.mailto_mode.load(), 1);
    EXPECT_STREQ(app.mailto_address->text, "someone@example.com");

    std::string many(13000, 'a');
    interpret_command_line(("mailto:" + many).c_str());
    EXPECT_EQ(std::string(app.mailto_address->text), many.substr(0, 12630));

    interpret_command_line("mailto:");
    EXPECT_STREQ(app.mailto_address->text, "");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(StartupTest, MailtoInCapitalsIsAPath) {
    interpret_command_line("MAILTO:someone@example.com");
    EXPECT_EQ(app.mailto_mode.load(), 0);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"Could not open command line file."}));
}

TEST_F(StartupTest, MessageFileIsCopiedIntoTempUnderTheNextNumber) {
    fs::create_directory(folder_ / "temp");
    fs::create_directory(folder_ / "my mail");
    write_file(folder_ / "my mail" / "saved message.eml", "Subject: hi\r\n\r\nbody\r\n");
    interpret_command_line("my mail\\saved message.eml");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(app.open_temp_folder.load(), 1);
    EXPECT_EQ(read_file(folder_ / "temp" / "mm1.eml"), "Subject: hi\r\n\r\nbody\r\n");
}

TEST_F(StartupTest, LeftoverTempMessageIsNotOverwritten) {
    fs::create_directory(folder_ / "temp");
    write_file(folder_ / "temp" / "mm1.eml", "left over");
    write_file(folder_ / "new.eml", "new one");
    interpret_command_line("new.eml");
    EXPECT_EQ(read_file(folder_ / "temp" / "mm1.eml"), "left over");
    EXPECT_EQ(read_file(folder_ / "temp" / "mm2.eml"), "new one");
    EXPECT_EQ(app.open_temp_folder.load(), 1);
}

TEST_F(StartupTest, CopyFailureIsToldAndStartGoesOn) {
    write_file(folder_ / "new.eml", "new one");  // no "temp" folder to copy into
    interpret_command_line("new.eml");
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"Could not copy command line file."}));
    EXPECT_EQ(app.open_temp_folder.load(), 0);
    EXPECT_EQ(quit.count(), 0);
}

TEST_F(StartupTest, QuotedPathIsNotFound) {
    fs::create_directory(folder_ / "temp");
    write_file(folder_ / "a b.eml", "x");
    interpret_command_line("\"a b.eml\"");
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"Could not open command line file."}));
    EXPECT_FALSE(fs::exists(folder_ / "temp" / "mm1.eml"));
}

TEST_F(StartupTest, StorePathsHangOffTheProgramFolder) {
    array_copy(app.program_folder, "C:\\Programs\\Zenth Mail");
    set_store_paths();
    EXPECT_STREQ(app.store_root->text, "C:\\Programs\\Zenth Mail\\maildir");
    EXPECT_STREQ(app.save_mail_folder->text, "C:\\Programs\\Zenth Mail\\user");
    EXPECT_STREQ(app.save_attachment_folder->text, "C:\\Programs\\Zenth Mail\\user");
}

TEST_F(StartupTest, StateHoldsThePartPreferences) {
    EXPECT_STREQ(app.plain_first->items[0]->text, "text/plain");
    EXPECT_STREQ(app.plain_first->items[1]->text, "text/html");
    EXPECT_STREQ(app.html_first->items[0]->text, "text/html");
    EXPECT_STREQ(app.dispositions->items[1]->text, "inline");
    EXPECT_EQ(app.accounts->count, 81);
    EXPECT_EQ(app.compose_windows->capacity, 400);
    EXPECT_EQ(app.wide_api_available.load(), 1);
}

}  // namespace
