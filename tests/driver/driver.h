// What the driver's steps share: failing a step, finding a window of the
// program under test, and texts read from another process.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

// Prints "FAIL: why", ends the started program and its children, exits 1.
[[noreturn]] void fail(const std::string& why);
// A visible top-level window of that title, waited for; fails without one.
HWND need_window(const std::string& title);
// Wide text as the driver prints it.
std::string ansi_of(const wchar_t* wide);
// CR and LF shown as \r and \n: one output line per text.
std::string one_line(const std::string& text);

// The next argument of the step being run.
using NextArgument = std::function<std::string()>;
// Runs the step when it is one of the control steps; false when it is not.
bool run_control_step(const std::string& step, const NextArgument& next);

// Polls the condition every `period` milliseconds until it holds (true) or
// the milliseconds are up.
bool wait_until(int ms, const std::function<bool()>& holds, int period = 50);
// Runs the step when it is one of the waiting steps; false when it is not.
bool run_wait_step(const std::string& step, const NextArgument& next);
// How many visible top-level windows have the title.
int window_count_of(const std::string& title);
// The folder of the program that "start" started (where its log is).
extern std::string started_folder;

// Runs the step when it is one of the mouse steps; false when it is not.
bool run_mouse_step(const std::string& step, const NextArgument& next);
// The same for the steps on a window's frame, and on a program's resources.
bool run_window_step(const std::string& step, const NextArgument& next);
bool run_resource_step(const std::string& step, const NextArgument& next);
// And the check of each control's text against its room.
bool run_fit_step(const std::string& step, const NextArgument& next);
// The tree item of a relative path ("inbox\\lists"), expanding on the way.
HTREEITEM find_tree_item(HWND tree, const std::string& path);
// The rectangle of a list view's row, asked in the list's process.
bool list_row_rect(HWND list, int row, RECT* out);

extern PROCESS_INFORMATION started;

// Memory in the client's process for the controls' structures, which must
// live where the control is.
struct Remote {
    HANDLE process;
    char* base;
    explicit Remote(size_t size, DWORD pid = started.dwProcessId) {
        process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        base = static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
        if (!base) fail("cannot reach the program's memory");
    }
    ~Remote() {
        VirtualFreeEx(process, base, 0, MEM_RELEASE);
        CloseHandle(process);
    }
    void put(size_t at, const void* data, size_t n) { WriteProcessMemory(process, base + at, data, n, nullptr); }
    void get(size_t at, void* data, size_t n) { ReadProcessMemory(process, base + at, data, n, nullptr); }
};

// A list view cell's text in UTF-8, asked in the list's process through a
// buffer of list_text_bytes in its memory: the caller's, or one of its own.
constexpr size_t list_text_bytes = sizeof(LVITEMW) + 2048;
std::string list_text(HWND list, int row, int column, Remote& remote);
std::string list_text(HWND list, int row, int column);

// Prints a shell link's target and description.
void print_shortcut(const std::string& path);
