#include <windows.h>

#include <cstdint>

#include "core/shell_programs.h"

namespace {

using FindExecutableFunction = HINSTANCE(WINAPI*)(LPCSTR, LPCSTR, LPSTR);
using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);

// shell32 is taken when first asked for, so that the portable library does
// not make every program of the suite link against the shell.
template <typename Function>
Function shell_function(const char* name) {
    HMODULE shell = LoadLibraryA("shell32.dll");
    return shell ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(shell, name))) : nullptr;
}

}  // namespace

int sys_find_executable(const char* file, const char* directory, Array* program) {
    array_clear(program);
    static FindExecutableFunction find = shell_function<FindExecutableFunction>("FindExecutableA");
    if (!find) return 31;
    char result[MAX_PATH + 1] = {};
    auto code = static_cast<int>(reinterpret_cast<intptr_t>(find(file, directory, result)));
    if (code > 32) array_copy_at(program, 0, result, MAX_PATH);
    return code;
}

int sys_shell_open(const char* file, const char* directory) {
    static ShellExecuteFunction execute = shell_function<ShellExecuteFunction>("ShellExecuteA");
    if (!execute) return 31;
    return static_cast<int>(reinterpret_cast<intptr_t>(execute(nullptr, nullptr, file, nullptr, directory, SW_SHOW)));
}
