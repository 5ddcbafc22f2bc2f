#include <windows.h>

#include <cstdint>

#include "core/shell_programs.h"

namespace {

using FindExecutableFunction = HINSTANCE(WINAPI*)(LPCSTR, LPCSTR, LPSTR);

// shell32 is taken when first asked for, so that the portable library does
// not make every program of the suite link against the shell.
FindExecutableFunction find_executable_function() {
    static FindExecutableFunction function = [] {
        HMODULE shell = LoadLibraryA("shell32.dll");
        return shell ? reinterpret_cast<FindExecutableFunction>(
                           reinterpret_cast<void*>(GetProcAddress(shell, "FindExecutableA")))
                     : nullptr;
    }();
    return function;
}

}  // namespace

int sys_find_executable(const char* file, const char* directory, Array* program) {
    array_clear(program);
    FindExecutableFunction find = find_executable_function();
    if (!find) return 31;
    char result[MAX_PATH + 1] = {};
    auto code = static_cast<int>(reinterpret_cast<intptr_t>(find(file, directory, result)));
    if (code > 32) array_copy_at(program, 0, result, MAX_PATH);
    return code;
}
