// Test driver for the end-to-end tests: starts a program, finds its windows,
// sends them commands and keys, reads and answers its message boxes, and
// waits for it to end. Steps come as arguments and run in order; each prints
// one line that the tests read. A failed step prints "FAIL: ..." and the
// driver exits with 1.
//
//   start <exe> <argument text>     start the program; the argument text is
//                                   the command-line remainder, verbatim
//   window <title> <ms>             wait for a visible top-level window
//   msgbox <caption> <ms> [button]  wait for a message box, print its text,
//                                   press ok (default), yes or no
//   no-msgbox <caption> <ms>        fail if a message box shows up in time
//   command <title> <id>            post WM_COMMAND id to the window
//   send-command <title> <id>       send it and print the result, once the
//                                   command is handled (within 60 s)
//   close <title>                   post WM_CLOSE
//   keys <chord>                    type keys, e.g. ctrl+q
//   rect <title>                    print the window's rectangle and state,
//                                   and the screen's size
//   tree <title> <control id>       print every tree item, indented by depth
//   tree-select <title> <id> <path> select the tree item of a relative path
//   post-key <title> <id> <key>     post a key press to a control
//   list <title> <id>               print every row of a list view, columns
//                                   joined by " | ", in UTF-8
//   list-column <title> <id> <n>    print column n of every row of a list
//                                   view, one "CELL:" line each: a long list
//                                   read in a fraction of the time
//   list-select <title> <id> <row>  select one more row of a list view
//   column-click <title> <id> <n>   click the heading of column n
//   wait-exit <ms>                  wait for the program, print its exit code
//   sleep <ms>
//   clock                           print "CLOCK: <ms>", the system's tick count
//   no-window <title> <ms>          wait until no such window is visible
//   hidden-command <title> <id>     post WM_COMMAND id to the window, shown
//                                   or hidden (the client in the tray)
//   kill                            end the started program
//   shortcut <path>                 print a shortcut's target and description
//   any-process                     from here on, look for windows in every
//                                   process, not only the started program's
//
// The steps on a window's controls (texts, check boxes, combo and list
// boxes) are in control_steps.cpp, those with the mouse in mouse_steps.cpp,
// those on a window's frame in window_steps.cpp, those on a program file's
// resources in resource_steps.cpp, the check of texts against their
// controls in fit_steps.cpp, those that wait for a file, a log line, list
// rows or windows in wait_steps.cpp.
//
// Windows are looked for in the started program and in every process it
// started, and theirs in turn: the client shows its file dialogs from a
// helper process of its own. A common file dialog is told from a message
// box of the same title by its file name box (1148).
//
//   file-dialog <title> <ms>        wait for a common file dialog
//   file-name <title> <name>        put the name into its file name box, then
//                                   post OK (posted: the dialog may ask a
//                                   question before it returns)
//   file-cancel <title>             post Cancel to the file dialog
//   file-folder <title>             print the folder the dialog shows
//   replace <title> <ms> yes|no     answer the message box that the file
//                                   dialog owns (the question before
//                                   replacing a file), printing its text
//                                   with CR and LF as \r \n
//   process <exe>                   print how many processes of that file
//                                   name run (any process, case ignored)
//   no-process <exe> <ms>           wait until no process of that name runs
//   kill-process <exe>              end the started program's descendants
//                                   of that name, print how many
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver.h"
#include "processes.h"

PROCESS_INFORMATION started{};
std::string started_folder;
// Set by "any-process": windows are looked for in every process.
bool any_process = false;

namespace {

// The started program and every process descended from it.
std::vector<DWORD> family() { return started.dwProcessId ? process_tree(started.dwProcessId) : std::vector<DWORD>{}; }

// Ends the started program's descendants of that file name (of any name
// when empty).
int end_descendants(const std::string& exe) { return end_descendants_of(started.dwProcessId, exe); }

}  // namespace

// A control's text asked for in UTF-16: Wine hands the ANSI text of an edit
// control or a list box in another process over empty or cut short.
std::string ansi_of(const wchar_t* wide) {
    int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.resize(static_cast<size_t>(size) - 1);
    return text;
}

// CR and LF shown as \r and \n: one output line per text.
std::string one_line(const std::string& text) {
    std::string shown;
    for (char c : text) shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    return shown;
}

// A failed step ends the started program and the processes it started too:
// left running, they would keep the test's output pipe open and the test
// waiting.
[[noreturn]] void fail(const std::string& why) {
    std::printf("FAIL: %s\n", why.c_str());
    std::fflush(stdout);
    if (started.hProcess) {
        end_descendants("");
        TerminateProcess(started.hProcess, 9);
    }
    std::exit(1);
}

