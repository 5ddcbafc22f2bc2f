#include <windows.h>

#include <process.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/processes.h"

int sys_start_program(const char* program) {
    return _spawnlp(_P_NOWAIT, program, program, nullptr) == -1 ? -1 : 0;
}

int sys_start_program_with(const char* program, const char* argument) {
    // The runtime joins the arguments with blanks as they are: quoted, the
    // path stays one argument of the program.
    std::string quoted = std::string("\"") + argument + "\"";
    return _spawnlp(_P_NOWAIT, program, program, quoted.c_str(), nullptr) == -1 ? -1 : 0;
}

int sys_run_command(const char* command_line, const EnvironmentVariable* variables, int count, int timeout_ms) {
    // The variables are set on this process, which the command inherits.
    for (int i = 0; i < count; i++) {
        const EnvironmentVariable& v = variables[i];
        if (!v.utf8) {
            SetEnvironmentVariableA(v.name, v.value);
            continue;
        }
        std::wstring name(v.name, v.name + std::strlen(v.name));  // names are ASCII
        std::wstring value(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, v.value, -1, nullptr, 0)), L'\0');
        if (!value.empty()) MultiByteToWideChar(CP_UTF8, 0, v.value, -1, value.data(), static_cast<int>(value.size()));
        SetEnvironmentVariableW(name.c_str(), value.c_str());
    }
    std::vector<char> line(command_line, command_line + std::strlen(command_line) + 1);
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return COMMAND_NOT_STARTED;
    DWORD waited = WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout_ms));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return waited == WAIT_TIMEOUT ? COMMAND_TIMED_OUT : COMMAND_FINISHED;
}
