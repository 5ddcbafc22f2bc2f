#include "core/shell_programs.h"

int sys_find_executable(const char*, const char*, Array* program) {
    array_clear(program);
    return 31;
}

int sys_shell_open(const char*, const char*) { return 31; }
