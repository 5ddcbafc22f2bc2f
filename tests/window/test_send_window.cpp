// A send window made in this process: what read_compose_fields takes from its
// controls, the editor's text written as a file, and the window's slot.
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/app_state.h"
#include "tests/window/main_window_fixture.h"
#include "ui/send_fields.h"
#include "ui/send_window.h"
#include "ui/send_window_ids.h"
#include "wingui/menus.h"

namespace {

std::string file_bytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class SendWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        send = reinterpret_cast<HWND>(open_send_window(window, 0));
        ASSERT_NE(send, nullptr);
    }
    void TearDown() override {
        PostMessageW(send, WM_QUIT, 0, 0);
        for (int i = 0; i < 100 && IsWindow(send); i++) Sleep(50);
        MainWindowTest::TearDown();
    }
    void set(int id, const wchar_t* text) { SendMessageW(GetDlgItem(send, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)); }
    HWND send = nullptr;
};

TEST_F(SendWindowTest, FieldsAreReadWholeAsUtf8) {
    EXPECT_TRUE(IsWindow(send));
    bool in_slot = false;
    for (int i = 0; i < 100; i++)
        if (*static_cast<uint32_t*>(array_element(app.compose_windows, i)) ==
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(send)))
            in_slot = true;
    EXPECT_TRUE(in_slot);
    set(IDC_SEND_SERVER, L"smtp.example.test:25");
    set(IDC_SEND_FROM, L"\"Zo\x00eb\" <zoe@example.test>");
    std::wstring many;
    for (int i = 0; i < 200; i++) many += L"person" + std::to_wstring(i) + L"@example.test, ";
    set(IDC_SEND_TO, many.c_str());
    set(IDC_SEND_SUBJECT, L"\x041f\x0440\x0438\x0432\x0435\x0442");
    set(IDC_SEND_EDITOR, L"Line one.\r\nA euro \x20ac.\r\n");
    check_menu_item(GetMenu(send), SEND_SAVE_SENT, true);
    check_menu_item(GetMenu(send), SEND_USE_BCC, false);
    SendFields fields;
    read_compose_fields(send, send_window_of(send), &fields);
    EXPECT_STREQ(fields.fields.server, "smtp.example.test:25");
    EXPECT_STREQ(fields.fields.from, "\"Zo\xC3\xAB\" <zoe@example.test>");
    // Not cut at a field's first limit: all 200 recipients.
    EXPECT_EQ(std::string(fields.fields.to).size(), many.size());
    EXPECT_STREQ(fields.fields.subject, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    EXPECT_TRUE(fields.fields.save_sent);
    EXPECT_FALSE(fields.fields.bcc_multiple);
    EXPECT_EQ(fields.fields.attachment_count, 0);
    EXPECT_EQ(fields.fields.window_number, static_cast<int>(reinterpret_cast<uintptr_t>(send)));
    EXPECT_EQ(fields.text, u"Line one.\r\nA euro \x20ac.\r\n");
}

TEST_F(SendWindowTest, EditorTextIsLatin1UnlessItNeedsUtf8) {
    set(IDC_SEND_EDITOR, L"caf\x00e9\r\n");
    EXPECT_EQ(write_editor_text(send, "latin.txt", false), 0);
    EXPECT_EQ(file_bytes("latin.txt"), "caf\xE9\r\n");
    set(IDC_SEND_EDITOR, L"caf\x00e9 \x20ac\r\n");
    EXPECT_EQ(write_editor_text(send, "utf8.txt", false), 1);
    EXPECT_EQ(file_bytes("utf8.txt"), "caf\xC3\xA9 \xE2\x82\xAC\r\n");
}

TEST_F(MainWindowTest, TheHundredAndFirstSendWindowIsRefused) {
    for (int i = 0; i < 100; i++) *static_cast<uint32_t*>(array_element(app.compose_windows, i)) = 1;
    LRESULT opened = -1;
    std::thread opener([&] { opened = open_send_window(window, 0); });
    std::string said;
    for (int i = 0; i < 200 && said.empty(); i++) {
        Sleep(50);
        HWND box = FindWindowA("#32770", "Zenth Mail");
        if (!box) continue;
        char text[256] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        said = text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    opener.join();
    for (int i = 0; i < 100; i++) *static_cast<uint32_t*>(array_element(app.compose_windows, i)) = 0;
    EXPECT_EQ(said, "Reached maximum window count!");
    EXPECT_EQ(opened, 0);
}

}  // namespace
