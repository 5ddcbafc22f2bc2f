// Tree views: items, their labels, images and data, the walk, selection and
// expansion, read back with the tree's own messages.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/arrays.h"
#include "tests/wingui/test_window.h"
#include "wingui/tree_view.h"

namespace {

class TreeViewTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        tree = item(IDC_TREE);
    }
    TVITEMA raw_item(HTREEITEM handle) {
        TVITEMA tv{};
        tv.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
        tv.hItem = handle;
        tv.pszText = label;
        tv.cchTextMax = sizeof label;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
        return tv;
    }
    HTREEITEM raw_next(HTREEITEM handle, WPARAM relation) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(handle)));
    }

    HWND tree = nullptr;
    char label[128] = {};
};

}  // namespace

TEST_F(TreeViewTest, ItemsCarryTheirLabelImagesAndData) {
    int data = 5;
    HTREEITEM inbox = tree_insert(tree, nullptr, "inbox", 0, 1, &data);
    ASSERT_NE(inbox, nullptr);
    TVITEMA tv = raw_item(inbox);
    EXPECT_STREQ(label, "inbox");
    EXPECT_EQ(tv.iImage, 0);
    EXPECT_EQ(tv.iSelectedImage, 1);
    EXPECT_EQ(tv.cChildren, 0);
    EXPECT_EQ(reinterpret_cast<int*>(tv.lParam), &data);
    EXPECT_EQ(tree_item_data(tree, inbox), &data);

    HTREEITEM headers = tree_insert(tree, nullptr, "E-mail Headers", 2, 2);
    tv = raw_item(headers);
    EXPECT_EQ(tv.iImage, 2);
    EXPECT_EQ(tv.iSelectedImage, 2);
    EXPECT_EQ(tree_item_data(tree, headers), nullptr);

    tree_set_has_children(tree, inbox);
    EXPECT_EQ(raw_item(inbox).cChildren, 1);
}

TEST_F(TreeViewTest, LabelsComeOutCutToTheBuffer) {
    HTREEITEM item = tree_insert(tree, nullptr, "Sent Items", 0, 1);
    Array* text = array_new(100);
    EXPECT_EQ(tree_text(tree, item, text), 10);
    EXPECT_STREQ(text->text, "Sent Items");
    Array* small = array_new(5);
    EXPECT_EQ(tree_text(tree, item, small), 4);
    EXPECT_STREQ(small->text, "Sent");
    delete_arrays(text, small);
}

TEST_F(TreeViewTest, TheWalkBetweenItems) {
    HTREEITEM maildir = tree_insert(tree, nullptr, "maildir", 0, 1);
    HTREEITEM inbox = tree_insert(tree, maildir, "inbox", 0, 1);
    HTREEITEM outbox = tree_insert(tree, maildir, "outbox", 0, 1);
    HTREEITEM headers = tree_insert(tree, nullptr, "E-mail Headers", 2, 2);

    EXPECT_EQ(tree_root(tree), maildir);
    EXPECT_EQ(tree_root(tree), raw_next(nullptr, TVGN_ROOT));
    EXPECT_EQ(tree_first_child(tree, maildir), inbox);
    EXPECT_EQ(raw_next(maildir, TVGN_CHILD), inbox);
    EXPECT_EQ(tree_next_sibling(tree, inbox), outbox);
    EXPECT_EQ(tree_next_sibling(tree, outbox), nullptr);
    EXPECT_EQ(tree_next_sibling(tree, maildir), headers);
    EXPECT_EQ(tree_parent(tree, outbox), maildir);
    EXPECT_EQ(tree_parent(tree, maildir), nullptr);
    EXPECT_EQ(tree_first_child(tree, headers), nullptr);
}

TEST_F(TreeViewTest, SelectExpandAndDelete) {
    HTREEITEM maildir = tree_insert(tree, nullptr, "maildir", 0, 1);
    HTREEITEM inbox = tree_insert(tree, maildir, "inbox", 0, 1);
    tree_set_has_children(tree, maildir);

    EXPECT_FALSE(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(maildir), TVIS_EXPANDED));
    tree_expand(tree, maildir);
    EXPECT_TRUE(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(maildir), TVIS_EXPANDED));

    tree_select(tree, inbox);
    EXPECT_EQ(raw_next(nullptr, TVGN_CARET), inbox);
    EXPECT_EQ(tree_selection(tree), inbox);

    EXPECT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 2);
    tree_delete(tree, inbox);
    EXPECT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(tree_first_child(tree, maildir), nullptr);
}

TEST_F(TreeViewTest, TheImageList) {
    HIMAGELIST images = ImageList_Create(20, 20, ILC_COLOR24 | ILC_MASK, 3, 0);
    tree_set_images(tree, images);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0)), images);
    // Replaced, the list goes with it (a DPI change makes a new one).
    tree_set_images(tree, nullptr);
    EXPECT_EQ(SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0), 0);
}
