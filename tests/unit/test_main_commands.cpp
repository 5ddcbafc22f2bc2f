// The main window's command table: which commands each state of the window
// refuses, and which menu items and buttons are greyed. The sets are the
// window's behaviour as users meet it, so they are written out here in full.
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/main_commands.h"
#include "ui/main_window_ids.h"

namespace {

std::set<int> refused_in(const CommandView& view) {
    std::set<int> ids;
    int count = 0;
    const CommandRow* rows = main_command_rows(&count);
    for (int i = 0; i < count; i++)
        if (command_refused(rows[i], view)) ids.insert(rows[i].id);
    return ids;
}

std::set<int> greyed_in(const CommandView& view, unsigned where) {
    std::set<int> ids;
    int count = 0;
    const CommandRow* rows = main_command_rows(&count);
    for (int i = 0; i < count; i++)
        if ((rows[i].where & where) && command_greyed(rows[i], view)) ids.insert(rows[i].id);
    return ids;
}

TEST(MainCommandTable, EachStateRefusesItsCommands) {
    EXPECT_EQ(refused_in(CommandView{}), std::set<int>{});
    EXPECT_EQ(refused_in(CommandView{.list_filling = true}),
              (std::set<int>{IDC_DELETE, CMD_DELETE_ALL, CMD_REFRESH_FOLDER, CMD_SEARCH, CMD_SORT_BY_FILE_NAME}));
    EXPECT_EQ(refused_in(CommandView{.headers_view = true}),
              (std::set<int>{CMD_EXTRACT_ATTACHMENTS, CMD_SEARCH, CMD_COPY_FILE, CMD_MOVE_FILE, CMD_MARK,
                             CMD_CHECK_ALL_ACCOUNTS, CMD_DELETE_ALL, IDC_DELETE, CMD_PRINT, IDC_RECEIVE,
                             CMD_SORT_BY_FILE_NAME}));
    EXPECT_EQ(refused_in(CommandView{.folder_busy = true}),
              (std::set<int>{CMD_REFRESH_FOLDER, IDC_DELETE, CMD_DELETE_ALL, IDC_RECEIVE, CMD_CHECK_ALL_ACCOUNTS,
                             CMD_SORT_BY_FILE_NAME}));
    EXPECT_EQ(refused_in(CommandView{.attachments_off = true}), std::set<int>{CMD_EXTRACT_ATTACHMENTS});
}

TEST(MainCommandTable, SendQueuedWaitsOnlyForTheOutbox) {
    EXPECT_EQ(refused_in(CommandView{.outbox = true}), std::set<int>{});
    EXPECT_TRUE(refused_in(CommandView{.list_filling = true, .outbox = true}).count(CMD_SEND_QUEUED));
    EXPECT_TRUE(refused_in(CommandView{.folder_busy = true, .outbox = true}).count(CMD_SEND_QUEUED));
    EXPECT_FALSE(refused_in(CommandView{.list_filling = true, .folder_busy = true}).count(CMD_SEND_QUEUED));
}

TEST(MainCommandTable, NothingIsRefusedThatTheStateDoesNotName) {
    // Every command stays available with a message selected, and the
    // commands that keep the window going are never refused.
    CommandView all{.list_filling = true, .headers_view = true, .folder_busy = true, .outbox = true,
                    .attachments_off = true, .message_selected = true};
    std::set<int> refused = refused_in(all);
    for (int id : {CMD_EXIT, CMD_ABOUT, CMD_ENTER_TRAY, CMD_WAKE, CMD_DOWNLOAD_FROM_SERVER,
                   CMD_DELETE_FROM_SERVER, CMD_OPEN_ATTACHMENT, CMD_SAVE_ATTACHMENT})
        EXPECT_FALSE(refused.count(id)) << id;
    EXPECT_EQ(find_main_command(9999), nullptr);
    EXPECT_EQ(find_main_command(CMD_SEND_QUEUED)->id, CMD_SEND_QUEUED);
}

TEST(MainCommandTable, MessageCommandsAreGreyedWithoutASelection) {
    const std::set<int> message_menu{CMD_REPLY_TO_LIST, IDC_DELETE,      IDC_FORWARD,     CMD_DETAILS,
                                     CMD_ADD_TO_ADDRESS_BOOK, CMD_EXTRACT_ATTACHMENTS, CMD_PRINT,
                                     CMD_VIEW_SOURCE, CMD_OPEN_FILE, CMD_SHOW_HTML, CMD_SHOW_TEXT, CMD_MARK,
                                     CMD_COPY_FILE, CMD_MOVE_FILE};
    const std::set<int> server_menu{CMD_DELETE_FROM_SERVER, CMD_DOWNLOAD_FROM_SERVER};
    const std::set<int> buttons{IDC_DELETE, IDC_VIEW, IDC_SAVE, IDC_REPLY, IDC_FORWARD};
    std::set<int> every_menu = message_menu;
    every_menu.insert(server_menu.begin(), server_menu.end());

    EXPECT_EQ(greyed_in(CommandView{}, ON_MENU), every_menu);
    EXPECT_EQ(greyed_in(CommandView{}, ON_BUTTON), buttons);
    EXPECT_EQ(greyed_in(CommandView{.message_selected = true}, ON_MENU), server_menu);
    EXPECT_EQ(greyed_in(CommandView{.message_selected = true}, ON_BUTTON), std::set<int>{});
    // In the server's header list only the server commands come back.
    EXPECT_EQ(greyed_in(CommandView{.headers_view = true, .message_selected = true}, ON_MENU), message_menu);
    EXPECT_EQ(greyed_in(CommandView{.headers_view = true, .message_selected = true}, ON_BUTTON), buttons);
}

TEST(MainCommandTable, EachCommandHasOneRow) {
    int count = 0;
    const CommandRow* rows = main_command_rows(&count);
    std::vector<int> ids;
    for (int i = 0; i < count; i++) ids.push_back(rows[i].id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
}

// Every menu item of the main menu in order, pop-up by pop-up, with its
// text and accelerator as the user reads them ("Colors" is filled at run
// time and holds its own row, "System Default").
struct MenuEntry {
    CommandMenu menu;
    int id;
    std::string text;
};

const std::vector<MenuEntry> main_menu = {
    {MENU_FILE, 393, "Open File\tCtrl+O"},        {MENU_FILE, 362, "Print\tCtrl+P"},
    {MENU_FILE, 1308, "Refresh Folder\tCtrl+R"},  {MENU_FILE, 600, "Enter System Tray Mode\tCtrl+T"},
    {MENU_FILE, 1306, "Close Send Windows"},      {MENU_FILE, 302, "Exit"},
    {MENU_MAIL, 1200, "Check All Accounts\tCtrl+K"}, {MENU_MAIL, 940, "Send Queued"},
    {MENU_MAIL, 392, "Download From Server"},     {MENU_MAIL, 382, "Delete From Server"},
    {MENU_MAIL, 250, "Reply to List"},            {MENU_MAIL, 402, "Forward\tCtrl+F"},
    {MENU_MAIL, 202, "Show HTML"},                {MENU_MAIL, 203, "Show Text"},
    {MENU_MAIL, 338, "Details\tCtrl+D"},          {MENU_MAIL, 342, "View Source\tCtrl+S"},
    {MENU_MAIL, 1230, "Mark\tCtrl+I"},            {MENU_MAIL, 320, "Delete"},
    {MENU_MAIL, 332, "Delete All"},               {MENU_MAIL, 1120, "Copy File"},
    {MENU_MAIL, 1130, "Move File"},               {MENU_MAIL, 352, "Extract Attachments\tCtrl+E"},
    {MENU_MAIL, 350, "Add To Address Book\tCtrl+B"}, {MENU_MAIL, 1170, "Sort By File Name"},
    {MENU_MAIL, 345, "Reply With Message"},       {MENU_MAIL, 1220, "Indent Quoted Text"},
    {MENU_MAIL, 1700, "Original Message Reply Style"},
    {MENU_EDIT, 334, "Cut"},                      {MENU_EDIT, 326, "Copy"},
    {MENU_EDIT, 325, "Paste"},                    {MENU_EDIT, 327, "Delete"},
    {MENU_EDIT, 1025, "Select All"},
    {MENU_TOOLS, 1080, "Address Book\tCtrl+A"},   {MENU_TOOLS, 1280, "Search"},
    {MENU_TOOLS, 1070, "Account Manager\tCtrl+M"}, {MENU_TOOLS, 1250, "Message Font Selector"},
    {MENU_TOOLS, 1270, "Printer Font Selector"},
    {MENU_HELP, 335, "View Help File"},           {MENU_HELP, 328, "About"},
    {MENU_COLOURS, 1303, "System Default"},
};

std::string item_text(const CommandRow& row) {
    std::string text = row.text ? row.text : "";
    if (row.accelerator) text += std::string("\t") + row.accelerator;
    return text;
}

TEST(MainCommandTable, EveryMenuItemHasItsRowTextAndAccelerator) {
    int count = 0;
    const CommandRow* rows = main_command_rows(&count);
    std::vector<MenuEntry> in_table;
    for (int i = 0; i < count; i++)
        if (rows[i].menu >= MENU_FILE && rows[i].menu <= MENU_COLOURS)
            in_table.push_back({rows[i].menu, rows[i].id, item_text(rows[i])});
    ASSERT_EQ(in_table.size(), main_menu.size());
    for (size_t i = 0; i < main_menu.size(); i++) {
        EXPECT_EQ(in_table[i].menu, main_menu[i].menu) << main_menu[i].id;
        EXPECT_EQ(in_table[i].id, main_menu[i].id);
        EXPECT_EQ(in_table[i].text, main_menu[i].text);
    }
}

TEST(MainCommandTable, AcceleratorsAndTheOtherMenus) {
    const std::map<std::string, int> accelerators = {
        {"F9", 394},      {"Ctrl+F", 402},  {"Ctrl+D", 338}, {"Ctrl+S", 342}, {"Ctrl+K", 1200},
        {"Ctrl+B", 350},  {"Ctrl+E", 352},  {"Ctrl+P", 362}, {"Ctrl+O", 393}, {"Ctrl+T", 600},
        {"Ctrl+M", 1070}, {"Ctrl+A", 1080}, {"Ctrl+I", 1230}, {"Ctrl+R", 1308}};
    std::map<std::string, int> in_table;
    std::map<CommandMenu, std::set<int>> other_menus;
    int count = 0;
    const CommandRow* rows = main_command_rows(&count);
    for (int i = 0; i < count; i++) {
        if (rows[i].accelerator) {
            EXPECT_TRUE(in_table.emplace(rows[i].accelerator, rows[i].id).second);
        }
        if (rows[i].menu > MENU_COLOURS) other_menus[rows[i].menu].insert(rows[i].id);
    }
    EXPECT_EQ(in_table, accelerators);
    // Menu 3000 also holds Delete, whose row is the main menu's.
    EXPECT_EQ(other_menus[MENU_LIST], std::set<int>{IDC_REPLY});
    EXPECT_EQ(other_menus[MENU_TRAY], std::set<int>{CMD_WAKE});
    EXPECT_EQ(other_menus[MENU_ATTACHMENT], (std::set<int>{CMD_OPEN_ATTACHMENT, CMD_SAVE_ATTACHMENT}));
}

TEST(MainCommandTable, EveryCommandReachesANamedHandler) {
    // The buttons and the accelerator-only F9 are commands too; each has
    // the one handler its row names.
    std::set<int> ids;
    int count = 0;
    const CommandRow* rows = main_command_rows(&count);
    for (int i = 0; i < count; i++) {
        ids.insert(rows[i].id);
        ASSERT_NE(rows[i].handler, nullptr);
        EXPECT_GT(std::string(rows[i].handler).size(), 2u) << rows[i].id;
    }
    for (int id : {344, 343, 320, 346, 316, 339, 402, 394, 214, 260, 270}) EXPECT_TRUE(ids.count(id)) << id;
    for (const MenuEntry& entry : main_menu) EXPECT_TRUE(ids.count(entry.id)) << entry.id;
    EXPECT_EQ(std::string(find_main_command(CMD_VIEW_SOURCE)->handler), "view_source");
    EXPECT_EQ(std::string(find_main_command(IDC_NEW_EMAIL)->handler), "new_email");
}

}  // namespace
