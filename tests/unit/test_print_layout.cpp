// Where printed lines go and the header block in front of each message.
#include <gtest/gtest.h>

#include "client/print_layout.h"

namespace {

TEST(PrintLayout, MetricsInPrinterUnits) {
    // 600 dots per inch, the default 12-point font (stored as -12).
    PageMetrics m = page_metrics(600, -12);
    EXPECT_EQ(m.left, 417);         // 50 points
    EXPECT_EQ(m.top, 417);
    EXPECT_EQ(m.bottom, 6042);      // 725 points
    EXPECT_EQ(m.char_height, 100);  // 12 points
    EXPECT_EQ(m.line_step, 125);    // floor(15.6) = 15 points: downwards, whatever the record's sign
    EXPECT_EQ(page_metrics(600, 12).line_step, m.line_step);
    EXPECT_EQ(page_metrics(72, -10).line_step, 13);
    EXPECT_EQ(m.message_gap, 417);
}

TEST(PrintLayout, LinesRunDownAndBreakPastTheBottom) {
    PageMetrics m = page_metrics(72, -12);  // one unit a point: 15-point lines, 50 to 725
    int y = m.top;
    int lines_on_first_page = 0;
    while (!step_line(m, &y)) lines_on_first_page++;
    // 50 + 15 * 45 = 725 is still on the page; the 46th step passes it.
    EXPECT_EQ(lines_on_first_page, 45);
    EXPECT_EQ(y, m.top);
    EXPECT_FALSE(step_line(m, &y));
    EXPECT_EQ(y, 65);
}

TEST(PrintLayout, AHeaderLongerThanAPageStaysBoldOverTheBreak) {
    PageMetrics m = page_metrics(72, -12);
    std::vector<std::u16string> lines(60, u"To: many");
    lines.push_back(u"");
    lines.push_back(u"Body.");
    int y = m.top;
    std::vector<PlannedLine> planned = plan_lines(m, &y, lines);
    ASSERT_EQ(planned.size(), 62u);
    EXPECT_EQ(planned[0].y, 50);
    EXPECT_TRUE(planned[45].page_after);
    EXPECT_EQ(planned[46].y, 50);  // the next page, still the header
    EXPECT_TRUE(planned[46].bold);
    EXPECT_TRUE(planned[59].bold);
    EXPECT_FALSE(planned[60].bold);
    EXPECT_FALSE(planned[61].bold);
    EXPECT_EQ(y, 50 + 16 * 15);
    // A second message of the job goes on 50 points further down the page.
    y += m.message_gap;
    std::vector<PlannedLine> next = plan_lines(m, &y, {u"From (name): x"});
    EXPECT_EQ(next[0].y, 50 + 16 * 15 + 50);
    EXPECT_TRUE(next[0].bold);
}

TEST(PrintLayout, HeaderBlock) {
    EXPECT_EQ(print_header_block("Ann", "ann@example.test", "bob@example.test", "Hello", "2026-12-07 10:00:00 +0000"),
              "From (name): Ann\r\nFrom (e-mail): ann@example.test\r\nTo: bob@example.test\r\nSubject: Hello\r\n"
              "Sent: 2026-12-07 10:00:00 +0000\r\n\r\n");
    EXPECT_EQ(print_header_block("", "", "", "", ""), "From (name): \r\nFrom (e-mail): \r\nTo: \r\nSubject: \r\n\r\n");
    std::string unknown = print_header_block("", "", "", "", "unknown");
    EXPECT_EQ(unknown.substr(unknown.find("Sent")), "Sent: unknown\r\n\r\n");
    std::string long_to(12000, 't');
    std::string block = print_header_block(std::string(100, 'n'), "a", long_to, std::string(90, 's'), "");
    EXPECT_NE(block.find("From (name): " + std::string(80, 'n') + "\r\n"), std::string::npos);
    EXPECT_NE(block.find("To: " + std::string(10000, 't') + "\r\n"), std::string::npos);
    EXPECT_NE(block.find("Subject: " + std::string(80, 's') + "\r\n"), std::string::npos);
}

}  // namespace
