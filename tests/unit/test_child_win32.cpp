#include <windows.h>

#include <string>

#include "tests/unit/test_child.h"

bool TestChild::start(const char* test, const char* output) {
    kill();
    char program[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, program, sizeof program);
    if (n == 0 || n >= sizeof program) return false;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE out = CreateFileA(output, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    std::string line =
        std::string("\"") + program + "\" --gtest_filter=" + test + " --gtest_also_run_disabled_tests";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION started{};
    // The current folder is the child's too.
    BOOL made = CreateProcessA(program, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started);
    CloseHandle(out);
    if (!made) return false;
    CloseHandle(started.hThread);
    process_ = reinterpret_cast<intptr_t>(started.hProcess);
    exit_code_ = -1;
    return true;
}

bool TestChild::running() {
    if (process_ == 0) return false;
    HANDLE process = reinterpret_cast<HANDLE>(process_);
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) return true;
    DWORD code = 0;
    exit_code_ = GetExitCodeProcess(process, &code) ? static_cast<int>(code) : -1;
    CloseHandle(process);
    process_ = 0;
    return false;
}

bool TestChild::kill() {
    if (!running()) return false;
    HANDLE process = reinterpret_cast<HANDLE>(process_);
    TerminateProcess(process, 9);
    WaitForSingleObject(process, 30000);
    CloseHandle(process);
    process_ = 0;
    return true;
}
