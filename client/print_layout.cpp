#include "client/print_layout.h"

#include <cstdint>
#include <cstdlib>

#include "format/encoded_words.h"

int printer_units(int points, int dots_per_inch) {
    // MulDiv: rounded to the nearest unit.
    int64_t product = static_cast<int64_t>(points) * dots_per_inch;
    return static_cast<int>((product + (product >= 0 ? 36 : -36)) / 72);
}

PageMetrics page_metrics(int dots_per_inch, int font_record_height) {
    PageMetrics m;
    int points = std::abs(font_record_height);
    if (points == 0) points = 12;
    m.left = m.top = m.message_gap = printer_units(50, dots_per_inch);
    m.bottom = printer_units(725, dots_per_inch);
    m.line_step = printer_units(points * 13 / 10, dots_per_inch);
    m.char_height = printer_units(points, dots_per_inch);
    return m;
}

bool step_line(const PageMetrics& metrics, int* y) {
    *y += metrics.line_step;
    if (*y <= metrics.bottom) return false;
    *y = metrics.top;
    return true;
}

std::vector<PlannedLine> plan_lines(const PageMetrics& metrics, int* y, const std::vector<std::u16string>& lines) {
    std::vector<PlannedLine> planned;
    bool bold = true;
    for (const std::u16string& line : lines) {
        if (line.empty()) bold = false;
        PlannedLine p;
        p.y = *y;
        p.bold = bold;
        p.page_after = step_line(metrics, y);
        planned.push_back(p);
    }
    return planned;
}

std::string print_header_block(const std::string& from_name, const std::string& from_address, const std::string& to,
                               const std::string& subject, const std::string& date) {
    std::string block = "From (name): " + utf8_prefix(from_name, 80) + "\r\nFrom (e-mail): " +
                        utf8_prefix(from_address, 80) + "\r\nTo: " + utf8_prefix(to, 10000) +
                        "\r\nSubject: " + utf8_prefix(subject, 80) + "\r\n";
    block += date.empty() ? std::string("\r\n") : "Sent: " + utf8_prefix(date, 99) + "\r\n\r\n";
    return block;
}
