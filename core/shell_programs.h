// The shell's file associations: which program opens a file.
#pragma once

#include "core/arrays.h"

// Asks the shell for the program associated with the file (looked up from
// `directory`) and puts its path (at most 260 characters) into `program`,
// cleared first. Returns the shell's code: above 32 when a program was
// found, 31 when the file type has no association. Sides without shell
// associations always answer 31.
int sys_find_executable(const char* file, const char* directory, Array* program);

// Opens the file with its associated program (the default verb, `directory`
// as the working folder, shown normally). Returns the shell's code: above 32
// on success, 31 when the file type has no association. Sides without shell
// associations always answer 31.
int sys_shell_open(const char* file, const char* directory);

// What opens a file with the shell: sys_shell_open until a test puts a
// recorder in its place (tests start no browser); null restores it.
using ShellOpener = int (*)(const char* file, const char* directory);
void shell_install(ShellOpener opener);
int shell_open(const char* file, const char* directory);
