// Edit and rich edit controls: appending, selecting, streaming text in and
// link detection.
#include <windows.h>

#include <richedit.h>

#include <string>

#include "tests/wingui/test_window.h"
#include "wingui/controls.h"
#include "wingui/edit.h"

namespace {

class EditTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        rich = create_control(dialog, IDC_RICH, "RICHEDIT20A",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 0,
                              RECT{10, 200, 300, 260});
        ASSERT_NE(rich, nullptr);
    }
    HWND rich = nullptr;
};

std::pair<DWORD, DWORD> raw_selection(HWND edit) {
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

}  // namespace

TEST_F(EditTest, AddedTextFollowsWhatWasAddedBefore) {
    HWND lines = item(IDC_LINES);
    edit_append(lines, "Connecting...\r\n");
    edit_append(lines, "Connected.\r\n");
    EXPECT_EQ(raw_text(lines), "Connecting...\r\nConnected.\r\n");
    EXPECT_EQ(raw_selection(lines), std::make_pair(DWORD{27}, DWORD{27}));

    edit_append(rich, "first ");
    edit_append(rich, "second");
    EXPECT_EQ(raw_text(rich), "first second");
}

TEST_F(EditTest, AddedTextGoesAfterTheSelectionNotOverIt) {
    HWND lines = item(IDC_LINES);
    SetWindowTextA(lines, "Connecting...");
    SendMessageA(lines, EM_SETSEL, 0, 4);
    edit_append(lines, "[+]");
    EXPECT_EQ(raw_text(lines), "Conn[+]ecting...");
    EXPECT_EQ(raw_selection(lines), std::make_pair(DWORD{7}, DWORD{7}));
}

TEST_F(EditTest, AppendingScrollsTheLastLineIntoView) {
    HWND lines = item(IDC_LINES);
    for (int i = 0; i < 40; i++) edit_append(lines, "another line\r\n");
    EXPECT_GT(SendMessageA(lines, EM_GETFIRSTVISIBLELINE, 0, 0), 20);
}

TEST_F(EditTest, SelectingAndShowingTheStart) {
    HWND lines = item(IDC_LINES);
    for (int i = 0; i < 40; i++) edit_append(lines, "another line\r\n");
    edit_select(lines, 0, 0);
    edit_scroll_to_caret(lines);
    EXPECT_EQ(SendMessageA(lines, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

    edit_select(lines, 3, 9);
    EXPECT_EQ(raw_selection(lines), std::make_pair(DWORD{3}, DWORD{9}));
    EXPECT_EQ(edit_caret(lines), 3);
    edit_select(lines, 0, -1);
    EXPECT_EQ(raw_selection(lines), std::make_pair(DWORD{0}, DWORD{14 * 40}));
    edit_select(rich, 0, 0);
    EXPECT_EQ(edit_caret(rich), 0);
}

TEST_F(EditTest, AClickPutsTheCaretOnTheCharacterThere) {
    HWND line = item(IDC_LINE);
    SetWindowTextA(line, "report.pdf, photo.jpg");
    LRESULT at = SendMessageA(line, EM_POSFROMCHAR, 14, 0);
    edit_click_at(line, POINT{LOWORD(at) + 1, HIWORD(at) + 2});
    EXPECT_EQ(edit_caret(line), 14);
    EXPECT_EQ(raw_selection(line), std::make_pair(DWORD{14}, DWORD{14}));
}

TEST_F(EditTest, StreamedTextReplacesWhatWasThere) {
    SetWindowTextA(rich, "old text");
    const char plain[] = "Subject: hello\r\nBody line";
    ASSERT_TRUE(rich_edit_stream_in(rich, plain, static_cast<int>(sizeof plain - 1), false));
    EXPECT_EQ(raw_text(rich), "Subject: hello\r\nBody line");

    // Only the given length is read, not up to a zero byte.
    ASSERT_TRUE(rich_edit_stream_in(rich, "abcdef", 3, false));
    EXPECT_EQ(raw_text(rich), "abc");

    const char rtf[] = "{\\rtf1\\ansi plain {\\b bold} end}";
    ASSERT_TRUE(rich_edit_stream_in(rich, rtf, static_cast<int>(sizeof rtf - 1), true));
    EXPECT_EQ(raw_text(rich), "plain bold end");

    EXPECT_TRUE(rich_edit_stream_in(rich, "", 0, false));
    EXPECT_EQ(raw_text(rich), "");
}

TEST_F(EditTest, LinkDetectionKeepsTheOtherEvents) {
    SendMessageA(rich, EM_SETEVENTMASK, 0, ENM_CHANGE);
    rich_edit_detect_urls(rich);
    EXPECT_EQ(SendMessageA(rich, EM_GETEVENTMASK, 0, 0), ENM_CHANGE | ENM_LINK);
    EXPECT_TRUE(SendMessageA(rich, EM_GETAUTOURLDETECT, 0, 0));
}

TEST_F(EditTest, TheSystemAnswersWideMessages) { EXPECT_TRUE(wide_messages_available(rich)); }

TEST_F(EditTest, TypingStopsAtTheLimit) {
    edit_limit(dialog, IDC_LINE, 4);
    SetFocus(item(IDC_LINE));
    for (char c : std::string("abcdef")) SendMessageA(item(IDC_LINE), WM_CHAR, static_cast<WPARAM>(c), 1);
    EXPECT_EQ(raw_text(item(IDC_LINE)), "abcd");
}
