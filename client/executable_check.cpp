#include "client/executable_check.h"

#include <cstring>

#include "core/app_state.h"
#include "core/arrays.h"
#include "core/shell_programs.h"
#include "format/ascii_case.h"

int is_executable_file(const char* path) {
    Array* program = array_new(261);
    const char* folder = app.program_folder && app.program_folder->text[0] ? app.program_folder->text : ".";
    sys_find_executable(path, folder, program);
    // Windows drops trailing dots and spaces from a file name, so "run.exe."
    // is run.exe: compare what the name will be.
    size_t name_length = std::strlen(path);
    while (name_length > 0 && (path[name_length - 1] == '.' || path[name_length - 1] == ' ')) name_length--;
    size_t program_length = std::strlen(program->text);
    int result = 0;
    if (name_length <= 3 || program_length <= 3 ||
        equal_nocase_n(path + name_length - 4, program->text + program_length - 4, 4))
        result = 1;
    delete_arrays(program);
    return result;
}
