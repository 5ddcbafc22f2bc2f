// Report list views: read back with the list view's own messages, which a
// driver in another process cannot use.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "core/arrays.h"
#include "tests/wingui/test_window.h"
#include "wingui/list_view.h"

namespace {

class ListViewTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        list = item(IDC_LIST_VIEW);
        const ListColumn columns[] = {{"From", 90}, {"Subject", 140}, {"Size (KB)", 50}};
        list_add_columns(list, columns, 3);
    }
    // Rows "row 0" ... with the data pointers of `numbers`.
    void add_rows(int n) {
        numbers.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; i++) {
            numbers[static_cast<size_t>(i)] = i;
            std::string text = "row " + std::to_string(i);
            list_insert_row(list, i, text.c_str(), &numbers[static_cast<size_t>(i)]);
        }
    }
    std::string raw_cell(int row, int column) {
        char text[256] = {};
        LVITEMA cell{};
        cell.iSubItem = column;
        cell.pszText = text;
        cell.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
        return text;
    }
    int raw_count() { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
    void raw_select(int row) {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    }

    HWND list = nullptr;
    std::vector<int> numbers;
};

int by_number_descending(void* first, void* second, void* context) {
    ++*static_cast<int*>(context);
    return *static_cast<int*>(second) - *static_cast<int*>(first);
}

}  // namespace

TEST_F(ListViewTest, ColumnsInOrderWithTheirWidthsAndWholeRowSelection) {
    const char* titles[] = {"From", "Subject", "Size (KB)"};
    const int widths[] = {90, 140, 50};
    for (int c = 0; c < 3; c++) {
        char title[64] = {};
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title;
        column.cchTextMax = sizeof title;
        ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(title, titles[c]);
        EXPECT_EQ(column.cx, widths[c]);
    }
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_TRUE(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
}

TEST_F(ListViewTest, RowsTheirTextsAndTheirData) {
    int a = 7, b = 8;
    EXPECT_EQ(list_insert_row(list, 0, "alice@example.org", &a), 0);
    // Inserted before the first: the row it became is 0 again.
    EXPECT_EQ(list_insert_row(list, 0, "bob@example.org", &b), 0);
    list_set_text(list, 0, 1, "Re: minutes");
    list_set_text(list, 1, 2, "12");
    EXPECT_EQ(raw_count(), 2);
    EXPECT_EQ(list_row_count(list), 2);
    EXPECT_EQ(raw_cell(0, 0), "bob@example.org");
    EXPECT_EQ(raw_cell(0, 1), "Re: minutes");
    EXPECT_EQ(raw_cell(1, 0), "alice@example.org");
    EXPECT_EQ(raw_cell(1, 2), "12");

    LVITEMA raw{};
    raw.mask = LVIF_PARAM;
    raw.iItem = 1;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&raw));
    EXPECT_EQ(reinterpret_cast<int*>(raw.lParam), &a);
    EXPECT_EQ(list_row_data(list, 0), &b);
    EXPECT_EQ(list_row_data(list, 1), &a);
    EXPECT_EQ(list_row_data(list, 2), nullptr);

    Array* text = array_new(100);
    EXPECT_EQ(list_text(list, 0, 1, text), 11);
    EXPECT_STREQ(text->text, "Re: minutes");
    Array* small = array_new(4);
    list_text(list, 1, 0, small);
    EXPECT_STREQ(small->text, "ali");
    list_text(list, 5, 0, text);
    EXPECT_STREQ(text->text, "");
    delete_arrays(text, small);
}

TEST_F(ListViewTest, TheSelectionWalkAndSelectingARow) {
    add_rows(5);
    EXPECT_EQ(list_next_selected(list, -1), -1);
    EXPECT_EQ(list_selected_count(list), 0);
    raw_select(1);
    raw_select(3);
    EXPECT_EQ(list_selected_count(list), 2);
    EXPECT_EQ(list_next_selected(list, -1), 1);
    EXPECT_EQ(list_next_selected(list, 1), 3);
    EXPECT_EQ(list_next_selected(list, 3), -1);

    list_select_row(list, 4);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 4, LVIS_SELECTED | LVIS_FOCUSED),
              LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(list_selected_count(list), 3);
}

TEST_F(ListViewTest, SelectingARowFarDownScrollsItIntoView) {
    add_rows(60);
    list_select_row(list, 59);
    RECT row{}, client{};
    row.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, 59, reinterpret_cast<LPARAM>(&row));
    GetClientRect(list, &client);
    EXPECT_LE(row.bottom, client.bottom);
    EXPECT_GE(row.top, 0);
}

TEST_F(ListViewTest, ScrollingMovesTheTopRow) {
    add_rows(60);
    EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 0);
    list_scroll(list, 0, 64 * 60);
    EXPECT_GT(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 30);
}

TEST_F(ListViewTest, RedrawingOneRowAndDrawingOffWhileRowsChange) {
    add_rows(4);
    pump();
    UpdateWindow(list);
    ValidateRect(list, nullptr);
    list_redraw_rows(list, 2, 2);
    RECT dirty{}, row{};
    ASSERT_TRUE(GetUpdateRect(list, &dirty, FALSE));
    row.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
    EXPECT_GE(dirty.top, row.top - 1);
    EXPECT_LE(dirty.bottom, row.bottom + 1);

    ValidateRect(list, nullptr);
    list_set_redraw(list, false);
    list_insert_row(list, 0, "hidden while it arrives", nullptr);
    EXPECT_FALSE(GetUpdateRect(list, nullptr, FALSE));
    list_set_redraw(list, true);
    EXPECT_TRUE(GetUpdateRect(list, nullptr, FALSE));
    EXPECT_EQ(raw_cell(0, 0), "hidden while it arrives");
}

TEST_F(ListViewTest, DeletingRows) {
    add_rows(3);
    EXPECT_TRUE(list_delete_row(list, 0));
    EXPECT_EQ(raw_count(), 2);
    EXPECT_EQ(raw_cell(0, 0), "row 1");
    EXPECT_FALSE(list_delete_row(list, 7));
    list_delete_all(list);
    EXPECT_EQ(raw_count(), 0);
}

TEST_F(ListViewTest, RoomForAFillChangesNoRows) {
    list_reserve_rows(list, 500);
    EXPECT_EQ(raw_count(), 0);
    add_rows(3);
    EXPECT_EQ(raw_count(), 3);
}

TEST_F(ListViewTest, SortingComparesTheRowsData) {
    add_rows(4);
    list_set_text(list, 2, 1, "travels with its row");
    int calls = 0;
    list_sort(list, by_number_descending, &calls);
    EXPECT_GT(calls, 0);
    EXPECT_EQ(raw_cell(0, 0), "row 3");
    EXPECT_EQ(raw_cell(1, 0), "row 2");
    EXPECT_EQ(raw_cell(1, 1), "travels with its row");
    EXPECT_EQ(raw_cell(2, 0), "row 1");
    EXPECT_EQ(raw_cell(3, 0), "row 0");
    EXPECT_EQ(list_row_data(list, 0), &numbers[3]);
}
