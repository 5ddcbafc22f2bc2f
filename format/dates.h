// The "Date:" field of outgoing messages, and received dates turned into a
// text that sorts by time.
#pragma once

#include <cstdint>

#include "core/arrays.h"
#include "core/sys_time.h"

// Parts of a parsed date, all zero when unrecognised.
struct DateParts {
    int32_t second = 0;
    int32_t minute = 0;
    int32_t hour = 0;
    int32_t day = 0;      // of the month
    int32_t month = 0;    // 1 to 12
    int32_t year = 0;
    int32_t weekday = 0;  // 0 = Sunday
    int32_t unused = 0;
    int32_t zone = 0;     // the zone token as a number: +0100 is 100, -0500 is -500
};

// "Jan" to "Dec" at 1 to 12 (0 is the empty text); "Sun" to "Sat" at 0 to 6.
extern const char* const month_names[13];
extern const char* const day_names[7];

// Where format_date_field takes the time from. Tests install their own clock;
// null puts the system's back.
struct DateClock {
    LocalTime (*local_time)();
    int (*time_zone_bias)();  // minutes from local time to UTC, as sys_time_zone_bias
};
void date_clock_install(const DateClock* clock);

// "Date: Sun, 6 Dec 2026 13:32:38 +0100" for the current local time, without
// a line end.
void format_date_field(Array* out);
// The same for a given local time and bias.
void format_date_field_at(Array* out, const LocalTime& time, int bias);

// Reads a received "Date:" value such as "Sun, 6 Dec 2026 13:32:38 +0100"
// (the day name may be missing) into `parts`, which is cleared first.
void parse_date(const char* text, DateParts* parts);
// "2026-12-06 13:32:38 +0100", or "unknown" when year, month or day is
// missing.
void format_date(const DateParts* parts, Array* out);
