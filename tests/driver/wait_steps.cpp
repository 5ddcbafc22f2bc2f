// The driver's steps that wait for what a test needs to have happened, each
// within a bound, so that no test waits a fixed time:
//
//   wait-file <path> <part> <ms>    wait until the file holds the part after
//                                   the place where the last wait on it
//                                   found its part (so the next line of a
//                                   kind, e.g. a log line written again);
//                                   an empty part waits for the file (or
//                                   folder) alone
//   wait-log <part> <ms>            the same on zmlog.txt, the log in the
//                                   started program's folder
//   wait-rows <title> <id> <n> <ms> wait until a list view holds n rows
//   wait-cell <title> <id> <row> <column> <text> <ms>  wait until a list
//                                   view's cell shows the text (UTF-8)
//   wait-count <title> <n> <ms>     wait until n windows have the title
//   wait-control <title> <id> <ms>  wait until the window's control of that
//                                   id is shown (an edit begun in place, ...)
//   no-control <title> <id> <ms>    wait until it is hidden or gone
//   wait-process <exe> <ms>         wait until a process of that file name
//                                   runs (any process, case ignored)
//   wait-foreground <title> <ms>    wait until the window is the one that
//                                   takes the keyboard (typed keys reach it)
//   settle <title> <ms>             wait until the window's thread takes
//                                   messages again: what it was handling
//                                   (a command sent or a message box's
//                                   answer) has been handled; a window that
//                                   went away meanwhile counts as settled
//   double-click-gap                let the system's double-click time pass,
//                                   so that the next click is a click of
//                                   its own
//
// Each prints one line when its condition holds and fails when the time is
// up first.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "driver.h"
#include "processes.h"

namespace {

// Where the next wait on a file starts looking, by path.
std::map<std::string, size_t> looked_to;

// The whole file, or false when it cannot be read (not there yet). Read
// with every share mode: the program under test keeps writing it.
bool read_whole(const std::string& path, std::string* out) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    out->clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) out->append(buffer, got);
    CloseHandle(h);
    return true;
}

void wait_in_file(const std::string& path, const std::string& part, int ms) {
    size_t& from = looked_to[path];
    std::string text;
    bool found = wait_until(ms, [&] {
        if (part.empty()) return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!read_whole(path, &text)) return false;
        size_t at = text.find(part, from);
        if (at == std::string::npos) return false;
        from = at + part.size();
        return true;
    });
    if (!found) fail("\"" + part + "\" not in " + path);
    std::printf("FILE: %s\n", part.c_str());
}

void wait_file(const NextArgument& next) {
    std::string path = next(), part = next();
    wait_in_file(path, part, std::atoi(next().c_str()));
}

void wait_log(const NextArgument& next) {
    std::string part = next();
    wait_in_file(started_folder + "\\zmlog.txt", part, std::atoi(next().c_str()));
}

void wait_rows(const NextArgument& next) {
    std::string title = next();
    int id = std::atoi(next().c_str()), rows = std::atoi(next().c_str()), ms = std::atoi(next().c_str());
    HWND window = need_window(title);
    HWND list = GetDlgItem(window, id);
    if (!list) fail("no control " + std::to_string(id));
    if (!wait_until(ms, [&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == rows; }))
        fail("the list holds " + std::to_string(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) + " rows, not " +
             std::to_string(rows));
    std::printf("ROWS: %d\n", rows);
}

void wait_cell(const NextArgument& next) {
    std::string title = next();
    int id = std::atoi(next().c_str()), row = std::atoi(next().c_str()), column = std::atoi(next().c_str());
    std::string text = next();
    int ms = std::atoi(next().c_str());
    HWND list = GetDlgItem(need_window(title), id);
    if (!list) fail("no control " + std::to_string(id));
    if (!wait_until(ms, [&] { return list_text(list, row, column) == text; }))
        fail("row " + std::to_string(row) + " shows \"" + list_text(list, row, column) + "\", not \"" + text + "\"");
    std::printf("CELL: %s\n", text.c_str());
}

void wait_count(const NextArgument& next) {
    std::string title = next();
    int count = std::atoi(next().c_str()), ms = std::atoi(next().c_str());
    if (!wait_until(ms, [&] { return window_count_of(title) == count; }))
        fail(std::to_string(window_count_of(title)) + " windows \"" + title + "\", not " + std::to_string(count));
    std::printf("COUNT: %d\n", count);
}

void wait_control(const NextArgument& next, bool there) {
    std::string title = next();
    int id = std::atoi(next().c_str()), ms = std::atoi(next().c_str());
    HWND window = need_window(title);
    if (!wait_until(ms, [&] { return IsWindowVisible(GetDlgItem(window, id)) == (there ? TRUE : FALSE); }))
        fail((there ? "no control " : "still the control ") + std::to_string(id) + " shown in \"" + title + "\"");
    std::printf("%s: %d\n", there ? "CONTROL" : "NO-CONTROL", id);
}

void wait_process(const NextArgument& next) {
    std::string exe = next();
    if (!wait_until(std::atoi(next().c_str()), [&] { return count_processes(exe) > 0; }))
        fail("no process " + exe);
    std::printf("RUNS: %s\n", exe.c_str());
}

void wait_foreground(const NextArgument& next) {
    HWND window = need_window(next());
    if (!wait_until(std::atoi(next().c_str()), [&] { return GetForegroundWindow() == window; }))
        fail("the window is not in the foreground");
    std::printf("FOREGROUND\n");
}

void settle(const NextArgument& next) {
    HWND window = need_window(next());
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(std::atoi(next().c_str())),
                             &ignored) &&
        IsWindow(window))
        fail("the window's thread is still busy");
    std::printf("SETTLED\n");
}

}  // namespace

bool wait_until(int ms, const std::function<bool()>& holds, int period) {
    DWORD until = GetTickCount() + static_cast<DWORD>(ms);
    for (;;) {
        if (holds()) return true;
        if (static_cast<int>(until - GetTickCount()) <= 0) return false;
        Sleep(static_cast<DWORD>(period));
    }
}

bool run_wait_step(const std::string& step, const NextArgument& next) {
    if (step == "wait-file") wait_file(next);
    else if (step == "wait-log") wait_log(next);
    else if (step == "wait-rows") wait_rows(next);
    else if (step == "wait-count") wait_count(next);
    else if (step == "wait-cell") wait_cell(next);
    else if (step == "wait-control") wait_control(next, true);
    else if (step == "no-control") wait_control(next, false);
    else if (step == "settle") settle(next);
    else if (step == "wait-foreground") wait_foreground(next);
    else if (step == "wait-process") wait_process(next);
    else if (step == "double-click-gap") Sleep(GetDoubleClickTime() + 100);
    else return false;
    return true;
}
