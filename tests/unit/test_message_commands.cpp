#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/log.h"
#include "core/settings.h"
#include "store/busy_folders.h"
#include "store/list_mirror.h"
#include "store/message_copy.h"
#include "store/message_delete.h"
#include "store/message_save.h"
#include "store/read_state.h"
#include "store/selection.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

namespace {

// Stands for the main window, whose status line the recorder keeps.
const WindowRef status_window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(1));

// A list whose rows hold the given message numbers, some of them selected.
struct FakeList {
    std::vector<int> numbers;
    std::vector<bool> selected;
    std::vector<int> removed;  // rows in the order remove_row was asked for
};

int fake_next(void* c, int row) {
    auto* list = static_cast<FakeList*>(c);
    for (int r = row + 1; r < static_cast<int>(list->numbers.size()); r++)
        if (list->selected[static_cast<size_t>(r)]) return r;
    return -1;
}
int fake_number(void* c, int row) { return static_cast<FakeList*>(c)->numbers[static_cast<size_t>(row)]; }
bool fake_remove(void* c, int row) {
    static_cast<FakeList*>(c)->removed.push_back(row);
    return true;
}

std::string message(int n) {
    return "From: sender" + std::to_string(n) + "@example.test\r\nTo: me@example.test\r\nSubject: number " +
           std::to_string(n) + "\r\n\r\nbody " + std::to_string(n) + "\r\n";
}

class MessageCommandsTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        for (const char* f : {"temp", "maildir/inbox", "maildir/deleted items", "maildir/lists"})
            fs::create_directories(folder_ / f);
        busy_folders_init();
        saved_flags = settings_flags.load();
        settings_flags = 0;
    }
    void TearDown() override {
        settings_flags = saved_flags.load();
        StoreTest::TearDown();
    }
    fs::path file(const std::string& folder, int n) { return folder_ / "maildir" / folder / ("mm" + std::to_string(n) + ".eml"); }
    void put(const std::string& folder, int n) { write_file(file(folder, n), message(n)); }
    // Lists the inbox once so that its mirror holds a line per message.
    std::string inbox_mirror_after_listing(std::initializer_list<int> numbers) {
        ListMirror mirror;
        mirror_open(&mirror, "maildir\\inbox");
        Array* path = array_new(1100);
        for (int n : numbers) {
            array_printf(path, "maildir\\inbox\\mm%i.eml", n);
            mirror_append(&mirror, path->text);
        }
        delete_arrays(path);
        return mirror_text();
    }
    std::string mirror_text() { return read_file(folder_ / "maildir/inbox/mirror.dat"); }
    std::vector<std::string> mirror_names() {
        std::vector<std::string> names;
        std::string text = mirror_text();
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find("\r\n", at);
            names.push_back(text.substr(at, text.find('\t', at) - at));
            at = end + 2;
        }
        return names;
    }
    std::vector<SelectionEntry> selection(FakeList& list, int max) {
        std::vector<SelectionEntry> entries;
        collect_selection(SelectionSource{&list, fake_next, fake_number}, &entries, max, status_window);
        return entries;
    }
    UiRecorder ui;
    std::atomic<int> saved_flags{0};
};

TEST_F(MessageCommandsTest, SelectionTakesRowsFromTheTopUpToTheLimit) {
    FakeList none{{1, 2, 3}, {false, false, false}, {}};
    std::vector<SelectionEntry> entries{{9, 9}};
    EXPECT_EQ(collect_selection(SelectionSource{&none, fake_next, fake_number}, &entries, 50, status_window), -1);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(ui.status_text(), "Please select an e-mail!");

    // Exactly as many as the limit: all of them, and no notice.
    FakeList some{{4, 7, 9, 12}, {false, true, true, true}, {}};
    ui.status_calls.clear();
    entries = selection(some, 3);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].number, 7);
    EXPECT_EQ(entries[0].row, 1);
    EXPECT_EQ(entries[2].number, 12);
    EXPECT_EQ(entries[2].row, 3);
    EXPECT_EQ(ui.status_text(), "");

    // One more than the limit: the first rows, and the user is told.
    entries = selection(some, 2);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].number, 9);
    EXPECT_EQ(ui.status_text(), "Zenth Mail will not process all of the e-mails that you have selected.");
}

TEST_F(MessageCommandsTest, SelectingMoreThan200ProcessesExactly200) {
    FakeList many;
    for (int i = 1; i <= 230; i++) many.numbers.push_back(i), many.selected.push_back(true);
    std::vector<SelectionEntry> entries = selection(many, SELECT_DELETE);
    ASSERT_EQ(entries.size(), 200u);
    EXPECT_EQ(entries.back().number, 200);
}

TEST_F(MessageCommandsTest, DeleteMovesToDeletedItemsWithItsNextNumbersAndDropsMirrorLines) {
    for (int n : {1, 2, 3}) put("inbox", n);
    put("deleted items", 4);
    inbox_mirror_after_listing({1, 2, 3});
    FakeList list{{1, 2, 3}, {true, false, true}, {}};
    std::vector<SelectionEntry> entries = selection(list, SELECT_DELETE);
    EXPECT_EQ(delete_message_files("maildir\\inbox", entries, DeleteSink{&list, fake_remove}), 2);
    EXPECT_FALSE(fs::exists(file("inbox", 1)));
    EXPECT_FALSE(fs::exists(file("inbox", 3)));
    EXPECT_EQ(read_file(file("deleted items", 5)), message(1));
    EXPECT_EQ(read_file(file("deleted items", 6)), message(3));
    EXPECT_EQ(read_file(file("inbox", 2)), message(2));
    // Rows 0 and 2; the second has moved up by one when its turn comes.
    EXPECT_EQ(list.removed, (std::vector<int>{0, 1}));
    EXPECT_EQ(mirror_names(), std::vector<std::string>{"mm2.eml"});
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(MessageCommandsTest, DeleteRemovesAtOnceInDeletedItemsOrWhenTheSettingsSaySo) {
    put("deleted items", 1);
    FakeList list{{1}, {true}, {}};
    EXPECT_EQ(delete_message_files("maildir\\deleted items", selection(list, 200), DeleteSink{&list, fake_remove}), 1);
    EXPECT_TRUE(fs::is_empty(folder_ / "maildir/deleted items"));

    settings_flags = SETTING_DELETE_AT_ONCE;
    put("inbox", 1);
    EXPECT_EQ(delete_message_files("maildir\\inbox", selection(list, 200), DeleteSink{&list, fake_remove}), 1);
    EXPECT_FALSE(fs::exists(file("inbox", 1)));
    EXPECT_TRUE(fs::is_empty(folder_ / "maildir/deleted items"));
}

TEST_F(MessageCommandsTest, AFailingFileEndsTheDeleteAndKeepsTheRest) {
    settings_flags = SETTING_DELETE_AT_ONCE;
    put("inbox", 1);
    put("inbox", 3);
    FakeList list{{1, 2, 3}, {true, true, true}, {}};
    EXPECT_EQ(delete_message_files("maildir\\inbox", selection(list, 200), DeleteSink{&list, fake_remove}), 1);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Cannot remove file:maildir\\inbox\\mm2.eml 2"});
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
    EXPECT_TRUE(fs::exists(file("inbox", 3)));
    EXPECT_EQ(list.removed, std::vector<int>{0});

    // Without the deleted items folder the move fails the same way.
    settings_flags = 0;
    fs::remove_all(folder_ / "maildir/deleted items");
    ui.boxes.clear();
    FakeList last{{3}, {true}, {}};
    EXPECT_EQ(delete_message_files("maildir\\inbox", selection(last, 200), DeleteSink{&last, fake_remove}), 0);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not move file to delted items folder."});
    EXPECT_EQ(read_file(file("inbox", 3)), message(3));
}

TEST_F(MessageCommandsTest, DeleteAllAsksAndClearsOnlyTheMessagesAndTheMirror) {
    for (int n : {1, 2}) put("inbox", n);
    inbox_mirror_after_listing({1, 2});
    write_file(folder_ / "maildir/inbox/notes.txt", "keep");
    ui.answers = {UI_ANSWER_NO};
    EXPECT_EQ(delete_all_messages("maildir\\inbox"), -1);
    EXPECT_TRUE(fs::exists(file("inbox", 2)));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "This will delete all of the messages in the current folder. Are you sure?");
    EXPECT_EQ(ui.boxes[0].style, static_cast<unsigned>(UI_YESNO | UI_ICON_QUESTION));

    ui.answers = {UI_ANSWER_YES};
    EXPECT_EQ(delete_all_messages("maildir\\inbox"), 0);
    EXPECT_FALSE(fs::exists(file("inbox", 1)));
    EXPECT_FALSE(fs::exists(file("inbox", 2)));
    EXPECT_FALSE(fs::exists(folder_ / "maildir/inbox/mirror.dat"));
    EXPECT_EQ(read_file(folder_ / "maildir/inbox/notes.txt"), "keep");
}

