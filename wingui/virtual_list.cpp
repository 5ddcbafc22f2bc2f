#include "wingui/virtual_list.h"

#include <cstring>
#include <string>

namespace {

std::wstring wide_of(const char* utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (n <= 1) return L"";
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

void copy_text(NMHDR* header, const VirtualRows& rows) {
    const bool wide = header->code == LVN_GETDISPINFOW;
    // The A and W forms differ only in the text pointer's type.
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
    LVITEMA& item = info->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const char* text = item.iItem >= 0 && item.iItem < rows.count(rows.context)
                           ? rows.text(rows.context, item.iItem, item.iSubItem)
                           : "";
    // Cut to the room given, as the list cuts its own texts; never inside
    // a pair of UTF-16 units.
    const std::wstring whole = wide_of(text);
    size_t length = whole.size();
    if (wide) {
        auto* out = reinterpret_cast<wchar_t*>(item.pszText);
        size_t room = static_cast<size_t>(item.cchTextMax - 1);
        if (length > room) length = room > 0 && IS_HIGH_SURROGATE(whole[room - 1]) ? room - 1 : room;
        std::memcpy(out, whole.data(), length * sizeof(wchar_t));
        out[length] = 0;
    } else {
        // A list that asks in the system's code page gets "?" for what it lacks.
        int n = WideCharToMultiByte(CP_ACP, 0, whole.c_str(), -1, item.pszText, item.cchTextMax, nullptr, nullptr);
        if (n == 0) {
            std::string bytes(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, whole.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
            WideCharToMultiByte(CP_ACP, 0, whole.c_str(), -1, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
            size_t room = static_cast<size_t>(item.cchTextMax - 1);
            size_t cut = strnlen(bytes.c_str(), room);
            std::memcpy(item.pszText, bytes.data(), cut);
            item.pszText[cut] = 0;
        }
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

bool starts_with(const char* text, const std::wstring& prefix, bool whole) {
    const std::wstring row = wide_of(text);
    if (whole) return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, row.c_str(), -1, prefix.c_str(), -1) == CSTR_EQUAL;
    int n = static_cast<int>(row.size() < prefix.size() ? row.size() : prefix.size());
    return row.size() >= prefix.size() &&
           CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, row.c_str(), n, prefix.c_str(),
                          static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

LRESULT find_row(NMHDR* header, const VirtualRows& rows) {
    auto* find = reinterpret_cast<NMLVFINDITEMA*>(header);
    if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz) return -1;
    std::wstring prefix;
    if (header->code == LVN_ODFINDITEMW) {
        prefix = reinterpret_cast<const wchar_t*>(find->lvfi.psz);
    } else {
        int n = MultiByteToWideChar(CP_ACP, 0, find->lvfi.psz, -1, nullptr, 0);
        if (n > 1) {
            prefix.resize(static_cast<size_t>(n));
            MultiByteToWideChar(CP_ACP, 0, find->lvfi.psz, -1, prefix.data(), n);
            prefix.resize(static_cast<size_t>(n - 1));
        }
    }
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

void list_use_wide_texts(HWND list) { SendMessageW(list, CCM_SETUNICODEFORMAT, TRUE, 0); }

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
