#include "ui/text_loader.h"

#include "core/app_state.h"
#include "core/file_reads.h"
#include "wingui/edit.h"

namespace {

std::wstring to_wide(int code_page, const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    int size = static_cast<int>(bytes.size());
    int length = MultiByteToWideChar(static_cast<UINT>(code_page), 0, bytes.data(), size, nullptr, 0);
    if (length <= 0 && code_page != 20127) {
        // A code page the system cannot read after all: US-ASCII, as for
        // one that is not installed.
        return to_wide(20127, bytes);
    }
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(static_cast<UINT>(code_page), 0, bytes.data(), size, wide.data(), length);
    return wide;
}

// The pane without the wide messages takes the system code page.
bool set_narrow(HWND pane, const std::wstring& wide) {
    int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                     nullptr);
    std::string bytes(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), length, nullptr,
                            nullptr);
    return rich_edit_stream_in(pane, bytes.data(), static_cast<int>(bytes.size()), false);
}

bool set_wide(HWND pane, const std::wstring& wide) {
    if (app.wide_api_available.load()) return rich_edit_set_wide(pane, wide.c_str());
    return set_narrow(pane, wide);
}

}  // namespace

std::wstring utf8_to_wide(const std::string& utf8) { return to_wide(CP_UTF8, utf8); }

std::string wide_to_utf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    int size = static_cast<int>(wide.size());
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

bool load_text_file(HWND pane, const char* path, int code_page, const std::string& lead) {
    std::string bytes;
    if (!read_whole_file(path, &bytes)) {
        set_wide(pane, std::wstring());
        return false;
    }
    // The text stops at a zero byte, as the pane would stop there anyway.
    bytes.resize(std::char_traits<char>::length(bytes.c_str()));
    std::wstring text = utf8_to_wide(lead) + to_wide(code_page, bytes);
    if (set_wide(pane, text) || text.empty()) return true;
    set_wide(pane, std::wstring());
    return false;
}

void set_pane_text(HWND pane, const std::string& utf8) { set_wide(pane, utf8_to_wide(utf8)); }

void append_pane_text(HWND pane, const std::string& utf8) {
    std::wstring wide = utf8_to_wide(utf8);
    if (app.wide_api_available.load()) {
        rich_edit_append_wide(pane, wide.c_str());
        return;
    }
    int length = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length > 0 ? length : 1), '\0');
    if (length > 0) WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, bytes.data(), length, nullptr, nullptr);
    edit_append(pane, bytes.c_str());
}
