#include "core/log.h"

#include <cstdio>
#include <mutex>

#include "core/sys_files.h"
#include "core/sys_time.h"

namespace {
std::mutex log_mutex;
std::FILE* log_file = nullptr;  // guarded by log_mutex
}  // namespace

int log_open(const char* path) {
    std::FILE* f = sys_fopen(path, "ab");
    if (!f) return -1;
    std::lock_guard<std::mutex> hold(log_mutex);
    if (log_file) std::fclose(log_file);
    log_file = f;
    return 0;
}

void log_close() {
    std::lock_guard<std::mutex> hold(log_mutex);
    if (log_file) std::fclose(log_file);
    log_file = nullptr;
}

void log_write(const char* text) {
    LocalTime t = sys_local_time();
    char stamp[100];
    std::snprintf(stamp, sizeof stamp, "[%.4i-%.2i-%.2i %.2i:%.2i:%.2i]", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    // Worker threads and the interface thread log side by side; the lock
    // keeps each entry's bytes together and its flush with it.
    std::lock_guard<std::mutex> hold(log_mutex);
    if (!log_file) return;
    std::fprintf(log_file, "%s %s", stamp, text);
    std::fflush(log_file);
}
