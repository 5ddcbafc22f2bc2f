// Owner-data list views: the texts and colours the program answers for its
// rows, read back and drawn by the real control.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "core/arrays.h"
#include "tests/wingui/test_window.h"
#include "wingui/list_view.h"
#include "wingui/virtual_list.h"

namespace {

struct Rows {
    std::vector<std::vector<std::string>> cells;
    std::vector<long> colours;
};

int count(void* c) { return static_cast<int>(static_cast<Rows*>(c)->cells.size()); }
const char* text(void* c, int row, int column) {
    return static_cast<Rows*>(c)->cells[static_cast<size_t>(row)][static_cast<size_t>(column)].c_str();
}
long colour(void* c, int row) { return static_cast<Rows*>(c)->colours[static_cast<size_t>(row)]; }

class VirtualListTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        list = item(IDC_VIRTUAL_LIST);
        const ListColumn columns[] = {{"From", 120}, {"Subject", 120}};
        list_add_columns(list, columns, 2);
        state.virtual_rows = &source;
    }
    void add(const std::string& from, const std::string& subject, long c = -1) {
        rows.cells.push_back({from, subject});
        rows.colours.push_back(c);
    }
    std::string cell_a(int row, int column, int room = 256) {
        Array* out = array_new(room);
        list_text(list, row, column, out);
        std::string s = out->text;
        delete_arrays(out);
        return s;
    }
    std::wstring cell_w(int row, int column) {
        wchar_t text[256] = {};
        LVITEMW cell{};
        cell.iSubItem = column;
        cell.pszText = text;
        cell.cchTextMax = 256;
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
        return text;
    }
    // Pixels of the row drawn in a colour close to `wanted`.
    int pixels_like(int row, COLORREF wanted) {
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        RECT r{};
        r.left = LVIR_BOUNDS;
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        HDC dc = GetDC(list);
        int n = 0;
        for (int y = r.top; y < r.bottom; y++)
            for (int x = r.left; x < r.right; x++) {
                COLORREF p = GetPixel(dc, x, y);
                if (std::abs(GetRValue(p) - GetRValue(wanted)) < 60 && std::abs(GetGValue(p) - GetGValue(wanted)) < 60 &&
                    std::abs(GetBValue(p) - GetBValue(wanted)) < 60)
                    n++;
            }
        ReleaseDC(list, dc);
        return n;
    }

    HWND list = nullptr;
    Rows rows;
    VirtualRows source{&rows, count, text, colour};
};

}  // namespace

TEST_F(VirtualListTest, TextsComeFromTheProgramInEitherCharacterSetAndCut) {
    add("Zoe", "Plans");
    add("Gr\xfc\xdf" "e", "a long subject line");
    list_set_row_count(list, 2);
    EXPECT_EQ(list_row_count(list), 2);
    EXPECT_EQ(cell_a(0, 0), "Zoe");
    EXPECT_EQ(cell_a(1, 1), "a long subject line");
    EXPECT_EQ(cell_a(1, 1, 7), "a long");  // the room the asker gave, its zero included
    EXPECT_EQ(cell_w(0, 1), L"Plans");
    EXPECT_EQ(cell_w(1, 0), L"Gr\u00fc\u00dfe");
    EXPECT_EQ(cell_a(2, 0), "");  // beyond the rows: nothing
}

TEST_F(VirtualListTest, SelectionStaysWithRowIndexesAndFollowsADeletedRow) {
    for (int i = 0; i < 6; i++) add("row " + std::to_string(i), "s");
    list_set_row_count(list, 6);
    list_set_selected(list, 1, true);
    list_set_selected(list, 4, true);
    list_set_focused_row(list, 4);
    EXPECT_EQ(list_next_selected(list, -1), 1);
    EXPECT_EQ(list_next_selected(list, 1), 4);
    EXPECT_EQ(list_focused_row(list), 4);
    // The program's row 1 goes: the control's rows below it move up, the
    // selection with them.
    rows.cells.erase(rows.cells.begin() + 1);
    rows.colours.erase(rows.colours.begin() + 1);
    EXPECT_TRUE(list_delete_row(list, 1));
    EXPECT_EQ(list_row_count(list), 5);
    EXPECT_EQ(list_next_selected(list, -1), 3);
    EXPECT_EQ(list_next_selected(list, 3), -1);
    EXPECT_EQ(cell_a(3, 0), "row 4");
    // More rows arrive: the selection stays.
    add("row 6", "s");
    list_set_row_count(list, 6);
    EXPECT_EQ(list_selected_count(list), 1);
    EXPECT_EQ(list_next_selected(list, -1), 3);
    list_set_selected(list, -1, false);
    EXPECT_EQ(list_selected_count(list), 0);
}

TEST_F(VirtualListTest, RowsAreDrawnInTheirOwnColourOrTheListsTextColour) {
    add("MMMMMMMM", "MMMMMMMM", RGB(255, 0, 0));
    add("MMMMMMMM", "MMMMMMMM", RGB(0, 0, 255));
    add("MMMMMMMM", "MMMMMMMM");
    // A colour scheme's text colour for the rows without their own.
    SendMessageA(list, LVM_SETTEXTCOLOR, 0, RGB(0, 160, 0));
    SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, RGB(255, 255, 255));
    list_set_row_count(list, 3);
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), green = RGB(0, 160, 0);
    EXPECT_GT(pixels_like(0, red), 10);
    EXPECT_EQ(pixels_like(0, blue) + pixels_like(0, green), 0);
    EXPECT_GT(pixels_like(1, blue), 10);
    EXPECT_EQ(pixels_like(1, red) + pixels_like(1, green), 0);
    EXPECT_GT(pixels_like(2, green), 10);
    EXPECT_EQ(pixels_like(2, red) + pixels_like(2, blue), 0);
}

TEST_F(VirtualListTest, TypingFindsTheNextRowBeginningWithTheText) {
    add("adam", "s");
    add("Mia", "s");
    add("mike", "s");
    list_set_row_count(list, 3);
    LVFINDINFOA find{};
    find.flags = LVFI_PARTIAL | LVFI_STRING | LVFI_WRAP;
    find.psz = "mi";
    EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), 1);
    EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, 2, reinterpret_cast<LPARAM>(&find)), 2);
    find.psz = "A";  // from the end round to the top, letter case aside
    EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, 2, reinterpret_cast<LPARAM>(&find)), 0);
    find.psz = "x";
    EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), -1);
}
