#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include "core/sys_time.h"

LocalTime sys_local_time() {
    timeval now;
    gettimeofday(&now, nullptr);
    tm t;
    time_t seconds = now.tv_sec;
    localtime_r(&seconds, &t);
    return LocalTime{t.tm_year + 1900, t.tm_mon + 1,         t.tm_mday, t.tm_hour, t.tm_min,
                     t.tm_sec,         int(now.tv_usec / 1000), t.tm_wday};
}

int sys_time_zone_bias() {
    time_t now = time(nullptr);
    tm t;
    localtime_r(&now, &t);
    return static_cast<int>(-t.tm_gmtoff / 60);
}

uint32_t sys_tick_count() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(ts.tv_sec * 1000ULL + ts.tv_nsec / 1000000);
}

void sys_sleep_ms(int milliseconds) {
    timespec ts{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}
