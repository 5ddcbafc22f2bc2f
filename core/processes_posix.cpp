#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/processes.h"

extern char** environ;

int sys_start_program(const char* program) {
    char* argv[] = {const_cast<char*>(program), nullptr};
    pid_t pid;
    return posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) == 0 ? 0 : -1;
}

int sys_start_program_with(const char* program, const char* argument) {
    char* argv[] = {const_cast<char*>(program), const_cast<char*>(argument), nullptr};
    pid_t pid;
    return posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) == 0 ? 0 : -1;
}

int sys_run_command(const char* command_line, const EnvironmentVariable* variables, int count, int timeout_ms) {
    std::vector<std::string> entries;
    for (char** e = environ; *e; e++) {
        bool replaced = false;
        for (int i = 0; i < count; i++) {
            size_t n = std::strlen(variables[i].name);
            if (std::strncmp(*e, variables[i].name, n) == 0 && (*e)[n] == '=') replaced = true;
        }
        if (!replaced) entries.push_back(*e);
    }
    for (int i = 0; i < count; i++) entries.push_back(std::string(variables[i].name) + "=" + variables[i].value);
    std::vector<char*> envp;
    for (std::string& e : entries) envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(command_line), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, envp.data()) != 0) return COMMAND_NOT_STARTED;
    for (int waited = 0;; waited += 10) {
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) return COMMAND_FINISHED;
        if (waited >= timeout_ms) return COMMAND_TIMED_OUT;
        timespec pause{0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}
