// The viewer's decisions apart from its windows: what each command does with
// the settings and the running extractions, what follows a display, which
// links open, the browser's addresses, the Details lines and the header
// block of a "Mail Message" window, and the display for a window without a
// working HTML view.
#include <cstdint>
#include <string>

#include "client/main_window_ids.h"
#include "client/message_details.h"
#include "client/viewer_rules.h"
#include "core/app_state.h"
#include "core/settings.h"
#include "core/ui_services.h"
#include "format/message_display.h"
#include "tests/unit/mime_support.h"

namespace {

// A display's file, named as the client names it (relative, "\\").
std::string shown_file(const DisplayResult& r) {
    std::string path = r.shown_path->text;
    for (char& c : path)
        if (c == '\\') c = '/';
    return read_file(path);
}

TEST(ViewerRules, CommandsWithSettingsAndExtractions) {
    struct Case {
        int command, bits, running, step, force;
    } cases[] = {
        {CMD_SHOW_HTML, 0, 0, VIEWER_SHOW, DISPLAY_FORCE_HTML},
        {CMD_SHOW_TEXT, 0, 0, VIEWER_SHOW, DISPLAY_FORCE_TEXT},
        {CMD_SHOW_IN_PREVIEW, 0, 0, VIEWER_SHOW, DISPLAY_AS_SET},
        // The notice wins over waiting: nothing is to be shown at all.
        {CMD_SHOW_HTML, SETTING_NO_SHOW_HTML, 2, VIEWER_NOTICE, 0},
        {CMD_SHOW_TEXT, SETTING_NO_SHOW_HTML, 0, VIEWER_SHOW, DISPLAY_FORCE_TEXT},
        {CMD_SHOW_IN_PREVIEW, SETTING_NO_SHOW_HTML, 0, VIEWER_SHOW, DISPLAY_AS_SET},
        {CMD_SHOW_TEXT, 0, 1, VIEWER_AFTER_EXTRACTIONS, 0},
        {CMD_SHOW_IN_PREVIEW, 0, 3, VIEWER_AFTER_EXTRACTIONS, 0},
    };
    for (const Case& c : cases) {
        ViewerPlan plan = plan_viewer_command(c.command, c.bits, c.running);
        EXPECT_EQ(plan.step, c.step) << c.command << " " << c.bits << " " << c.running;
        if (plan.step == VIEWER_SHOW) {
            EXPECT_EQ(plan.force, c.force) << c.command;
        }
    }
}

TEST(ViewerRules, WhatFollowsADisplay) {
    AfterDisplay shown = after_display(true, DISPLAY_AS_SET, 0);
    EXPECT_TRUE(shown.mark_read);
    EXPECT_TRUE(shown.extract);
    // Forced displays and disabled attachments leave the line empty.
    EXPECT_FALSE(after_display(true, DISPLAY_FORCE_HTML, 0).extract);
    EXPECT_FALSE(after_display(true, DISPLAY_FORCE_TEXT, 0).extract);
    EXPECT_FALSE(after_display(true, DISPLAY_AS_SET, SETTING_NO_ATTACHMENTS).extract);
    EXPECT_TRUE(after_display(true, DISPLAY_FORCE_TEXT, 0).mark_read);
    // Not shown (no key, rejected type, empty view): unread, no extraction.
    AfterDisplay failed = after_display(false, DISPLAY_AS_SET, 0);
    EXPECT_FALSE(failed.mark_read);
    EXPECT_FALSE(failed.extract);
}

TEST(ViewerRules, OnlyWebAndMailLinksOpen) {
    for (const char* url : {"http://example.test/a?b=c", "HTTPS://example.test/", "mailto:ann@example.test",
                            "Http:x"})
        EXPECT_TRUE(link_may_open(url)) << url;
    for (const char* url : {"file:///c:/windows/system32/calc.exe", "file:c:\\evil.exe", "javascript:alert(1)",
                            "ftp://example.test/", "c:\\windows\\notepad.exe", "\\\\server\\share\\x.exe",
                            "http:", "mailto:", "http://a\r\nb", "http://a\tb", " http://a", ""})
        EXPECT_FALSE(link_may_open(url)) << url;
    EXPECT_FALSE(link_may_open(nullptr));
}

TEST(ViewerRules, BrowserAddresses) {
    Array* out = array_new(1100);
    ASSERT_TRUE(navigation_address("C:\\Zenth Mail", "temp\\final3.tmp", false, out));
    EXPECT_STREQ(out->text, "file:C:\\Zenth Mail\\temp\\final3.tmp");
    ASSERT_TRUE(navigation_address("C:\\Zenth Mail", "maildir\\inbox\\mm7.eml", true, out));
    EXPECT_STREQ(out->text, "mhtml:C:\\Zenth Mail\\maildir\\inbox\\mm7.eml");
    // At most 1023 characters reach the browser; a longer one is refused,
    // never cut to another file's name.
    std::string folder(1023 - 6 - 1 - 5, 'f');
    EXPECT_TRUE(navigation_address(folder.c_str(), "a.eml", true, out));
    EXPECT_EQ(std::string(out->text).size(), 1023u);
    EXPECT_FALSE(navigation_address((folder + "f").c_str(), "a.eml", true, out));
    EXPECT_STREQ(out->text, "");
    delete_arrays(out);
}

TEST(ViewerRules, ApparentAddress) {
    std::string found;
    EXPECT_TRUE(apparent_address("from a (b [192.0.2.1]) by c", &found));
    EXPECT_EQ(found, "192.0.2.1");
    // The first "]" after the "[": an earlier one never gives a negative length.
    EXPECT_TRUE(apparent_address("from a] x [10.1.2.3] [y]", &found));
    EXPECT_EQ(found, "10.1.2.3");
    EXPECT_FALSE(apparent_address("from x ([", &found));
    EXPECT_FALSE(apparent_address("from x []", &found));
    EXPECT_FALSE(apparent_address("from x ] y", &found));
    EXPECT_FALSE(apparent_address("from x [10.0.0.1", &found));
}

class DetailsTest : public MimeTest {};

TEST_F(DetailsTest, LinesOfAReceivedMessage) {
    std::string bytes = crlf(
        "X-ZMRead: FALSE\n"
        "X-ReceivedDate: Tue, 8 Dec 2026 09:15:00 +0100\n"
        "Received: from a ([10.0.0.1]) by b\n"
        "From: \"Jane Doe\" <jane@example.org>\n"
        "To: a@example.test, \"B, Bee\" <b@example.test>\n"
        "Cc: c@example.test\n"
        "Subject: Lunch on Friday\n"
        "Date: Sat, 5 Dec 2026 09:07:03 -0500\n"
        "X-Mailer: Mailer =?iso-8859-1?Q?caf=E9?=\n"
        "Received: from c (d [192.0.2.7]) by e\n"
        "\n"
        "Body.\n");
    std::string lines;
    ASSERT_EQ(message_details(message(bytes), 4, &lines), DETAILS_OK);
    EXPECT_EQ(lines,
              "File: m.eml\r\nList Position: 5\r\nSize: " + std::to_string(bytes.size()) +
                  " bytes\r\n"
                  "To: a@example.test, \"B, Bee\" <b@example.test>,c@example.test\r\n"
                  "From(name): Jane Doe\r\nFrom(e-mail): jane@example.org\r\n"
                  "Subject: Lunch on Friday\r\nSent: 2026-12-05 09:07:03 -0500\r\nReceived: 2026-12-08 09:15:00 +0100\r\n"
                  "ZM-Encrypted: No\r\nMailer: Mailer caf\xC3\xA9\r\nApparent Originating IP: 192.0.2.7\r\n");
}

TEST_F(DetailsTest, MissingFieldsAndFiles) {
    std::string lines;
    ASSERT_EQ(message_details(message(crlf("From: x@example.test\nReceived: from x ([\n\nBody.\n")), 0, &lines),
              DETAILS_OK);
    EXPECT_NE(lines.find("Received: unknown\r\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("Mailer: Unknown\r\n"), std::string::npos);
    EXPECT_NE(lines.find("Apparent Originating IP: Unknown\r\n"), std::string::npos);
    EXPECT_NE(lines.find("Sent: unknown\r\n"), std::string::npos);
    EXPECT_EQ(message_details("no-such.eml", 0, &lines), DETAILS_NO_FILE);
    EXPECT_EQ(lines, "");
}

TEST_F(DetailsTest, HeaderBlock) {
    MessageSummary* summary = summary_new();
    ASSERT_EQ(read_summary(0, summary,
                           message(crlf("From: \"Jane Doe\" <jane@example.org>\nTo: a@example.test, b@example.test\n"
                                        "Subject: Lunch\nDate: Sat, 5 Dec 2026 09:07:03 -0500\n\nBody.\n"))),
              SUMMARY_OK);
    EXPECT_EQ(header_block(summary, false),
              "From: \"Jane Doe\" <jane@example.org>\r\nTo: a@example.test, b@example.test\r\n"
              "Sent: 2026-12-05 09:07:03 -0500\r\nSubject: Lunch\r\n\r\n");
    EXPECT_EQ(header_block(summary, true).substr(0, 32), "\r\n----- Original Message -----\r\n");
    // An encoded sender is shown decoded.
    ASSERT_EQ(read_summary(0, summary, message(crlf("From: =?utf-8?B?0JjQstCw0L0=?= <ivan@example.test>\n"
                                                    "Subject: x\n\nBody.\n"))),
              SUMMARY_OK);
    EXPECT_EQ(header_block(summary, false).substr(0, 36), "From: \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD <ivan@example.test>\r\n");
    summary_delete(summary);
}

TEST_F(DetailsTest, WindowWithoutHtmlViewShowsHtmlAsText) {
    const std::string both = crlf(
        "Content-Type: multipart/alternative; boundary=\"b\"\n\n"
        "--b\nContent-Type: text/plain\n\nplain side\n"
        "--b\nContent-Type: text/html\n\n<p>html <b>side</b></p>\n--b--\n");
    const std::string html = crlf("Content-Type: text/html\n\n<p>only <i>html</i></p>\n");
    UiRecorder ui;
    settings_flags = SETTING_PROMPT_HTML;
    html_display_mode = HTML_ALWAYS;
    DisplayRequest request;
    request.window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(78));
    request.no_browser = true;
    DisplayResult r;
    display_result_init(&r);
    // As "Never show HTML": the plain side first, no question asked.
    request.path = message(both);
    ASSERT_EQ(prepare_display(&request, &r), 0);
    EXPECT_FALSE(r.as_html);
    EXPECT_EQ(shown_file(r), "plain side");
    // HTML only, or HTML forced: converted to text.
    request.path = message(html);
    ASSERT_EQ(prepare_display(&request, &r), 0);
    EXPECT_FALSE(r.as_html);
    EXPECT_NE(shown_file(r).find("only {html}"), std::string::npos);
    request.path = message(both);
    request.force = DISPLAY_FORCE_HTML;
    ASSERT_EQ(prepare_display(&request, &r), 0);
    EXPECT_FALSE(r.as_html);
    EXPECT_NE(shown_file(r).find("html [side]"), std::string::npos);
    EXPECT_TRUE(ui.boxes.empty());
    display_result_release(&r);
    settings_flags = 0;
    html_display_mode = HTML_NEVER;
}

}  // namespace
