// Commands and notices of the main window on real controls: "View Help
// File" through the shell's opener, "View Source" without a message, the
// folder tree's rename ended by Enter, refused while a job writes below the
// folder, and folder names longer than 99 characters.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "client/main_window_ids.h"
#include "client/view_state.h"
#include "core/app_state.h"
#include "main_window_fixture.h"
#include "store/busy_folders.h"
#include "ui/folder_tree.h"
#include "wingui/tree_view.h"

namespace fs = std::filesystem;

namespace {

TEST_F(MainWindowTest, ViewHelpFileOpensReadmeOfTheProgramFolder) {
    SendMessageA(window, WM_COMMAND, 335, 0);
    ASSERT_EQ(shell_opened.size(), 1u);
    EXPECT_EQ(shell_opened[0], "readme.html|" + folder.string());
    EXPECT_EQ(status_text(), "");
}

TEST_F(MainWindowTest, ViewSourceWithoutASelectedMessage) {
    SendMessageA(window, WM_COMMAND, CMD_VIEW_SOURCE, 0);
    EXPECT_EQ(status_text(), "Please select an e-mail!");
    // The message commands were greyed first.
    EXPECT_TRUE(GetMenuState(GetMenu(window), CMD_VIEW_SOURCE, MF_BYCOMMAND) & MF_GRAYED);
}

HTREEITEM child_named(HWND tree, HTREEITEM parent, const std::string& name) {
    Array* label = array_new(1024);
    HTREEITEM found = nullptr;
    for (HTREEITEM i = tree_first_child(tree, parent); i && !found; i = tree_next_sibling(tree, i)) {
        tree_text(tree, i, label);
        if (name == label->text) found = i;
    }
    delete_arrays(label);
    return found;
}

// Lets a list fill finish: its thread sends the list its rows, which this
// thread must take.
void wait_for_fill() {
    for (int i = 0; i < 500 && list_filling; i++) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(20);
    }
}

// Makes the folders under "maildir\inbox", then lists the tree again
// as start-up does; returns the inbox item, expanded.
HTREEITEM inbox_with(MainWindowTest* test, HWND window, const fs::path& folder,
                     std::initializer_list<std::string> names) {
    for (const std::string& name : names) fs::create_directories(folder / "maildir" / "inbox" / name);
    HWND tree = GetDlgItem(window, IDC_FOLDER_TREE);
    wait_for_fill();
    TreeView_DeleteAllItems(tree);
    build_folder_tree(window);
    wait_for_fill();
    (void)test;
    HTREEITEM inbox = child_named(tree, nullptr, "inbox");
    tree_expand(tree, inbox);
    return inbox;
}

TEST_F(MainWindowTest, LongFolderNamesAreReadWhole) {
    const std::string name(150, 'x');
    HTREEITEM inbox = inbox_with(this, window, folder, {name});
    HWND tree = item(IDC_FOLDER_TREE);
    HTREEITEM long_one = child_named(tree, inbox, name);
    ASSERT_NE(long_one, nullptr);
    Array* path = array_new(2000);
    folder_item_path(tree, long_one, nullptr, path);
    EXPECT_EQ(std::string(path->text), "inbox\\" + name);
    delete_arrays(path);
}

TEST_F(MainWindowTest, EnterEndsARenameAndTheFolderIsRenamedOnDisk) {
    HTREEITEM inbox = inbox_with(this, window, folder, {"old"});
    HWND tree = item(IDC_FOLDER_TREE);
    HTREEITEM old_item = child_named(tree, inbox, "old");
    ASSERT_NE(old_item, nullptr);
    SetFocus(tree);
    HWND edit = TreeView_EditLabel(tree, old_item);
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "renamed");
    // The main loop hands Enter to the window, which ends the edit.
    SendMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    pump();
    EXPECT_TRUE(fs::is_directory(folder / "maildir" / "inbox" / "renamed"));
    EXPECT_FALSE(fs::exists(folder / "maildir" / "inbox" / "old"));
    EXPECT_NE(child_named(tree, inbox, "renamed"), nullptr);
}

TEST_F(MainWindowTest, RenameAndDeleteWaitWhileAJobWritesBelowTheFolder) {
    HTREEITEM inbox = inbox_with(this, window, folder, {"lists", "lists\\work"});
    HWND tree = item(IDC_FOLDER_TREE);
    HTREEITEM lists = child_named(tree, inbox, "lists");
    ASSERT_NE(lists, nullptr);
    busy_folders_add("maildir\\inbox\\lists\\work");
    SetFocus(tree);
    EXPECT_EQ(TreeView_EditLabel(tree, lists), nullptr);
    EXPECT_EQ(status_text(), "This option is currently unavailable. Please try later.");
    SetWindowTextA(item(IDC_STATUS), "");
    // Delete on the selected folder: no question, nothing removed.
    tree_select(tree, lists);
    wait_for_fill();
    NMTVKEYDOWN key{{tree, static_cast<UINT_PTR>(IDC_FOLDER_TREE), static_cast<UINT>(TVN_KEYDOWN)}, VK_DELETE, 0};
    SendMessageA(window, WM_NOTIFY, IDC_FOLDER_TREE, reinterpret_cast<LPARAM>(&key));
    EXPECT_EQ(status_text(), "This option is currently unavailable. Please try later.");
    EXPECT_TRUE(fs::is_directory(folder / "maildir" / "inbox" / "lists" / "work"));
    busy_folders_remove("maildir\\inbox\\lists\\work");
}

}  // namespace
