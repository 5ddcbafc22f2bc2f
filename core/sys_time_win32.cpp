#include <windows.h>

#include "core/sys_time.h"

LocalTime sys_local_time() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek};
}

int sys_time_zone_bias() {
    TIME_ZONE_INFORMATION tz;
    DWORD kind = GetTimeZoneInformation(&tz);
    int bias = static_cast<int>(tz.Bias);
    if (kind == TIME_ZONE_ID_DAYLIGHT) bias += static_cast<int>(tz.DaylightBias);
    else if (kind == TIME_ZONE_ID_STANDARD) bias += static_cast<int>(tz.StandardBias);
    return bias;
}

uint32_t sys_tick_count() { return GetTickCount(); }

void sys_sleep_ms(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }
