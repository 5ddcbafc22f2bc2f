#include <algorithm>
#include <deque>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "client/folder_commands.h"
#include "client/view_state.h"
#include "core/arrays.h"
#include "core/log.h"
#include "store/busy_folders.h"
#include "store/folders.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

namespace {

class FoldersTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        headers_view = 0;
        search_view = 0;
        list_filling = 0;
    }
    void make(const std::string& relative) { fs::create_directories(folder_ / relative); }
    void touch(const std::string& relative, const std::string& bytes = "x") { write_file(folder_ / relative, bytes); }
    UiRecorder ui;
};

TEST_F(FoldersTest, BusyFoldersAddRemoveAndContains) {
    busy_folders_init();
    EXPECT_EQ(busy_folders_contains("maildir\\inbox"), 0);
    busy_folders_add("maildir\\inbox");
    busy_folders_add("maildir\\inbox");
    busy_folders_add("temp");
    EXPECT_EQ(busy_folders_contains("maildir\\inbox"), 1);
    EXPECT_EQ(busy_folders_contains("maildir\\INBOX"), 0);  // byte for byte
    EXPECT_EQ(busy_folders_remove("maildir\\inbox"), 1);
    EXPECT_EQ(busy_folders_contains("maildir\\inbox"), 1);  // it was there twice
    EXPECT_EQ(busy_folders_remove("maildir\\inbox"), 1);
    EXPECT_EQ(busy_folders_contains("maildir\\inbox"), 0);
    EXPECT_EQ(busy_folders_remove("maildir\\inbox"), 0);
    EXPECT_EQ(busy_folders_remove("empty"), 0);  // the head is never removed
    EXPECT_EQ(busy_folders_contains(""), 0);
    EXPECT_EQ(busy_folders_remove_within("temp", 100), 1);
    EXPECT_EQ(busy_folders_remove_within("temp", 100), 0);
}

// Jobs release their folders from their own threads while the interface
// thread marks and asks: the list holds every entry that was not removed.
TEST_F(FoldersTest, BusyFoldersTakeMarksFromManyThreadsAtOnce) {
    busy_folders_add("maildir\\kept");
    std::vector<std::thread> jobs;
    for (int t = 0; t < 4; t++)
        jobs.emplace_back([t] {
            std::string own = "maildir\\job" + std::to_string(t);
            for (int i = 0; i < 500; i++) {
                busy_folders_add(own.c_str());
                if (busy_folders_contains_tree("maildir\\kept") != 1 || busy_folders_remove(own.c_str()) != 1) return;
            }
        });
    for (std::thread& job : jobs) job.join();
    for (int t = 0; t < 4; t++) EXPECT_EQ(busy_folders_contains(("maildir\\job" + std::to_string(t)).c_str()), 0);
    EXPECT_EQ(busy_folders_remove("maildir\\kept"), 1);
    EXPECT_EQ(busy_folders_contains("maildir\\kept"), 0);
}

TEST_F(FoldersTest, ABusyFolderOrOneBelowItIsNeitherRenamedNorDeleted) {
    int window = 0;
    busy_folders_add("maildir\\inbox\\lists\\work");
    EXPECT_EQ(busy_folders_contains_tree("maildir\\inbox"), 1);
    EXPECT_EQ(busy_folders_contains_tree("maildir\\inbox\\lists\\work"), 1);
    EXPECT_EQ(busy_folders_contains_tree("maildir\\inbox\\li"), 0);  // a name, not a prefix
    EXPECT_EQ(busy_folders_contains_tree("maildir\\drafts"), 0);
    EXPECT_FALSE(folder_change_allowed("inbox", &window));
    EXPECT_EQ(ui.status_text(), "This option is currently unavailable. Please try later.");
    ui.status_calls.clear();
    EXPECT_FALSE(folder_change_allowed("inbox\\lists\\work", &window));
    EXPECT_TRUE(folder_change_allowed("inbox\\other", &window));
    EXPECT_TRUE(folder_change_allowed("drafts", &window));
    busy_folders_remove("maildir\\inbox\\lists\\work");
    ui.status_calls.clear();
    EXPECT_TRUE(folder_change_allowed("inbox", &window));
    EXPECT_EQ(ui.status_text(), "");
    // While the list fills nothing is renamed or deleted.
    list_filling = 1;
    EXPECT_FALSE(folder_change_allowed("drafts", &window));
    list_filling = 0;
}