TEST_F(MessageCommandsTest, CopyAndMoveTakeTheTargetsNextNumbers) {
    for (int n : {1, 2, 3}) put("inbox", n);
    put("lists", 7);
    inbox_mirror_after_listing({1, 2, 3});
    FakeList list{{1, 2, 3}, {true, true, false}, {}};
    std::vector<SelectionEntry> entries = selection(list, SELECT_COPY_MOVE);
    EXPECT_EQ(copy_move_files("maildir\\inbox", "maildir\\lists", entries, COPY_MESSAGES, nullptr), 2);
    EXPECT_EQ(read_file(file("lists", 8)), message(1));
    EXPECT_EQ(read_file(file("lists", 9)), message(2));
    EXPECT_TRUE(fs::exists(file("inbox", 1)));
    EXPECT_EQ(mirror_names(), (std::vector<std::string>{"mm1.eml", "mm2.eml", "mm3.eml"}));

    EXPECT_EQ(copy_move_files("maildir\\inbox", "maildir\\lists", entries, MOVE_MESSAGES, nullptr), 2);
    EXPECT_EQ(read_file(file("lists", 10)), message(1));
    EXPECT_EQ(read_file(file("lists", 11)), message(2));
    EXPECT_FALSE(fs::exists(file("inbox", 1)));
    EXPECT_FALSE(fs::exists(file("inbox", 2)));
    EXPECT_EQ(mirror_names(), std::vector<std::string>{"mm3.eml"});
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(MessageCommandsTest, AFolderThatIsReceivingMailTakesNoCopies) {
    put("inbox", 1);
    busy_folders_add("maildir\\lists");
    FakeList list{{1}, {true}, {}};
    EXPECT_EQ(copy_move_files("maildir\\inbox", "maildir\\lists", selection(list, 200), MOVE_MESSAGES, status_window), -1);
    EXPECT_EQ(ui.status_text(), "Target directory is receiving mail.");
    EXPECT_TRUE(fs::exists(file("inbox", 1)));
    EXPECT_TRUE(fs::is_empty(folder_ / "maildir/lists"));
}

bool choose_fixed(void* context, const char*, Array* path) {
    array_copy(path, static_cast<const char*>(context));
    return true;
}

TEST_F(MessageCommandsTest, SaveCopiesTheMessageOverTheChosenFile) {
    put("inbox", 4);
    fs::create_directories(folder_ / "saved");
    write_file(folder_ / "saved/copy.eml", "older and longer content than the message");
    SaveChooser chooser{choose_fixed, const_cast<char*>("saved\\copy.eml")};
    EXPECT_EQ(save_message_file("maildir\\inbox", 4, &chooser), 0);
    EXPECT_EQ(read_file(folder_ / "saved/copy.eml"), message(4));

    SaveChooser nowhere{choose_fixed, const_cast<char*>("missing\\copy.eml")};
    EXPECT_EQ(save_message_file("maildir\\inbox", 4, &nowhere), -1);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not save email."});
}

TEST_F(MessageCommandsTest, ReadingAnUnreadMessageRemovesItsLineAndRewritesItsMirrorLine) {
    write_file(file("inbox", 1), "X-ZMRead: FALSE\r\n" + message(1));
    put("inbox", 2);
    inbox_mirror_after_listing({1, 2});
    ASSERT_EQ(mirror_text().find("mm1.eml\tsender1@example.test\tme@example.test\tnumber 1\tunknown\t0\t0\t0\t"), 0u);
    EXPECT_EQ(mark_message_read(5, "maildir\\inbox", "maildir\\inbox\\mm1.eml"), 1);
    EXPECT_EQ(read_file(file("inbox", 1)), message(1));
    std::string mirror = mirror_text();
    EXPECT_EQ(mirror.substr(0, mirror.find("\r\n") + 2),
              "mm1.eml\tsender1@example.test\tme@example.test\tnumber 1\tunknown\t0\t1\t0\tutf-8\t\r\n");

    // A message already read is left as it is.
    fs::file_time_type before = fs::last_write_time(file("inbox", 2));
    EXPECT_EQ(mark_message_read(5, "maildir\\inbox", "maildir\\inbox\\mm2.eml"), 1);
    EXPECT_EQ(fs::last_write_time(file("inbox", 2)), before);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(MessageCommandsTest, AReadStateThatCannotBeWrittenIsReported) {
    write_file(file("inbox", 1), "X-ZMRead: FALSE\r\n" + message(1));
    // Without its scratch folder the line cannot be taken out.
    fs::remove_all(folder_ / "temp");
    EXPECT_EQ(mark_message_read(5, "maildir\\inbox", "maildir\\inbox\\mm1.eml"), 0);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not set read state!"});
    EXPECT_EQ(read_file(file("inbox", 1)), "X-ZMRead: FALSE\r\n" + message(1));
}

}  // namespace
