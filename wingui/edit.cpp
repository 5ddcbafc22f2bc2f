#include "wingui/edit.h"

#include <richedit.h>

#include "wingui/colours.h"

void edit_select(HWND edit, int start, int end) {
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void edit_scroll_to_caret(HWND edit) { SendMessageA(edit, EM_SCROLLCARET, 0, 0); }

void edit_append(HWND edit, const char* text) {
    edit_select(edit, -1, 0);
    SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
    edit_scroll_to_caret(edit);
}

int edit_caret(HWND edit) {
    DWORD start = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
}

void edit_click_at(HWND edit, POINT inside) {
    SendMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(inside.x, inside.y));
    SendMessageA(edit, WM_LBUTTONUP, 0, MAKELPARAM(inside.x, inside.y));
}

namespace {

struct StreamSource {
    const char* text;
    LONG left;
};

DWORD CALLBACK read_source(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    LONG n = wanted < source->left ? wanted : source->left;
    for (LONG i = 0; i < n; i++) buffer[i] = static_cast<BYTE>(source->text[i]);
    source->text += n;
    source->left -= n;
    *given = n;
    return 0;
}

}  // namespace

bool rich_edit_stream_in(HWND rich, const char* text, int length, bool rtf) {
    StreamSource source{text, length < 0 ? 0 : length};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = read_source;
    LRESULT taken = SendMessageA(rich, EM_STREAMIN, rtf ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&stream));
    return stream.dwError == 0 && (taken > 0 || length == 0);
}

void rich_edit_detect_urls(HWND rich) {
    SendMessageA(rich, EM_AUTOURLDETECT, 1, 0);
    SendMessageA(rich, EM_SETEVENTMASK, 0, SendMessageA(rich, EM_GETEVENTMASK, 0, 0) | ENM_LINK);
}

bool wide_messages_available(HWND rich) {
    SetLastError(0);
    SendMessageW(rich, EM_GETLINECOUNT, 0, 0);
    return GetLastError() == 0;
}

void edit_limit(HWND window, int id, int characters) {
    SendDlgItemMessageA(window, id, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

namespace {

void raise_limit(HWND rich, size_t characters) {
    LPARAM limit = static_cast<LPARAM>(characters + 1 > 0x7FFFFFF0u ? 0x7FFFFFF0u : characters + 1);
    if (SendMessageW(rich, EM_GETLIMITTEXT, 0, 0) < limit) SendMessageW(rich, EM_EXLIMITTEXT, 0, limit);
}

}  // namespace

bool rich_edit_set_wide(HWND rich, const wchar_t* text) {
    raise_limit(rich, lstrlenW(text));
    SETTEXTEX how{ST_DEFAULT, 1200};
    return SendMessageW(rich, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(text)) != 0;
}

void rich_edit_append_wide(HWND rich, const wchar_t* text) {
    GETTEXTLENGTHEX how{GTL_NUMCHARS, 1200};
    LRESULT length = SendMessageW(rich, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0);
    raise_limit(rich, static_cast<size_t>(length) + lstrlenW(text));
    CHARRANGE end{static_cast<LONG>(length), static_cast<LONG>(length)};
    SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    SendMessageW(rich, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
}

std::wstring window_text_wide(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

std::wstring rich_edit_range_wide(HWND rich, long first, long last) {
    if (last <= first) return std::wstring();
    std::wstring text(static_cast<size_t>(last - first) + 1, L'\0');
    TEXTRANGEW range{{first, last}, text.data()};
    LRESULT got = SendMessageW(rich, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

HWND rich_edit_renew(HWND rich) {
    HWND parent = GetParent(rich);
    wchar_t kind[64] = {};
    GetClassNameW(rich, kind, 64);
    RECT box;
    GetWindowRect(rich, &box);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&box), 2);
    auto style = static_cast<DWORD>(GetWindowLongPtrW(rich, GWL_STYLE));
    auto extended = static_cast<DWORD>(GetWindowLongPtrW(rich, GWL_EXSTYLE));
    HWND renewed = CreateWindowExW(extended, kind, L"", style, box.left, box.top, box.right - box.left,
                                   box.bottom - box.top, parent, reinterpret_cast<HMENU>(GetWindowLongPtrW(rich, GWLP_ID)),
                                   reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(rich, GWLP_HINSTANCE)), nullptr);
    if (!renewed) return rich;
    SetWindowPos(renewed, rich, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(renewed, WM_SETFONT, SendMessageW(rich, WM_GETFONT, 0, 0), FALSE);
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(rich, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    SendMessageW(renewed, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    if (HANDLE back = GetPropW(rich, rich_background_property))
        rich_edit_set_background(renewed, static_cast<COLORREF>(reinterpret_cast<INT_PTR>(back) - 1));
    SendMessageW(renewed, EM_EXLIMITTEXT, 0, SendMessageW(rich, EM_GETLIMITTEXT, 0, 0));
    SendMessageW(renewed, EM_AUTOURLDETECT, SendMessageW(rich, EM_GETAUTOURLDETECT, 0, 0), 0);
    SendMessageW(renewed, EM_SETEVENTMASK, 0, SendMessageW(rich, EM_GETEVENTMASK, 0, 0));
    bool focused = GetFocus() == rich;
    RemovePropW(rich, rich_background_property);
    DestroyWindow(rich);
    if (focused) SetFocus(renewed);
    return renewed;
}