namespace {

std::string window_text(HWND w) {
    char buffer[8192] = {};
    GetWindowTextA(w, buffer, sizeof buffer);
    return buffer;
}

std::string class_of(HWND w) {
    char buffer[256] = {};
    GetClassNameA(w, buffer, sizeof buffer);
    return buffer;
}

constexpr int file_name_box = 1148;

BOOL CALLBACK visit_box_child(HWND child, LPARAM p) {
    // A message box holds its text and icon and its push buttons (IDOK to
    // IDCONTINUE), nothing else.
    std::string kind = class_of(child);
    int id = GetDlgCtrlID(child);
    bool box_part = kind == "Static" || (kind == "Button" && id >= IDOK && id <= IDCONTINUE);
    if (!box_part) *reinterpret_cast<bool*>(p) = false;
    return box_part;
}

bool is_message_box(HWND w) {
    if (class_of(w) != "#32770" || !GetDlgItem(w, 0xFFFF)) return false;
    bool only_box_parts = true;
    EnumChildWindows(w, visit_box_child, reinterpret_cast<LPARAM>(&only_box_parts));
    return only_box_parts;
}

struct Search {
    std::string title;
    bool message_box;
    HWND found;
    bool hidden_too = false;
    bool file_dialog = false;
    HWND owner = nullptr;  // when set, a window it owns, of any title
    std::vector<DWORD> pids = family();
};

BOOL CALLBACK visit_window(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if ((!any_process && !contains(s->pids, pid)) || (!IsWindowVisible(w) && !s->hidden_too)) return TRUE;
    if (s->owner ? GetWindow(w, GW_OWNER) != s->owner : window_text(w) != s->title) return TRUE;
    bool is_box = is_message_box(w);
    // A dialog and the message boxes it shows may share a title.
    if (s->message_box != is_box) return TRUE;
    if (s->file_dialog && !GetDlgItem(w, file_name_box)) return TRUE;
    s->found = w;
    return FALSE;
}

HWND wait_search(Search s, int ms) {
    wait_until(ms, [&] {
        s.pids = family();
        EnumWindows(visit_window, reinterpret_cast<LPARAM>(&s));
        return s.found != nullptr;
    });
    return s.found;
}

HWND find_window(const std::string& title, bool message_box) { return wait_search({title, message_box, nullptr}, 0); }

HWND wait_window(const std::string& title, bool message_box, int ms) {
    return wait_search({title, message_box, nullptr}, ms);
}

HWND wait_file_dialog(const std::string& title, int ms) {
    Search s{title, false, nullptr};
    s.file_dialog = true;
    HWND w = wait_search(s, ms);
    if (!w) fail("no file dialog \"" + title + "\"");
    return w;
}

// Posted, not sent: OK may open a question the dialog waits on.
void post_button(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}


}  // namespace

HWND need_window(const std::string& title) {
    HWND w = wait_window(title, false, 10000);
    if (!w) fail("no window \"" + title + "\"");
    return w;
}

namespace {

void press(HWND box, const std::string& button) {
    int id = button == "yes" ? IDYES : button == "no" ? IDNO : IDOK;
    HWND b = GetDlgItem(box, id);
    if (!b && id == IDOK) b = GetDlgItem(box, IDCANCEL), id = IDCANCEL;
    if (!b) fail("message box has no button " + button);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(b));
}

void answer(HWND box, const std::string& button, bool escaped = false) {
    std::string text = window_text(GetDlgItem(box, 0xFFFF));
    std::printf("MSGBOX: %s\n", (escaped ? one_line(text) : text).c_str());
    press(box, button);
    // Let the box close before the next step looks for another.
    wait_until(2000, [&] { return !IsWindow(box); });
}

void start(const std::string& exe, const std::string& argument) {
    std::string command_line = "\"" + exe + "\"";
    if (!argument.empty()) command_line += " " + argument;
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back(0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    // The program runs in its own folder, as the client starts its companions.
    size_t slash = exe.find_last_of("\\/");
    std::string folder = exe.substr(0, slash == std::string::npos ? 0 : slash);
    // "M:" alone would name the drive's current folder, not its root.
    if (folder.size() == 2 && folder[1] == ':') folder += "\\";
    started_folder = folder;
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &started))
        fail("cannot start " + exe + " (error " + std::to_string(GetLastError()) + ")");
    WaitForInputIdle(started.hProcess, 10000);
    std::printf("STARTED: %lu\n", started.dwProcessId);
}

WORD key_code(const std::string& name);

