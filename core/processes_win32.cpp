#include <windows.h>

#include <process.h>

#include "core/processes.h"

int sys_start_program(const char* program) {
    return _spawnlp(_P_NOWAIT, program, program, nullptr) == -1 ? -1 : 0;
}
