// List boxes and combo boxes.
#include <string>

#include "core/arrays.h"
#include "tests/wingui/test_window.h"
#include "wingui/list_box.h"

using ListBoxTest = WindowTest;

TEST_F(ListBoxTest, EntriesTheChoiceAndItsText) {
    HWND box = item(IDC_LIST_BOX);
    EXPECT_EQ(list_box_selection(box), -1);
    EXPECT_EQ(list_box_add(box, "maildir\\inbox"), 0);
    EXPECT_EQ(list_box_add(box, "maildir\\outbox"), 1);
    EXPECT_EQ(list_box_count(box), 2);
    EXPECT_EQ(SendMessageA(box, LB_GETCOUNT, 0, 0), 2);

    list_box_select(box, 1);
    EXPECT_EQ(SendMessageA(box, LB_GETCURSEL, 0, 0), 1);
    SendMessageA(box, LB_SETCURSEL, 0, 0);
    EXPECT_EQ(list_box_selection(box), 0);

    Array* text = array_new(100);
    EXPECT_EQ(list_box_text(box, 1, text), 14);
    EXPECT_STREQ(text->text, "maildir\\outbox");
    // A text that does not fit whole is not taken at all.
    Array* small = array_new(14);
    EXPECT_EQ(list_box_text(box, 1, small), -1);
    EXPECT_STREQ(small->text, "");
    EXPECT_EQ(list_box_text(box, 2, text), -1);
    EXPECT_STREQ(text->text, "");
    delete_arrays(text, small);
}

TEST_F(ListBoxTest, EntriesInsertedAndDeletedInPlace) {
    HWND box = item(IDC_LIST_BOX);
    list_box_add(box, "home");
    list_box_add(box, "work");
    EXPECT_EQ(list_box_insert(box, 0, "New Account"), 0);
    EXPECT_EQ(list_box_insert(box, -1, "last"), 3);
    list_box_delete(box, 1);
    Array* text = array_new(100);
    std::string entries;
    for (int i = 0; i < list_box_count(box); i++) {
        list_box_text(box, i, text);
        entries += std::string(text->text) + "|";
    }
    EXPECT_EQ(entries, "New Account|work|last|");
    delete_arrays(text);
}

TEST_F(ListBoxTest, ComboBoxEntriesTheChoiceAndItsText) {
    HWND box = item(IDC_COMBO);
    EXPECT_EQ(combo_selection(box), -1);
    EXPECT_EQ(combo_add(box, "home"), 0);
    EXPECT_EQ(combo_add(box, "work account"), 1);
    EXPECT_EQ(combo_count(box), 2);

    combo_select(box, 1);
    EXPECT_EQ(SendMessageA(box, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(raw_text(box), "work account");
    SendMessageA(box, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(combo_selection(box), 0);

    Array* text = array_new(100);
    EXPECT_EQ(combo_text(box, 1, text), 12);
    EXPECT_STREQ(text->text, "work account");
    Array* small = array_new(12);
    EXPECT_EQ(combo_text(box, 1, small), -1);
    EXPECT_STREQ(small->text, "");

    combo_clear(box);
    EXPECT_EQ(SendMessageA(box, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(combo_selection(box), -1);
    delete_arrays(text, small);
}
