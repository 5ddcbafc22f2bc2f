// The main window's menus and accelerators as the process loads them, held
// against the command table: every item where its row puts it, with its
// text and accelerator, greyed until a message is chosen; and what a click
// and a right click on the list enable.
#include <windows.h>

#include <commctrl.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "client/main_commands.h"
#include "client/main_window_ids.h"
#include "client/view_state.h"
#include "main_window_fixture.h"
#include "wingui/list_view.h"

namespace {

std::string item_text(HMENU menu, UINT index) {
    char text[256] = {};
    GetMenuStringA(menu, index, text, sizeof text, MF_BYPOSITION);
    return text;
}

// The commands of a pop-up in order, separators left out, with their texts.
std::vector<std::pair<int, std::string>> items_of(HMENU popup) {
    std::vector<std::pair<int, std::string>> items;
    for (int i = 0; i < GetMenuItemCount(popup); i++) {
        UINT id = GetMenuItemID(popup, i);
        if (id != 0 && id != static_cast<UINT>(-1)) items.emplace_back(static_cast<int>(id), item_text(popup, i));
    }
    return items;
}

std::string row_text(const CommandRow& row) {
    std::string text = row.text ? row.text : "";
    if (row.accelerator) text += std::string("\t") + row.accelerator;
    return text;
}

bool greyed(HMENU menu, int id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; }

TEST_F(MainWindowTest, MenuBarHoldsEveryRowInItsPopup) {
    HMENU bar = GetMenu(window);
    std::vector<std::string> titles;
    for (int i = 0; i < GetMenuItemCount(bar); i++) titles.push_back(item_text(bar, i));
    EXPECT_EQ(titles, (std::vector<std::string>{"File", "Mail", "Colors", "Edit", "Tools", "Help"}));
    const std::map<CommandMenu, int> popup_at{{MENU_FILE, 0}, {MENU_MAIL, 1}, {MENU_COLOURS, 2},
                                              {MENU_EDIT, 3}, {MENU_TOOLS, 4}, {MENU_HELP, 5}};
    std::map<int, std::vector<std::pair<int, std::string>>> expected;
    int count = 0;
    const CommandRow* rows = main_command_rows(&count);
    for (int i = 0; i < count; i++)
        if (popup_at.count(rows[i].menu)) expected[popup_at.at(rows[i].menu)].emplace_back(rows[i].id, row_text(rows[i]));
    for (auto& [position, items] : expected) {
        auto found = items_of(GetSubMenu(bar, position));
        // "Colors" also lists the schemes found; none are here.
        EXPECT_EQ(found, items) << titles[static_cast<size_t>(position)];
    }
}

TEST_F(MainWindowTest, MessageItemsStartGreyedAndOptionsChecked) {
    HMENU bar = GetMenu(window);
    const std::set<int> message_items{CMD_REPLY_TO_LIST, CMD_DELETE_FROM_SERVER, CMD_DOWNLOAD_FROM_SERVER, IDC_DELETE,
                                      IDC_FORWARD, CMD_DETAILS, CMD_ADD_TO_ADDRESS_BOOK, CMD_EXTRACT_ATTACHMENTS,
                                      CMD_PRINT, CMD_VIEW_SOURCE, CMD_OPEN_FILE, CMD_SHOW_HTML, CMD_SHOW_TEXT,
                                      CMD_MARK, CMD_COPY_FILE, CMD_MOVE_FILE};
    int count = 0;
    const CommandRow* rows = main_command_rows(&count);
    for (int i = 0; i < count; i++) {
        if (rows[i].menu < MENU_FILE || rows[i].menu > MENU_HELP) continue;
        EXPECT_EQ(greyed(bar, rows[i].id), message_items.count(rows[i].id) == 1) << rows[i].id;
    }
    for (int id : {IDC_DELETE, IDC_VIEW, IDC_SAVE, IDC_REPLY, IDC_FORWARD}) EXPECT_FALSE(IsWindowEnabled(item(id))) << id;
    for (int id : {IDC_RECEIVE, IDC_NEW_EMAIL}) EXPECT_TRUE(IsWindowEnabled(item(id))) << id;
    // The three reply options are check marks; with no settings file they
    // are all off, and a click checks one.
    for (int id : {CMD_REPLY_WITH_MESSAGE, CMD_INDENT_QUOTED, CMD_ORIGINAL_REPLY_STYLE})
        EXPECT_FALSE(GetMenuState(bar, id, MF_BYCOMMAND) & MF_CHECKED) << id;
    SendMessageA(window, WM_COMMAND, CMD_INDENT_QUOTED, 0);
    EXPECT_TRUE(GetMenuState(bar, CMD_INDENT_QUOTED, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(MainWindowTest, ListMenuAndAcceleratorTable) {
    HMENU list_menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_LIST));
    ASSERT_NE(list_menu, nullptr);
    EXPECT_EQ(items_of(GetSubMenu(list_menu, 0)),
              (std::vector<std::pair<int, std::string>>{{IDC_REPLY, "Reply"}, {IDC_DELETE, "Delete"}}));
    DestroyMenu(list_menu);

    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDA_MAIN));
    ASSERT_NE(table, nullptr);
    ACCEL keys[64];
    int n = CopyAcceleratorTableA(table, keys, 64);
    std::map<std::string, int> loaded;
    for (int i = 0; i < n; i++) {
        ASSERT_TRUE(keys[i].fVirt & FVIRTKEY);
        std::string name = keys[i].key == VK_F9 ? "F9" : std::string("Ctrl+") + static_cast<char>(keys[i].key);
        if (keys[i].key != VK_F9) {
            EXPECT_TRUE(keys[i].fVirt & FCONTROL) << name;
        }
        loaded[name] = keys[i].cmd;
    }
    std::map<std::string, int> in_table;
    int count = 0;
    const CommandRow* rows = main_command_rows(&count);
    for (int i = 0; i < count; i++)
        if (rows[i].accelerator) in_table[rows[i].accelerator] = rows[i].id;
    EXPECT_EQ(loaded, in_table);
    EXPECT_EQ(n, 14);
}

