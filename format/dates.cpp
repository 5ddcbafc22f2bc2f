#include "format/dates.h"

#include <atomic>
#include <cstdio>
#include <cstring>

const char* const month_names[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const day_names[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

namespace {

const DateClock system_clock{sys_local_time, sys_time_zone_bias};
std::atomic<const DateClock*> clock_in_use{&system_clock};

constexpr int token_count = 6;
constexpr int token_length = 9;

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The leading decimal number of a text, with an optional sign, as atoi reads
// it; tokens are at most nine characters, so it always fits.
int32_t leading_number(const char* text) {
    int sign = 1;
    if (*text == '+' || *text == '-') sign = *text++ == '-' ? -1 : 1;
    int32_t value = 0;
    for (int i = 0; i < token_length && is_digit(text[i]); i++) value = value * 10 + (text[i] - '0');
    return sign * value;
}

int32_t number_at(const char* token, int position) {
    return std::strlen(token) > static_cast<size_t>(position) ? leading_number(token + position) : 0;
}

}  // namespace

void date_clock_install(const DateClock* clock) { clock_in_use = clock ? clock : &system_clock; }

void format_date_field(Array* out) {
    const DateClock* clock = clock_in_use;
    format_date_field_at(out, clock->local_time(), clock->time_zone_bias());
}

// The zone is written from the sign and the size of the offset separately:
// an offset of less than an hour west of UTC still reads -00mm.
void format_date_field_at(Array* out, const LocalTime& time, int bias) {
    long long east = -static_cast<long long>(bias);
    long long size = east < 0 ? -east : east;
    int hours = static_cast<int>(size / 60 % 100);
    int minutes = static_cast<int>(size % 60);
    char zone[6] = {};
    std::snprintf(zone, sizeof zone, "%c%.2i%.2i", east < 0 ? '-' : '+', hours, minutes);
    const char* day = time.weekday >= 0 && time.weekday < 7 ? day_names[time.weekday] : "";
    const char* month = time.month >= 1 && time.month <= 12 ? month_names[time.month] : "";
    array_clear(out);
    array_printf(out, "Date: %.3s, %i %.3s %i %.2i:%.2i:%.2i %.5s", day, time.day, month, time.year, time.hour,
                 time.minute, time.second, zone);
}

void parse_date(const char* text, DateParts* parts) {
    *parts = DateParts{};
    char tokens[token_count][token_length + 1] = {};
    const char* p = text;
    while (is_blank(*p)) p++;
    int index = is_digit(*p) ? 1 : 0;
    while (*p && index < token_count) {
        int n = 0;
        for (; *p && !is_blank(*p); p++)
            if (n < token_length) tokens[index][n++] = *p;
        while (is_blank(*p)) p++;
        index++;
    }
    if (char* comma = std::strchr(tokens[0], ',')) *comma = 0;

    parts->hour = number_at(tokens[4], 0);
    parts->minute = number_at(tokens[4], 3);
    parts->second = number_at(tokens[4], 6);
    parts->day = leading_number(tokens[1]);
    parts->year = leading_number(tokens[3]);
    parts->zone = leading_number(tokens[5]);
    for (int m = 1; m <= 12; m++)
        if (std::strcmp(tokens[2], month_names[m]) == 0) parts->month = m;
    for (int d = 0; d < 7; d++)
        if (std::strcmp(tokens[0], day_names[d]) == 0) parts->weekday = d;
}

void format_date(const DateParts* parts, Array* out) {
    array_clear(out);
    if (parts->year == 0 || parts->month == 0 || parts->day == 0) {
        array_copy(out, "unknown");
        return;
    }
    const char* format = parts->zone < 0 ? "%.4i-%.2i-%.2i %.2i:%.2i:%.2i %.4i" : "%.4i-%.2i-%.2i %.2i:%.2i:%.2i +%.4i";
    array_printf(out, format, parts->year, parts->month, parts->day, parts->hour, parts->minute, parts->second,
                 parts->zone);
}
