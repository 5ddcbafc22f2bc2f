#include <spawn.h>

#include "core/processes.h"

extern char** environ;

int sys_start_program(const char* program) {
    char* argv[] = {const_cast<char*>(program), nullptr};
    pid_t pid;
    return posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) == 0 ? 0 : -1;
}
