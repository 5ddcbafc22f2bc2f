// The driver's steps on the controls of a window: texts read and set, check
// boxes, combo boxes and list boxes. Texts cross the process boundary in
// UTF-16: Wine hands the ANSI text of another process's edit control or
// list box over empty or cut short.
//
//   text <title> <id>               print a control's text
//   set-text <title> <id> <text>    set a control's text
//   wait-text <title> <id> <part> <ms>  wait until the control's text holds
//                                   the part; print it, CR and LF as \r \n
//   wait-shows <title> <id> <part> <ms>  the same, printing only the part
//                                   (the test reads the text elsewhere)
//   check <title> <id> 0|1          clear or tick a check box
//   checked <title> <id>            print whether a check box is ticked
//   enabled <title> <id>            print whether a control takes input
//   combo <title> <id>              print a combo box's items and its selection
//   combo-select <title> <id> <n>   choose entry n of a combo box, telling
//                                   its window as a user's choice does
//   listbox <title> <id>            print every entry of a list box
//   listbox-select <title> <id> <text>  select the list box entry of that text
//   listbox-index <title> <id> <n>  select entry n of a list box (-1: none)
//   tree-edit <title> <id> <path> <name>  begin renaming a tree item as a
//                                   slow second click would, and type the
//                                   name (a "keys enter" step ends it)
//   text-utf8 <title> <id>          print a control's text as UTF-8 in hex
//                                   (any script survives the pipe) and its
//                                   length in UTF-16 characters
//   window-count <title>            print how many windows have the title
//   send-message <title> <id> <msg> send a control message number msg with
//                                   both parameters 0 (no pointers cross
//                                   the processes), print its result, e.g.
//                                   LVM_GETBKCOLOR (4096) of a list view
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "driver.h"

namespace {

HWND need_control(const NextArgument& next) {
    HWND w = need_window(next());
    HWND control = GetDlgItem(w, std::atoi(next().c_str()));
    if (!control) fail("no such control");
    return control;
}

// The control's whole text, asked for by message: the control may belong to
// another process, whose texts GetWindowText does not fetch.
std::vector<wchar_t> control_text(HWND control) {
    LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    SendMessageW(control, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(wide.data()));
    return wide;
}

std::string wide_text(HWND control) { return ansi_of(control_text(control).data()); }

void text(const NextArgument& next) { std::printf("TEXT: %s\n", wide_text(need_control(next)).c_str()); }

void text_utf8(const NextArgument& next) {
    std::vector<wchar_t> wide = control_text(need_control(next));
    auto length = static_cast<long long>(wide.size()) - 1;
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> utf8(static_cast<size_t>(size > 0 ? size : 1));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, utf8.data(), size, nullptr, nullptr);
    std::printf("LENGTH: %lld\nUTF8: ", length);
    for (const char* p = utf8.data(); *p; p++) std::printf("%02x", static_cast<unsigned char>(*p));
    std::printf("\n");
}

BOOL CALLBACK count_titled(HWND w, LPARAM context) {
    auto* count = reinterpret_cast<std::pair<std::wstring, int>*>(context);
    wchar_t title[256] = {};
    GetWindowTextW(w, title, 256);
    if (IsWindowVisible(w) && count->first == title) count->second++;
    return TRUE;
}

void window_count(const NextArgument& next) { std::printf("WINDOWS: %d\n", window_count_of(next())); }

void set_text(const NextArgument& next) {
    HWND control = need_control(next);
    std::string value = next();
    std::vector<wchar_t> wide(value.size() + 1);
    MultiByteToWideChar(CP_ACP, 0, value.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.data()), SMTO_NORMAL, 5000,
                             &ignored))
        fail("control does not answer");
    std::printf("SET-TEXT: %s\n", one_line(value).c_str());
}

void wait_for_text(const NextArgument& next, bool print_text) {
    HWND control = need_control(next);
    std::string part = next();
    std::string shown;
    // The whole text comes across from the program's process each time:
    // asked for half as often as other conditions.
    if (!wait_until(
            std::atoi(next().c_str()),
            [&] {
                shown = wide_text(control);
                return shown.find(part) != std::string::npos;
            },
            100))
        fail("text never held \"" + part + "\": " + one_line(shown));
    if (print_text) std::printf("TEXT: %s\n", one_line(shown).c_str());
    else std::printf("SHOWS: %s\n", part.c_str());
}

void wait_text(const NextArgument& next) { wait_for_text(next, true); }
void wait_shows(const NextArgument& next) { wait_for_text(next, false); }

