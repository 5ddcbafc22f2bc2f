#include "core/quit.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<QuitHandler> quit_handler{nullptr};
}

void set_quit_handler(QuitHandler handler) { quit_handler.store(handler); }

int request_quit() {
    QuitHandler handler = quit_handler.load();
    if (handler) return handler();
    quit_process_now();
}

void quit_process_now() {
    std::fflush(nullptr);
    std::_Exit(0);
}
