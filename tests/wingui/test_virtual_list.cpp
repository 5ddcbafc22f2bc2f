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
    add("Gr\xC3\xBC\xC3\x9F" "e", "a long subject line");
    list_set_row_count(list, 2);
    EXPECT_EQ(list_row_count(list), 2);
    EXPECT_EQ(cell_a(0, 0), "Zoe");
    EXPECT_EQ(cell_a(1, 1), "a long subject line");
    EXPECT_EQ(cell_a(1, 1, 7), "a long");  // the room the asker gave, its zero included
    EXPECT_EQ(cell_w(0, 1), L"Plans");
    EXPECT_EQ(cell_w(1, 0), L"Gr\u00fc\u00dfe");
    EXPECT_EQ(cell_a(2, 0), "");  // beyond the rows: nothing
    EXPECT_EQ(cell_a(1, 0), "Gr\xFC\xDF" "e");  // in the system's code page
}

// The rows' UTF-8 reaches the list whole only when it asks in UTF-16.
TEST_F(VirtualListTest, TextsOfAnyScriptThroughTheWideMessages) {
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
    const std::string emoji = "\xF0\x9F\x98\x80";
    add(japanese, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 " + emoji);
    add("\xC3\x89lodie", "\xCE\x93\xCE\xB5\xCE\xB9\xCE\xAC");
    list_set_row_count(list, 2);
    // Asked in the code page, the list has "?" for what it lacks.
    EXPECT_EQ(cell_w(0, 0), L"???");
    list_use_wide_texts(list);
    EXPECT_EQ(cell_w(0, 0), L"\u65e5\u672c\u8a9e");
    EXPECT_EQ(cell_w(0, 1), L"\u041f\u0440\u0438\u0432\u0435\u0442 \U0001F600");
    EXPECT_EQ(cell_w(1, 1), L"\u0393\u03b5\u03b9\u03ac");
    EXPECT_EQ(cell_a(1, 0), "\xC9lodie");
    // Cut to the room given, never between the two halves of a character.
    wchar_t text[9] = {};
    LVITEMW cell{};
    cell.iSubItem = 1;
    cell.pszText = text;
    cell.cchTextMax = 9;
    SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&cell));
    EXPECT_EQ(std::wstring(text), L"\u041f\u0440\u0438\u0432\u0435\u0442 ");
    // Typing finds rows letter case aside, beyond ASCII too.
    LVFINDINFOW find{};
    find.flags = LVFI_PARTIAL | LVFI_STRING | LVFI_WRAP;
    find.psz = L"\u00e9l";
    EXPECT_EQ(SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), 1);
    find.psz = L"\u65e5\u672c";
    EXPECT_EQ(SendMessageW(list, LVM_FINDITEMW, 1, reinterpret_cast<LPARAM>(&find)), 0);
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
