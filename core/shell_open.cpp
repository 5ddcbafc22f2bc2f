#include <atomic>

#include "core/shell_programs.h"

namespace {

std::atomic<ShellOpener> installed{nullptr};

}  // namespace

void shell_install(ShellOpener opener) { installed.store(opener); }

int shell_open(const char* file, const char* directory) {
    ShellOpener opener = installed.load();
    return opener ? opener(file, directory) : sys_shell_open(file, directory);
}
