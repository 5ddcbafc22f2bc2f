#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "tests/unit/test_child.h"

bool TestChild::start(const char* test, const char* output) {
    kill();
    char program[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", program, sizeof program - 1);
    if (n <= 0) return false;
    program[n] = 0;
    // Everything the child needs is made before the fork: between the fork
    // and the exec only async-signal-safe calls are allowed.
    std::string filter = std::string("--gtest_filter=") + test;
    int out = open(output, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) return false;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out, 1);
        dup2(out, 2);
        execl(program, program, filter.c_str(), "--gtest_also_run_disabled_tests", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out);
    if (pid < 0) return false;
    process_ = pid;
    exit_code_ = -1;
    return true;
}

bool TestChild::running() {
    if (process_ == 0) return false;
    int status;
    pid_t ended = waitpid(static_cast<pid_t>(process_), &status, WNOHANG);
    if (ended == 0) return true;
    exit_code_ = ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    process_ = 0;
    return false;
}

bool TestChild::kill() {
    if (!running()) return false;
    ::kill(static_cast<pid_t>(process_), SIGKILL);
    int status;
    waitpid(static_cast<pid_t>(process_), &status, 0);
    process_ = 0;
    return true;
}