// A row selected in the list and a click on it, as the list tells its
// window.
void click_list(HWND window, UINT code) {
    HWND list = GetDlgItem(window, IDC_MESSAGE_LIST);
    NMITEMACTIVATE click{};
    click.hdr = {list, static_cast<UINT_PTR>(IDC_MESSAGE_LIST), code};
    click.iItem = 0;
    SendMessageA(window, WM_NOTIFY, IDC_MESSAGE_LIST, reinterpret_cast<LPARAM>(&click));
}

TEST_F(MainWindowTest, AClickEnablesTheMessageCommands) {
    HWND list = item(IDC_MESSAGE_LIST);
    list_insert_row(list, 0, "someone", nullptr);
    click_list(window, NM_CLICK);
    HMENU bar = GetMenu(window);
    // Nothing selected: nothing changes.
    EXPECT_TRUE(greyed(bar, CMD_VIEW_SOURCE));
    list_select_row(list, 0);
    click_list(window, NM_CLICK);
    for (int id : {IDC_DELETE, CMD_REPLY_TO_LIST, CMD_DETAILS, CMD_ADD_TO_ADDRESS_BOOK, CMD_PRINT, CMD_OPEN_FILE,
                   CMD_SHOW_HTML, CMD_SHOW_TEXT, CMD_MARK, CMD_COPY_FILE, CMD_MOVE_FILE, CMD_VIEW_SOURCE, IDC_FORWARD,
                   CMD_EXTRACT_ATTACHMENTS})
        EXPECT_FALSE(greyed(bar, id)) << id;
    for (int id : {CMD_DELETE_FROM_SERVER, CMD_DOWNLOAD_FROM_SERVER}) EXPECT_TRUE(greyed(bar, id)) << id;
    for (int id : {IDC_DELETE, IDC_VIEW, IDC_SAVE, IDC_REPLY, IDC_FORWARD}) EXPECT_TRUE(IsWindowEnabled(item(id))) << id;
    // The list losing the focus to the preview greys them again.
    SetFocus(list);
    SetFocus(item(IDC_PREVIEW));
    pump();
    EXPECT_TRUE(greyed(bar, CMD_VIEW_SOURCE));
    EXPECT_FALSE(IsWindowEnabled(item(IDC_DELETE)));
}

