#include <string>

#include "format/dates.h"
#include "format/temp_files.h"
#include "tests/unit/test_support.h"

namespace {

const LocalTime sunday{2026, 12, 6, 13, 32, 38, 500, 0};

std::string date_field(const LocalTime& t, int bias) {
    Array* out = array_new(100);
    format_date_field_at(out, t, bias);
    std::string s = out->text;
    delete_arrays(out);
    return s;
}

TEST(DateField, ZoneTextForSeveralZones) {
    EXPECT_EQ(date_field(sunday, -60), "Date: Sun, 6 Dec 2026 13:32:38 +0100");
    EXPECT_EQ(date_field(sunday, 0), "Date: Sun, 6 Dec 2026 13:32:38 +0000");
    EXPECT_EQ(date_field(sunday, 300), "Date: Sun, 6 Dec 2026 13:32:38 -0500");
    EXPECT_EQ(date_field(sunday, 330), "Date: Sun, 6 Dec 2026 13:32:38 -0530");
    EXPECT_EQ(date_field(sunday, -330), "Date: Sun, 6 Dec 2026 13:32:38 +0530");
    EXPECT_EQ(date_field(sunday, -765), "Date: Sun, 6 Dec 2026 13:32:38 +1245");
    // Less than an hour west of UTC still carries its sign.
    EXPECT_EQ(date_field(sunday, 30), "Date: Sun, 6 Dec 2026 13:32:38 -0030");
    LocalTime early{2027, 1, 2, 4, 5, 6, 0, 6};
    EXPECT_EQ(date_field(early, 480), "Date: Sat, 2 Jan 2027 04:05:06 -0800");
}

LocalTime fixed_time() { return LocalTime{2026, 7, 14, 9, 0, 1, 0, 2}; }
int summer_bias() { return -120; }

TEST(DateField, TakesTheTimeFromTheInstalledClock) {
    const DateClock clock{fixed_time, summer_bias};
    date_clock_install(&clock);
    Array* out = array_new(100);
    format_date_field(out);
    date_clock_install(nullptr);
    EXPECT_STREQ(out->text, "Date: Tue, 14 Jul 2026 09:00:01 +0200");
    format_date_field(out);  // the system's clock again
    EXPECT_EQ(std::string(out->text).rfind("Date: ", 0), 0u);
    delete_arrays(out);
}

std::string sortable(const char* received) {
    DateParts parts;
    parts.year = 1999;  // parse_date starts from nothing
    parse_date(received, &parts);
    Array* out = array_new(100);
    format_date(&parts, out);
    std::string s = out->text;
    delete_arrays(out);
    return s;
}

TEST(ParseDate, ReceivedDatesBecomeSortableText) {
    EXPECT_EQ(sortable("Sun, 6 Dec 2026 13:32:38 +0100"), "2026-12-06 13:32:38 +0100");
    EXPECT_EQ(sortable("6 Dec 2026 13:32:38 -0500"), "2026-12-06 13:32:38 -0500");
    EXPECT_EQ(sortable(" \tMon,  07 Dec\t2026 08:00:00 +0000 (UTC)"), "2026-12-07 08:00:00 +0000");
    EXPECT_EQ(sortable("Thu, 1 Jan 2026 00:00:00 GMT"), "2026-01-01 00:00:00 +0000");
    EXPECT_EQ(sortable("Fri, 3 Jul 2026 17:45 +0930"), "2026-07-03 17:45:00 +0930");
    EXPECT_EQ(sortable("6 dec 2026 13:32:38 +0100"), "unknown");
    EXPECT_EQ(sortable("Unknown"), "unknown");
    EXPECT_EQ(sortable(""), "unknown");
}

TEST(ParseDate, PartsOfAFullDate) {
    DateParts p;
    parse_date("Wed, 30 Sep 2026 23:59:58 -0330", &p);
    EXPECT_EQ(p.weekday, 3);
    EXPECT_EQ(p.day, 30);
    EXPECT_EQ(p.month, 9);
    EXPECT_EQ(p.year, 2026);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.minute, 59);
    EXPECT_EQ(p.second, 58);
    EXPECT_EQ(p.zone, -330);
    parse_date("6 Dec 2026 13:32:38 +0100", &p);
    EXPECT_EQ(p.weekday, 0);
    // Over-long tokens keep nine characters; nothing runs past them.
    parse_date("Sunday,xxxxxxxx 123456789012 December 20262026 1234567890123 +01000000000", &p);
    EXPECT_EQ(p.day, 123456789);
    EXPECT_EQ(p.month, 0);
    EXPECT_EQ(p.zone, 1000000);
}

TEST(TempFileName, PurposeWordAndNumber) {
    Array* out = array_new(100);
    temp_file_name(out, "strip", 5);
    EXPECT_STREQ(out->text, "temp\\strip5.tmp");
    temp_file_name(out, "a-purpose-word-that-is-too-long", -12);
    EXPECT_STREQ(out->text, "temp\\a-purpose-word-that--12.tmp");
    // A word that ends in a digit is kept apart from the number: "message1"
    // of window 23 is not "message" of window 123.
    temp_file_name(out, "message1", 23);
    EXPECT_STREQ(out->text, "temp\\message1_23.tmp");
    temp_file_name(out, "message", 123);
    EXPECT_STREQ(out->text, "temp\\message123.tmp");
    delete_arrays(out);
}

}  // namespace