void check(const NextArgument& next) {
    HWND box = need_control(next);
    bool ticked = next() == "1";
    SendMessageA(box, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
    std::printf("CHECK: %d\n", ticked ? 1 : 0);
}

void checked(const NextArgument& next) {
    HWND box = need_control(next);
    std::printf("CHECKED: %d\n", SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
}

void enabled(const NextArgument& next) {
    HWND control = need_control(next);
    std::printf("ENABLED: %d\n", IsWindowEnabled(control) ? 1 : 0);
}

// Combo boxes and list boxes answer the same questions under different
// message numbers.
struct ListMessages {
    UINT count, length, text, selection;
    const char* selection_label;
};

void print_entries(HWND box, const ListMessages& m, const char* label) {
    int count = static_cast<int>(SendMessageA(box, m.count, 0, 0));
    for (int entry = 0; entry < count; entry++) {
        wchar_t wide[1024] = {};
        if (SendMessageW(box, m.length, static_cast<WPARAM>(entry), 0) < 1024)
            SendMessageW(box, m.text, static_cast<WPARAM>(entry), reinterpret_cast<LPARAM>(wide));
        std::printf("%s: %s\n", label, ansi_of(wide).c_str());
    }
    std::printf("%s: %d\n", m.selection_label, static_cast<int>(SendMessageA(box, m.selection, 0, 0)));
}

void combo(const NextArgument& next) {
    print_entries(need_control(next), {CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_GETCURSEL, "SELECTION"}, "ITEM");
}

void listbox(const NextArgument& next) {
    print_entries(need_control(next), {LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_GETCURSEL, "LISTBOX-SELECTION"},
                  "ENTRY");
}

void combo_select(const NextArgument& next) {
    HWND box = need_control(next);
    int index = std::atoi(next().c_str());
    if (index >= static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0))) fail("no combo box entry " + std::to_string(index));
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // CB_SETCURSEL alone does not notify; a choice made with the mouse does.
    SendMessageA(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    std::printf("SELECTED-INDEX: %d\n", index);
}

void listbox_select(const NextArgument& next) {
    HWND box = need_control(next);
    std::string text = next();
    LRESULT found =
        SendMessageA(box, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    if (found == LB_ERR) fail("no list box entry \"" + text + "\"");
    SendMessageA(box, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
    std::printf("SELECTED: %s\n", text.c_str());
}

void listbox_index(const NextArgument& next) {
    HWND box = need_control(next);
    int index = std::atoi(next().c_str());
    if (index >= static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0))) fail("no list box entry " + std::to_string(index));
    SendMessageA(box, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    std::printf("SELECTED-INDEX: %d\n", index);
}

void send_message(const NextArgument& next) {
    HWND control = need_control(next);
    UINT number = static_cast<UINT>(std::strtoul(next().c_str(), nullptr, 0));
    std::printf("MESSAGE: %lld\n", static_cast<long long>(SendMessageA(control, number, 0, 0)));
}

void tree_edit(const NextArgument& next) {
    HWND w = need_window(next());
    HWND tree = GetDlgItem(w, std::atoi(next().c_str()));
    std::string path = next(), name = next();
    HTREEITEM item = tree ? find_tree_item(tree, path) : nullptr;
    if (!item) fail("no tree item " + path);
    SetForegroundWindow(w);
    SetFocus(tree);
    auto edit = reinterpret_cast<HWND>(SendMessageA(tree, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item)));
    if (!edit) fail("the tree refused to edit " + path);
    std::wstring wide(name.begin(), name.end());
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    std::printf("EDITING: %s\n", path.c_str());
}

struct ControlStep {
    const char* name;
    void (*run)(const NextArgument& next);
};

constexpr ControlStep steps[] = {
    {"text", text},       {"set-text", set_text},  {"wait-text", wait_text}, {"wait-shows", wait_shows},         {"check", check},
    {"checked", checked}, {"enabled", enabled}, {"combo", combo},        {"listbox", listbox},             {"listbox-select", listbox_select},
    {"listbox-index", listbox_index}, {"send-message", send_message}, {"combo-select", combo_select},
    {"tree-edit", tree_edit}, {"text-utf8", text_utf8}, {"window-count", window_count},
};

}  // namespace

int window_count_of(const std::string& title) {
    std::pair<std::wstring, int> count{std::wstring(title.begin(), title.end()), 0};
    EnumWindows(count_titled, reinterpret_cast<LPARAM>(&count));
    return count.second;
}

bool run_control_step(const std::string& step, const NextArgument& next) {
    for (const ControlStep& s : steps) {
        if (step == s.name) {
            s.run(next);
            return true;
        }
    }
    return false;
}