void type_keys(const std::string& chord) {
    std::vector<WORD> modifiers;
    std::string rest = chord;
    for (;;) {
        size_t plus = rest.find('+');
        if (plus == std::string::npos) break;
        std::string m = rest.substr(0, plus);
        rest = rest.substr(plus + 1);
        modifiers.push_back(m == "ctrl" ? VK_CONTROL : m == "alt" ? VK_MENU : VK_SHIFT);
    }
    WORD key = key_code(rest);
    if (!key) fail("unknown key " + rest);
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(in);
    };
    for (WORD m : modifiers) add(m, false);
    add(key, false);
    add(key, true);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) add(*it, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    std::printf("KEYS: %s\n", chord.c_str());
}

std::string tree_label(HWND tree, HTREEITEM item) {
    Remote remote(sizeof(TVITEMA) + 512);
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = remote.base + sizeof(TVITEMA);
    tv.cchTextMax = 500;
    remote.put(0, &tv, sizeof tv);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.base));
    char text[512] = {};
    remote.get(sizeof(TVITEMA), text, 500);
    return text;
}

HTREEITEM tree_next(HWND tree, UINT relation, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

void print_tree(HWND tree, HTREEITEM item, int depth) {
    for (; item; item = tree_next(tree, TVGN_NEXT, item)) {
        std::printf("TREE: %s%s\n", std::string(2 * depth, ' ').c_str(), tree_label(tree, item).c_str());
        // Expand so that the children exist, then walk them.
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        print_tree(tree, tree_next(tree, TVGN_CHILD, item), depth + 1);
    }
}
}  // namespace

// A cell's text as the list shows it, asked in UTF-16 and printed as UTF-8,
// so that every character of any script comes through. The buffer in the
// program's memory is the caller's, so that a whole list is read through
// one: under Wine each step on another process's memory costs a round trip.
std::string list_text(HWND list, int row, int column, Remote& remote) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote.base + sizeof(LVITEMW));
    item.cchTextMax = 1000;
    remote.put(0, &item, sizeof item);
    const LRESULT length =
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.base));
    wchar_t text[1001] = {};
    // Only the characters the list gave, and their end.
    const size_t chars = static_cast<size_t>(std::clamp<LRESULT>(length, 0, 999)) + 1;
    remote.get(sizeof(LVITEMW), text, chars * sizeof(wchar_t));
    text[1000] = 0;
    char utf8[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
    return utf8;
}

std::string list_text(HWND list, int row, int column) {
    Remote remote(list_text_bytes);
    return list_text(list, row, column, remote);
}

HTREEITEM find_tree_item(HWND tree, const std::string& path) {
    HTREEITEM item = tree_next(tree, TVGN_ROOT, nullptr);
    size_t start = 0;
    for (;;) {
        size_t end = path.find('\\', start);
        std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        while (item && tree_label(tree, item) != part) item = tree_next(tree, TVGN_NEXT, item);
        if (!item || end == std::string::npos) return item;
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        item = tree_next(tree, TVGN_CHILD, item);
        start = end + 1;
    }
}

bool list_row_rect(HWND list, int row, RECT* out) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    Remote remote(sizeof(RECT), pid);
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    remote.put(0, &r, sizeof r);
    if (!SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.base)))
        return false;
    remote.get(0, out, sizeof *out);
    return true;
}

