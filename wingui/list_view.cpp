#include "wingui/list_view.h"

#include "wingui/cut_text.h"

void list_add_columns(HWND list, const ListColumn* columns, int count) {
    for (int index = 0; index < count; index++) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(columns[index].title);
        column.cx = columns[index].width;
        column.iSubItem = index;
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    }
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

int list_insert_row(HWND list, int index, const char* text, void* data) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.lParam = reinterpret_cast<LPARAM>(data);
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void list_set_text(HWND list, int row, int column, const char* text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int list_text(HWND list, int row, int column, Array* out) {
    array_clear(out);
    if (out->capacity < 1) return 0;
    LVITEMA item{};
    item.iSubItem = column;
    item.cchTextMax = out->capacity;
    item.pszText = out->chars;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return terminate_cut_text(out);
}

void* list_row_data(HWND list, int row) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<void*>(item.lParam);
}

int list_row_count(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

void list_reserve_rows(HWND list, int rows) { SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0); }

int list_next_selected(HWND list, int row) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
}

int list_selected_count(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)); }

void list_select_row(HWND list, int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

RECT list_cell_rect(HWND list, int row, int column) {
    RECT box{};
    box.top = column;
    box.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&box));
    return box;
}

void list_set_redraw(HWND list, bool on) { SendMessageA(list, WM_SETREDRAW, on ? TRUE : FALSE, 0); }

void list_redraw_rows(HWND list, int first, int last) {
    SendMessageA(list, LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
}

void list_scroll(HWND list, int dx, int dy) {
    SendMessageA(list, LVM_SCROLL, static_cast<WPARAM>(dx), static_cast<LPARAM>(dy));
}

bool list_delete_row(HWND list, int row) {
    return SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0) != 0;
}

void list_delete_all(HWND list) { SendMessageA(list, LVM_DELETEALLITEMS, 0, 0); }

namespace {

struct SortCall {
    ListCompare compare;
    void* context;
};

int CALLBACK compare_rows(LPARAM first, LPARAM second, LPARAM call) {
    auto* sort = reinterpret_cast<SortCall*>(call);
    return sort->compare(reinterpret_cast<void*>(first), reinterpret_cast<void*>(second), sort->context);
}

}  // namespace

void list_sort(HWND list, ListCompare compare, void* context) {
    SortCall call{compare, context};
    SendMessageA(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&call), reinterpret_cast<LPARAM>(compare_rows));
}
