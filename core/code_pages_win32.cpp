#include <windows.h>

#include <vector>

#include "core/code_pages.h"

bool sys_valid_code_page(int code_page) { return IsValidCodePage(static_cast<UINT>(code_page)) != 0; }

int sys_ansi_code_page() { return static_cast<int>(GetACP()); }

namespace {

bool to_wide(UINT code_page, std::string_view bytes, std::wstring* wide) {
    wide->clear();
    if (bytes.empty()) return true;
    int n = MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return false;
    wide->resize(static_cast<size_t>(n));
    return MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), wide->data(), n) == n;
}

bool from_wide(UINT code_page, const std::wstring& wide, const char* missing, std::string* bytes) {
    bytes->clear();
    if (wide.empty()) return true;
    // UTF-8 and a few other code pages take no default character.
    const char* fill = code_page == CP_UTF8 ? nullptr : missing;
    int n = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, fill, nullptr);
    if (n <= 0) return false;
    bytes->resize(static_cast<size_t>(n));
    return WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), bytes->data(), n, fill,
                               nullptr) == n;
}

}  // namespace

bool sys_convert_to_utf8(int code_page, std::string_view bytes, std::string* utf8) {
    std::wstring wide;
    utf8->clear();
    if (!IsValidCodePage(static_cast<UINT>(code_page)) || !to_wide(static_cast<UINT>(code_page), bytes, &wide))
        return false;
    return from_wide(CP_UTF8, wide, nullptr, utf8);
}

bool sys_convert_from_utf8(int code_page, std::string_view utf8, char missing, std::string* bytes) {
    std::wstring wide;
    bytes->clear();
    char fill[2] = {missing, 0};
    if (!IsValidCodePage(static_cast<UINT>(code_page)) || !to_wide(CP_UTF8, utf8, &wide)) return false;
    return from_wide(static_cast<UINT>(code_page), wide, fill, bytes);
}