namespace {

WORD key_code(const std::string& name) {
    return name.size() == 1 ? static_cast<WORD>(VkKeyScanA(name[0]) & 0xFF)
           : name == "enter"  ? VK_RETURN
           : name == "delete" ? VK_DELETE
           : name == "insert" ? VK_INSERT
           : name == "f9"     ? VK_F9
           : name == "down"   ? VK_DOWN
           : name == "escape" ? VK_ESCAPE
                              : 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    size_t i = 0;
    auto next = [&]() -> std::string {
        if (i >= args.size()) fail("missing argument");
        return args[i++];
    };
    while (i < args.size()) {
        std::string step = next();
        if (run_control_step(step, next) || run_mouse_step(step, next) || run_window_step(step, next) ||
            run_resource_step(step, next) || run_fit_step(step, next) || run_wait_step(step, next)) {
        } else if (step == "shortcut") {
            print_shortcut(next());
        } else if (step == "any-process") {
            any_process = true;
            std::printf("ANY-PROCESS\n");
        } else if (step == "start") {
            std::string exe = next();
            start(exe, next());
        } else if (step == "window") {
            std::string title = next();
            HWND w = wait_window(title, false, std::atoi(next().c_str()));
            if (!w) fail("no window \"" + title + "\"");
            std::printf("WINDOW: %s\n", title.c_str());
        } else if (step == "msgbox") {
            std::string caption = next();
            int ms = std::atoi(next().c_str());
            std::string button = "ok";
            if (i < args.size() && (args[i] == "ok" || args[i] == "yes" || args[i] == "no")) button = next();
            HWND box = wait_window(caption, true, ms);
            if (!box) fail("no message box \"" + caption + "\"");
            answer(box, button);
        } else if (step == "no-msgbox") {
            std::string caption = next();
            if (HWND box = wait_window(caption, true, std::atoi(next().c_str())))
                fail("unexpected message box: " + window_text(GetDlgItem(box, 0xFFFF)));
            std::printf("NO-MSGBOX: %s\n", caption.c_str());
        } else if (step == "command" || step == "send-command") {
            HWND w = need_window(next());
            int id = std::atoi(next().c_str());
            if (step == "command") {
                PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, 0), 0);
                std::printf("COMMAND: %d\n", id);
            } else {
                // Returns once the command is handled; a command that opens
                // a modal box would hold the driver until the time is up.
                DWORD_PTR r = 0;
                if (!SendMessageTimeoutA(w, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, 60000, &r))
                    fail("command " + std::to_string(id) + " not handled within 60 s");
                std::printf("RESULT: %lld\n", static_cast<long long>(static_cast<LRESULT>(r)));
            }
        } else if (step == "close") {
            PostMessageA(need_window(next()), WM_CLOSE, 0, 0);
            std::printf("CLOSE\n");
        } else if (step == "keys") {
            type_keys(next());
        } else if (step == "rect") {
            HWND w = need_window(next());
            RECT r;
            GetWindowRect(w, &r);
            std::printf("RECT: %ld %ld %ld %ld zoomed=%d screen=%dx%d\n", r.left, r.top, r.right, r.bottom,
                        IsZoomed(w) ? 1 : 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        } else if (step == "tree") {
            HWND w = need_window(next());
            HWND tree = GetDlgItem(w, std::atoi(next().c_str()));
            print_tree(tree, tree_next(tree, TVGN_ROOT, nullptr), 0);
        } else if (step == "tree-select") {
            HWND w = need_window(next());
            HWND tree = GetDlgItem(w, std::atoi(next().c_str()));
            std::string path = next();
            HTREEITEM item = find_tree_item(tree, path);
            if (!item) fail("no tree item " + path);
            SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
            std::printf("SELECTED: %s\n", path.c_str());
        } else if (step == "post-key") {
            HWND w = need_window(next());
            HWND control = GetDlgItem(w, std::atoi(next().c_str()));
            WORD key = key_code(next());
            if (!control || !key) fail("no such control or key");
            PostMessageA(control, WM_KEYDOWN, key, 1);
            PostMessageA(control, WM_KEYUP, key, 0xC0000001);
            std::printf("POSTED-KEY\n");
        } else if (step == "list") {
            HWND w = need_window(next());
            HWND list = GetDlgItem(w, std::atoi(next().c_str()));
            int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            Remote remote(list_text_bytes);
            for (int row = 0; row < rows; row++) {
                std::string line;
                for (int column = 0; column < 6; column++)
                    line += (column ? " | " : "") + list_text(list, row, column, remote);
                std::printf("ROW: %s\n", line.c_str());
            }
        } else if (step == "list-column") {
            HWND w = need_window(next());
            HWND list = GetDlgItem(w, std::atoi(next().c_str()));
            const int column = std::atoi(next().c_str());
            int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            Remote remote(list_text_bytes);
            for (int row = 0; row < rows; row++) std::printf("CELL: %s\n", list_text(list, row, column, remote).c_str());
        } else if (step == "list-select") {
            HWND w = need_window(next());
            HWND list = GetDlgItem(w, std::atoi(next().c_str()));
            int row = std::atoi(next().c_str());
            Remote remote(sizeof(LVITEMA));
            LVITEMA item{};
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            item.state = LVIS_SELECTED | LVIS_FOCUSED;
            remote.put(0, &item, sizeof item);
            SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.base));
            std::printf("SELECTED-ROW: %d\n", row);
        } else if (step == "column-click") {
            // A real click on the heading: notifications cannot be sent
            // from another process.
            HWND w = need_window(next());
            HWND list = GetDlgItem(w, std::atoi(next().c_str()));
            int column = std::atoi(next().c_str());
            HWND heading = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
            int x = 8;
            for (int c = 0; c < column; c++) x += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, c, 0));
            RECT r;
            GetWindowRect(heading, &r);
            SetForegroundWindow(w);
            Sleep(700);  // never close enough to the last click to make a double click
            SetCursorPos(r.left + x, r.top + (r.bottom - r.top) / 2);
            INPUT clicks[2] = {};
            clicks[0].type = clicks[1].type = INPUT_MOUSE;
            clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            SendInput(2, clicks, sizeof(INPUT));
            Sleep(300);
            std::printf("CLICKED-COLUMN: %d\n", column);
        } else if (step == "wait-exit") {
            DWORD r = WaitForSingleObject(started.hProcess, static_cast<DWORD>(std::atoi(next().c_str())));
            if (r != WAIT_OBJECT_0) fail("program still running");
            DWORD code = 0;
            GetExitCodeProcess(started.hProcess, &code);
            std::printf("EXIT: %lu\n", code);
        } else if (step == "clock") {
            // For timings: the milliseconds since the system started.
            std::printf("CLOCK: %llu\n", static_cast<unsigned long long>(GetTickCount64()));
        } else if (step == "sleep") {
            Sleep(static_cast<DWORD>(std::atoi(next().c_str())));
        } else if (step == "hidden-command") {
            Search search{next(), false, nullptr, true};
            EnumWindows(visit_window, reinterpret_cast<LPARAM>(&search));
            if (!search.found) fail("no window \"" + search.title + "\"");
            int id = std::atoi(next().c_str());
            PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(id, 0), 0);
            std::printf("COMMAND: %d\n", id);
        } else if (step == "no-window") {
            std::string title = next();
            if (!wait_until(std::atoi(next().c_str()), [&] { return !find_window(title, false); }))
                fail("window \"" + title + "\" still there");
            std::printf("GONE: %s\n", title.c_str());
        } else if (step == "file-dialog") {
            std::string title = next();
            wait_file_dialog(title, std::atoi(next().c_str()));
            std::printf("FILE-DIALOG: %s\n", title.c_str());
        } else if (step == "file-name") {
            HWND dialog = wait_file_dialog(next(), 10000);
            std::string name = next();
            HWND box = GetDlgItem(dialog, file_name_box);
            HWND edit = FindWindowExA(box, nullptr, "Edit", nullptr);
            wchar_t wide[1024] = {};
            MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, 1024);
            DWORD_PTR ignored = 0;
            if (!SendMessageTimeoutW(edit ? edit : box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide), SMTO_NORMAL,
                                     5000, &ignored))
                fail("file dialog does not answer");
            post_button(dialog, IDOK);
            std::printf("FILE-NAME: %s\n", name.c_str());
        } else if (step == "file-cancel") {
            std::string title = next();
            post_button(wait_file_dialog(title, 10000), IDCANCEL);
            std::printf("FILE-CANCEL: %s\n", title.c_str());
        } else if (step == "file-folder") {
            // The dialog answers with a text in its own memory.
            HWND dialog = wait_file_dialog(next(), 10000);
            DWORD pid = 0;
            GetWindowThreadProcessId(dialog, &pid);
            Remote remote(MAX_PATH, pid);
            DWORD_PTR n = 0;
            SendMessageTimeoutA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(remote.base),
                                SMTO_NORMAL, 5000, &n);
            char folder[MAX_PATH + 1] = {};
            remote.get(0, folder, MAX_PATH);
            std::printf("FOLDER: %s\n", folder);
        } else if (step == "replace") {
            Search s{"", true, nullptr};
            s.owner = wait_file_dialog(next(), 10000);
            int ms = std::atoi(next().c_str());
            std::string button = next();
            if (button != "yes" && button != "no") fail("replace takes yes or no");
            HWND box = wait_search(s, ms);
            if (!box) fail("no question from the file dialog");
            answer(box, button, true);
        } else if (step == "process") {
            std::string exe = next();
            std::printf("PROCESS: %s %d\n", exe.c_str(), count_processes(exe));
        } else if (step == "no-process") {
            std::string exe = next();
            if (!wait_until(std::atoi(next().c_str()), [&] { return count_processes(exe) == 0; }))
                fail("process " + exe + " still running");
            std::printf("NO-PROCESS: %s\n", exe.c_str());
        } else if (step == "kill-process") {
            std::string exe = next();
            int n = end_descendants(exe);
            std::printf("KILLED: %s %d\n", exe.c_str(), n);
        } else if (step == "kill") {
            TerminateProcess(started.hProcess, 9);
            std::printf("KILLED\n");
        } else {
            fail("unknown step " + step);
        }
        std::fflush(stdout);
    }
    return 0;
}
