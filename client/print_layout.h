// Where printed lines go: margins, line steps and page breaks in the
// printer's units, and the bold header block in front of each message.
// Portable, so the layout is tested without a printer.
#pragma once

#include <string>
#include <vector>

struct PageMetrics {
    int left = 0;         // 50 points
    int top = 0;          // 50 points
    int bottom = 0;       // 725 points: past it a new page starts
    int line_step = 0;    // 1.3 times the font's height
    int char_height = 0;  // the font's height
    int message_gap = 0;  // 50 points between two messages of one job
};

// Points into the printer's units (MulDiv with its dots per inch).
int printer_units(int points, int dots_per_inch);

// The metrics for a printer of `dots_per_inch` and a font record height
// in points; the record's sign (negative for a character height) does not
// matter, as both mean that many points.
PageMetrics page_metrics(int dots_per_inch, int font_record_height);

// Moves `y` down one line; true when it passed the bottom, in which case a
// new page starts and `y` is the top margin.
bool step_line(const PageMetrics& metrics, int* y);

// One printed line: where it goes, whether it is bold (the header block:
// every line before the message's first empty one) and whether a new page
// starts after it.
struct PlannedLine {
    int y = 0;
    bool bold = false;
    bool page_after = false;
};

// The places of a message's lines, starting at `*y`, which is left where
// the next line would go (the caller adds the gap between messages).
std::vector<PlannedLine> plan_lines(const PageMetrics& metrics, int* y, const std::vector<std::u16string>& lines);

// The header block of a printed message (UTF-8): "From (name): ",
// "From (e-mail): ", "To: ", "Subject: " lines, then "Sent: " and a blank
// line, or only a blank line when the date is empty.
std::string print_header_block(const std::string& from_name, const std::string& from_address, const std::string& to,
                               const std::string& subject, const std::string& date);
