// This test program started again as a child process that runs one test in
// the current folder, so that a test can kill it at a moment it chooses
// (SIGKILL, TerminateProcess) and look at what it left on the disk.
#pragma once

#include <cstdint>

class TestChild {
public:
    // Starts the program with `--gtest_filter=<test>` (disabled tests
    // included), its output into the file `output` of the current folder.
    // False when it could not be started.
    bool start(const char* test, const char* output);
    // Whether it is still running; false once it has ended.
    bool running();
    // Kills it if it still runs and waits for its end (bounded). True when
    // it was still running, false when it had ended by itself.
    bool kill();
    // How it ended by itself: its exit code; -1 while it runs, when it was
    // killed, or when it ended by a signal.
    int exit_code() const { return exit_code_; }
    ~TestChild() { kill(); }

private:
    intptr_t process_ = 0;  // the process id, or its handle under Windows
    int exit_code_ = -1;
};
