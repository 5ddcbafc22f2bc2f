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

// Texts longer than this replace the pane rather than its text: Wine takes
// seconds to empty a control of a long text.
constexpr LRESULT renew_above = 32768;
// Wine wraps one paragraph in time that grows with the square of its
// length (30,000 characters: 2.4 s; 500,000: minutes), so a paragraph is
// given a line break at its last space before this many characters. No
// one reads a paragraph that long as one; the file keeps its own lines.
constexpr size_t longest_paragraph = 2000;

std::wstring with_short_paragraphs(std::wstring text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        if (end - start <= longest_paragraph) {
            start = end + 1;
            continue;
        }
        size_t cut = text.rfind(L' ', start + longest_paragraph);
        if (cut == std::wstring::npos || cut <= start) {
            text.insert(start + longest_paragraph, L"\r\n");
            start += longest_paragraph + 2;
        } else {
            text.replace(cut, 1, L"\r\n");
            start = cut + 2;
        }
    }
    return text;
}

bool set_wide(HWND* pane, const std::wstring& wide) {
    if (GetWindowTextLengthW(*pane) > renew_above) *pane = rich_edit_renew(*pane);
    if (app.wide_api_available.load()) return rich_edit_set_wide(*pane, with_short_paragraphs(wide).c_str());
    return set_narrow(*pane, with_short_paragraphs(wide));
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
        set_wide(&pane, std::wstring());
        return false;
    }
    // The text stops at a zero byte, as the pane would stop there anyway.
    bytes.resize(std::char_traits<char>::length(bytes.c_str()));
    std::wstring text = utf8_to_wide(lead) + to_wide(code_page, bytes);
    if (set_wide(&pane, text) || text.empty()) return true;
    set_wide(&pane, std::wstring());
    return false;
}

HWND set_pane_text(HWND pane, const std::string& utf8) {
    set_wide(&pane, utf8_to_wide(utf8));
    return pane;
}

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
