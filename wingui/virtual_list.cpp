#include "wingui/virtual_list.h"

#include <cstring>

namespace {

void copy_text(NMHDR* header, const VirtualRows& rows) {
    const bool wide = header->code == LVN_GETDISPINFOW;
    // The A and W forms differ only in the text pointer's type.
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
    LVITEMA& item = info->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const char* text = item.iItem >= 0 && item.iItem < rows.count(rows.context)
                           ? rows.text(rows.context, item.iItem, item.iSubItem)
                           : "";
    if (wide) {
        auto* out = reinterpret_cast<wchar_t*>(item.pszText);
        int n = MultiByteToWideChar(CP_ACP, 0, text, -1, out, item.cchTextMax);
        if (n == 0) {
            // Too long for the room given: cut, as the list cuts its own texts.
            int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
            wchar_t* whole = new wchar_t[static_cast<size_t>(length)];
            MultiByteToWideChar(CP_ACP, 0, text, -1, whole, length);
            std::memcpy(out, whole, static_cast<size_t>(item.cchTextMax - 1) * sizeof(wchar_t));
            out[item.cchTextMax - 1] = 0;
            delete[] whole;
        }
    } else {
        size_t room = static_cast<size_t>(item.cchTextMax - 1);
        size_t length = strnlen(text, room);
        std::memcpy(item.pszText, text, length);
        item.pszText[length] = 0;
    }
}

LRESULT custom_draw(NMLVCUSTOMDRAW* draw, const VirtualRows& rows) {
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        int row = static_cast<int>(draw->nmcd.dwItemSpec);
        if (row >= 0 && row < rows.count(rows.context)) {
            long colour = rows.text_colour(rows.context, row);
            if (colour >= 0) draw->clrText = static_cast<COLORREF>(colour);
        }
    }
    return CDRF_DODEFAULT;
}

bool starts_with(const char* text, const char* prefix, bool whole) {
    size_t n = std::strlen(prefix);
    if (whole) return lstrcmpiA(text, prefix) == 0;
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text,
                          static_cast<int>(strnlen(text, n)), prefix, static_cast<int>(n)) == CSTR_EQUAL;
}

LRESULT find_row(NMHDR* header, const VirtualRows& rows) {
    auto* find = reinterpret_cast<NMLVFINDITEMA*>(header);
    if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz) return -1;
    char prefix[260] = {};
    if (header->code == LVN_ODFINDITEMW)
        WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(find->lvfi.psz), -1, prefix,
                            sizeof prefix - 1, nullptr, nullptr);
    else
        std::strncpy(prefix, find->lvfi.psz, sizeof prefix - 1);
    const bool whole = !(find->lvfi.flags & LVFI_PARTIAL);
    const int n = rows.count(rows.context);
    const int start = find->iStart < 0 || find->iStart >= n ? 0 : find->iStart;
    for (int i = start; i < n; i++)
        if (starts_with(rows.text(rows.context, i, 0), prefix, whole)) return i;
    if (find->lvfi.flags & LVFI_WRAP)
        for (int i = 0; i < start; i++)
            if (starts_with(rows.text(rows.context, i, 0), prefix, whole)) return i;
    return -1;
}

}  // namespace

bool virtual_list_notify(NMHDR* header, const VirtualRows& rows, LRESULT* result) {
    switch (header->code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW:
        copy_text(header, rows);
        *result = 0;
        return true;
    case NM_CUSTOMDRAW:
        *result = custom_draw(reinterpret_cast<NMLVCUSTOMDRAW*>(header), rows);
        return true;
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
        *result = find_row(header, rows);
        return true;
    default:
        return false;
    }
}

void list_set_row_count(HWND list, int rows) {
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void list_set_selected(HWND list, int row, bool selected) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int list_focused_row(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void list_set_focused_row(HWND list, int row) {
    LVITEMA item{};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}
