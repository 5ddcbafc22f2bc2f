// Other programs: the companion programs and the new-message command.
#pragma once

// Starts a program without waiting for it, looked up like a command; the
// whole text is its command line, the first word naming the program.
// Returns 0, or -1 when it could not be started.
int sys_start_program(const char* program);
// The same with one argument, handed over whole however many blanks it
// holds (a message file in "maildir\sent items").
int sys_start_program_with(const char* program, const char* argument);

struct EnvironmentVariable {
    const char* name;
    const char* value;
    // The value is UTF-8 (a decoded subject or name): set through the wide
    // call, so that the command sees every character; otherwise the value is
    // in the system's code page.
    bool utf8 = false;
};

enum { COMMAND_FINISHED = 0, COMMAND_TIMED_OUT = 1, COMMAND_NOT_STARTED = -1 };

// Runs a command line with the given variables added to the environment and
// waits for it at most `timeout_ms`; a command still running then is left
// to run. Returns one of the values above.
int sys_run_command(const char* command_line, const EnvironmentVariable* variables, int count, int timeout_ms);