TEST_F(FoldersTest, ClearFolderRemovesFilesBySuffixAndKeepsSubfolders) {
    make("maildir/inbox/lists");
    touch("maildir/inbox/mm1.eml");
    touch("maildir/inbox/mm2.eml");
    touch("maildir/inbox/mirror.dat");
    touch("maildir/inbox/lists/mm1.eml");
    clear_folder("maildir\\inbox", ".eml");
    EXPECT_FALSE(fs::exists(folder_ / "maildir/inbox/mm1.eml"));
    EXPECT_FALSE(fs::exists(folder_ / "maildir/inbox/mm2.eml"));
    // The mirror's lines described the messages that went.
    EXPECT_FALSE(fs::exists(folder_ / "maildir/inbox/mirror.dat"));
    EXPECT_TRUE(fs::exists(folder_ / "maildir/inbox/lists/mm1.eml"));
    touch("maildir/inbox/notes.txt");
    clear_folder("maildir\\inbox", "");
    EXPECT_FALSE(fs::exists(folder_ / "maildir/inbox/notes.txt"));
    EXPECT_TRUE(fs::is_directory(folder_ / "maildir/inbox/lists"));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(FoldersTest, DeletingAFolderWithSubfoldersKeepsTheSubfolders) {
    make("maildir/old/kept");
    touch("maildir/old/mm1.eml", "own message");
    touch("maildir/old/kept/mm1.eml", "child message");
    EXPECT_EQ(delete_folder("maildir\\old"), -2);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"Directory not empty!"}));
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
    EXPECT_FALSE(fs::exists(folder_ / "maildir/old/mm1.eml"));
    EXPECT_EQ(read_file(folder_ / "maildir/old/kept/mm1.eml"), "child message");
}

TEST_F(FoldersTest, DeletingAnEmptiedFolderRemovesIt) {
    make("maildir/old");
    touch("maildir/old/mm1.eml");
    touch("maildir/old/mirror.dat");
    EXPECT_EQ(delete_folder("maildir\\old"), 0);
    EXPECT_FALSE(fs::exists(folder_ / "maildir/old"));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(FoldersTest, SearchFoldersOneTo999GoAndTheThousandthStays) {
    for (const char* f : {"maildir/search1", "maildir/search2", "maildir/search999", "maildir/search1000",
                          "maildir/search"})
        make(f);
    touch("maildir/search2/mm1.eml");
    touch("maildir/search1000/mm1.eml");
    remove_search_folders();
    EXPECT_FALSE(fs::exists(folder_ / "maildir/search1"));
    EXPECT_FALSE(fs::exists(folder_ / "maildir/search2"));
    EXPECT_FALSE(fs::exists(folder_ / "maildir/search999"));
    EXPECT_TRUE(fs::exists(folder_ / "maildir/search1000/mm1.eml"));
    EXPECT_TRUE(fs::exists(folder_ / "maildir/search"));
}

TEST_F(FoldersTest, StandardFoldersComeFirstAtEveryLevel) {
    for (const char* f : {"maildir/zeta", "maildir/Drafts", "maildir/alpha", "maildir/inbox", "maildir/Sent Items",
                          "maildir/outbox", "maildir/.hidden", "maildir/alpha/drafts", "maildir/alpha/beta",
                          "maildir/alpha/INBOX"})
        make(f);
    touch("maildir/inbox.txt");
    std::vector<std::string> top = list_subfolders("maildir");
    ASSERT_EQ(top.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(top.begin(), top.begin() + 4),
              (std::vector<std::string>{"inbox", "outbox", "Sent Items", "Drafts"}));
    std::vector<std::string> rest(top.begin() + 4, top.end());
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(rest, (std::vector<std::string>{"alpha", "zeta"}));
    std::vector<std::string> below = list_subfolders("maildir\\alpha");
    ASSERT_EQ(below.size(), 3u);
    EXPECT_EQ(below[0], "INBOX");
    EXPECT_EQ(below[1], "drafts");
    EXPECT_EQ(below[2], "beta");
}

struct Recorded {
    std::vector<std::string> lines;
    std::vector<std::string> dialog;
    std::deque<std::string> items;  // what the tree items point at
};

void* record_insert(void* context, void* parent, const char* name) {
    auto* r = static_cast<Recorded*>(context);
    std::string label = parent ? *static_cast<std::string*>(parent) + "\\" + name : name;
    r->lines.push_back("item " + label);
    r->items.push_back(label);
    return &r->items.back();
}
void record_children(void* context, void* item) {
    static_cast<Recorded*>(context)->lines.push_back("children " + *static_cast<std::string*>(item));
}
void record_entry(void* context, const char* relative) { static_cast<Recorded*>(context)->dialog.push_back(relative); }

TEST_F(FoldersTest, TreeModeInsertsChildrenAndMarksParents) {
    make("root/inbox/lists/work");
    make("root/outbox");
    Recorded r;
    FolderTreeSink sink{
        .context = &r, .insert = record_insert, .mark_has_children = record_children, .add_entry = record_entry};
    EXPECT_EQ(fill_folder_tree("root", nullptr, sink, false, 4), 2);
    EXPECT_EQ(r.lines, (std::vector<std::string>{"item inbox", "item inbox\\lists", "item inbox\\lists\\work",
                                                 "children inbox\\lists", "children inbox", "item outbox"}));
    EXPECT_TRUE(r.dialog.empty());
}

TEST_F(FoldersTest, DialogModeListsRelativePaths) {
    make("root/inbox/lists/work");
    make("root/drafts");
    Recorded r;
    FolderTreeSink sink{
        .context = &r, .insert = record_insert, .mark_has_children = record_children, .add_entry = record_entry};
    EXPECT_EQ(fill_folder_tree("root", nullptr, sink, true, 4), 2);
    EXPECT_EQ(r.dialog, (std::vector<std::string>{"inbox", "inbox\\lists", "inbox\\lists\\work", "drafts"}));
    EXPECT_TRUE(r.lines.empty());
}

TEST_F(FoldersTest, StorePathOfTheSpecialItems) {
    Array* p = array_new(1000);
    folder_store_path(p, "inbox\\lists");
    EXPECT_STREQ(p->text, "maildir\\inbox\\lists");
    folder_store_path(p, "e-mail headers");
    EXPECT_STREQ(p->text, "temp");
    folder_store_path(p, "TEMP");
    EXPECT_STREQ(p->text, "temp");
    delete_arrays(p);
}

TEST_F(FoldersTest, SecondNewItemAsksToRenameTheFirst) {
    make("maildir/inbox");
    EXPECT_EQ(create_new_item_folder("inbox"), 0);
    EXPECT_TRUE(fs::is_directory(folder_ / "maildir/inbox/New Item"));
    EXPECT_EQ(create_new_item_folder("inbox"), -1);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"Rename the new item folder first."}));
    headers_view = 1;
    EXPECT_EQ(create_new_item_folder("inbox"), -1);
    EXPECT_EQ(ui.boxes.size(), 1u);  // refused without a word
}

