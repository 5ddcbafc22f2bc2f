// Received dates through parse_date and format_date, and arbitrary clock
// values through the outgoing "Date:" field: parts stay in their ranges and
// every text stays within its buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/arrays.h"
#include "format/dates.h"

namespace {
void check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    DateParts parts;
    parse_date(text.c_str(), &parts);
    check(parts.month >= 0 && parts.month <= 12);
    check(parts.weekday >= 0 && parts.weekday <= 6);
    check(parts.unused == 0);
    Array* out = array_new(100);
    format_date(&parts, out);
    check(out->text[99] == 0);
    if (parts.year == 0 || parts.month == 0 || parts.day == 0) check(std::strcmp(out->text, "unknown") == 0);

    if (size >= 36) {
        int32_t v[9];
        std::memcpy(v, data, sizeof v);
        LocalTime t{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
        format_date_field_at(out, t, v[8]);
        check(out->text[99] == 0 && std::strncmp(out->text, "Date: ", 6) == 0);
    }
    delete_arrays(out);
    return 0;
}
