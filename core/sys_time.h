// Local time, the time-zone bias, a millisecond tick and sleeping.
#pragma once

#include <cstdint>

struct LocalTime {
    int year, month, day;  // month 1 to 12
    int hour, minute, second, milliseconds;
    int weekday;  // 0 = Sunday
};

LocalTime sys_local_time();
// Minutes to add to local time to get UTC (Windows' sign: +60 for UTC-1).
int sys_time_zone_bias();
uint32_t sys_tick_count();
void sys_sleep_ms(int milliseconds);