TEST_F(FoldersTest, RenameMovesTheFolderWithItsMessages) {
    make("maildir/inbox/New Item");
    touch("maildir/inbox/New Item/mm1.eml", "kept");
    EXPECT_EQ(rename_folder("inbox\\New Item", "lists", "inbox\\lists"), 0);
    EXPECT_EQ(read_file(folder_ / "maildir/inbox/lists/mm1.eml"), "kept");
    EXPECT_FALSE(fs::exists(folder_ / "maildir/inbox/New Item"));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(FoldersTest, RenameRefusals) {
    make("maildir/inbox/a");
    make("maildir/inbox/b");
    EXPECT_EQ(rename_folder("inbox\\a", std::string(100, 'n').c_str(), "inbox\\n"), -1);
    std::string deep(256, 'd');
    EXPECT_EQ(rename_folder(deep.c_str(), "x", "x"), -1);
    EXPECT_EQ(rename_folder("inbox\\a", "b", "inbox\\b"), -1);  // the name is taken
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[0].text, "Folder name too long!");
    EXPECT_EQ(ui.boxes[1].text, "Folder path too long!");
    EXPECT_EQ(ui.boxes[2].text.rfind("CreateDirectory error ", 0), 0u);
    EXPECT_TRUE(fs::exists(folder_ / "maildir/inbox/a"));
}

TEST_F(FoldersTest, DeletingFromTheTreeAsksAndRefusesTopLevel) {
    make("maildir/inbox/old");
    touch("maildir/inbox/old/mm1.eml");
    EXPECT_EQ(delete_folder_item("inbox", true), -1);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"Cannot delete main program directory!"}));

    ui.answers = {UI_ANSWER_NO};
    EXPECT_EQ(delete_folder_item("inbox\\old", false), -1);
    EXPECT_TRUE(fs::exists(folder_ / "maildir/inbox/old/mm1.eml"));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].text,
              "This will delete all of the messages in the selected folder as well as removing the folder itself. "
              "Are you sure?");
    EXPECT_EQ(ui.boxes[1].style, static_cast<unsigned>(UI_YESNO | UI_ICON_QUESTION));

    ui.answers = {UI_ANSWER_YES};
    EXPECT_EQ(delete_folder_item("inbox\\old", false), 0);
    EXPECT_FALSE(fs::exists(folder_ / "maildir/inbox/old"));
}

TEST_F(FoldersTest, SearchResultsCanBeDeletedFromTheTopLevel) {
    make("maildir/search");
    search_view = 1;
    ui.answers = {UI_ANSWER_YES};
    EXPECT_EQ(delete_folder_item("search", true), 0);
    EXPECT_FALSE(fs::exists(folder_ / "maildir/search"));
}

TEST_F(FoldersTest, SelectionGuardRefusesBusyFoldersAndFills) {
    busy_folders_init();
    EXPECT_TRUE(folder_selection_allowed("inbox"));
    busy_folders_add("maildir\\inbox");
    EXPECT_FALSE(folder_selection_allowed("inbox"));
    EXPECT_TRUE(folder_selection_allowed("outbox"));
    busy_folders_add("temp");
    EXPECT_FALSE(folder_selection_allowed("E-mail Headers"));
    busy_folders_remove("temp");
    busy_folders_remove("maildir\\inbox");
    list_filling = 1;
    EXPECT_FALSE(folder_selection_allowed("outbox"));
}

}  // namespace