TEST_F(MainWindowTest, InTheHeadersViewOnlyTheServerCommandsAreEnabled) {
    HWND list = item(IDC_MESSAGE_LIST);
    list_insert_row(list, 0, "on the server", nullptr);
    list_select_row(list, 0);
    headers_view = 1;
    click_list(window, NM_CLICK);
    headers_view = 0;
    HMENU bar = GetMenu(window);
    for (int id : {CMD_DELETE_FROM_SERVER, CMD_DOWNLOAD_FROM_SERVER}) EXPECT_FALSE(greyed(bar, id)) << id;
    for (int id : {IDC_DELETE, CMD_REPLY_TO_LIST, CMD_DETAILS, CMD_ADD_TO_ADDRESS_BOOK, CMD_PRINT, CMD_OPEN_FILE,
                   CMD_SHOW_HTML, CMD_SHOW_TEXT, CMD_MARK, CMD_COPY_FILE, CMD_MOVE_FILE, CMD_VIEW_SOURCE, IDC_FORWARD})
        EXPECT_TRUE(greyed(bar, id)) << id;
    EXPECT_FALSE(IsWindowEnabled(item(IDC_DELETE)));
}

// The pop-up menus the window shows, each closed again as soon as it is
// open: the texts of each one's items.
std::vector<std::vector<std::string>> popups_shown;

LRESULT CALLBACK watch_menus(int code, WPARAM wparam, LPARAM lparam) {
    auto* call = reinterpret_cast<CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && call->message == WM_INITMENUPOPUP) {
        std::vector<std::string> texts;
        for (auto& item : items_of(reinterpret_cast<HMENU>(call->wParam))) texts.push_back(item.second);
        popups_shown.push_back(texts);
        PostMessageA(call->hwnd, WM_CANCELMODE, 0, 0);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

struct MenuWatch {
    HHOOK hook;
    MenuWatch() : hook(SetWindowsHookExA(WH_CALLWNDPROC, watch_menus, nullptr, GetCurrentThreadId())) {
        popups_shown.clear();
    }
    ~MenuWatch() { UnhookWindowsHookEx(hook); }
};

TEST_F(MainWindowTest, ARightClickOnARowShowsTheListMenu) {
    HWND list = item(IDC_MESSAGE_LIST);
    list_insert_row(list, 0, "someone", nullptr);
    list_select_row(list, 0);
    MenuWatch watch;
    headers_view = 1;
    click_list(window, NM_RCLICK);
    headers_view = 0;
    // In the server's header list a right click does nothing.
    EXPECT_TRUE(popups_shown.empty());
    EXPECT_TRUE(greyed(GetMenu(window), CMD_DELETE_FROM_SERVER));
    click_list(window, NM_RCLICK);
    EXPECT_EQ(popups_shown, (std::vector<std::vector<std::string>>{{"Reply", "Delete"}}));
    EXPECT_FALSE(greyed(GetMenu(window), CMD_VIEW_SOURCE));
    EXPECT_TRUE(IsWindowEnabled(item(IDC_REPLY)));
}

TEST_F(MainWindowTest, ARightClickOnThePreviewShowsTheEditMenu) {
    HWND preview = item(IDC_PREVIEW);
    RECT r;
    GetWindowRect(preview, &r);
    SetForegroundWindow(window);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SetFocus(item(IDC_FOLDER_TREE));
    MenuWatch watch;
    // The main loop hands the window the button's release; 1 means the
    // loop drops it.
    LRESULT dropped = SendMessageA(window, WM_RBUTTONUP, 0, 0);
    EXPECT_EQ(GetWindowLongPtrA(window, DWLP_MSGRESULT), 1);
    (void)dropped;
    EXPECT_EQ(popups_shown, (std::vector<std::vector<std::string>>{{"Cut", "Copy", "Paste", "Delete", "Select All"}}));
    // The pane was clicked first, so the menu's commands act on it.
    EXPECT_EQ(GetFocus(), preview);
}

}  // namespace
