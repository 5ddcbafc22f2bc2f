// Other programs: the companion programs and the new-message command.
#pragma once

// Starts a program without waiting for it, looked up like a command; the
// whole text is its command line, the first word naming the program.
// Returns 0, or -1 when it could not be started.
int sys_start_program(const char* program);
