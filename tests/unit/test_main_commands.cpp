// The main window's command table: which commands each state of the window
// refuses, and which menu items and buttons are greyed. The sets are the
// window's behaviour as users meet it, so they are written out here in full.
// The menus and accelerators are read from the client's resource script,
// which the table must say the same as.
#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/main_command_list.h"
#include "client/main_commands.h"
#include "client/main_window_ids.h"
#include "tests/unit/test_support.h"

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
// text and accelerator as the user reads them.
struct MenuEntry {
    CommandMenu menu;
    int id;
    std::string text;
};

// The table's commands by the names the resource script gives them.
std::map<std::string, int> command_numbers() {
    std::map<std::string, int> numbers;
#define ZM_NAME_ROW(id, handler, refused, greying, where, menu, text, accelerator) numbers[#id] = id;
    MAIN_COMMANDS(ZM_NAME_ROW)
#undef ZM_NAME_ROW
    return numbers;
}

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// A resource line's fields between the commas, trimmed.
std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string field; std::getline(parts, field, ',');) fields.push_back(trimmed(field));
    return fields;
}

// A block of the client's resource script (ui/zenthmail.rc) from the line
// that begins with `heading` to the END that closes it, one line each,
// trimmed; empty when there is none.
std::vector<std::string> resource_block(const std::string& heading) {
    std::ifstream in(source_folder() / "ui" / "zenthmail.rc");
    std::vector<std::string> block;
    int depth = 0;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        line = trimmed(line);
        if (!inside) {
            inside = line.rfind(heading, 0) == 0;
            continue;
        }
        block.push_back(line);
        if (line == "BEGIN") depth++;
        if (line == "END" && --depth == 0) break;
    }
    return block;
}

// The main menu's items as the resource script writes them, the "\t" of a
// text made a tab. The "Colors" pop-up is built at run time from its one
// row, "System Default", and the scheme files found.
std::vector<MenuEntry> resource_main_menu() {
    const std::map<std::string, CommandMenu> popups{
        {"File", MENU_FILE}, {"Mail", MENU_MAIL}, {"Edit", MENU_EDIT}, {"Tools", MENU_TOOLS}, {"Help", MENU_HELP}};
    std::map<std::string, int> numbers = command_numbers();
    std::vector<MenuEntry> entries;
    CommandMenu popup = MENU_NONE;
    for (const std::string& line : resource_block("IDM_MAIN MENU")) {
        size_t open = line.find('"'), close = line.rfind('"');
        if (open == std::string::npos || close == open) continue;
        std::string text = line.substr(open + 1, close - open - 1);
        if (line.rfind("POPUP", 0) == 0) {
            popup = popups.count(text) ? popups.at(text) : MENU_NONE;
            continue;
        }
        for (size_t tab; (tab = text.find("\\t")) != std::string::npos;) text.replace(tab, 2, "\t");
        // After the text: ", NAME" and maybe ", GRAYED".
        std::vector<std::string> after = fields_of(line.substr(close + 1));
        std::string name = after.size() > 1 ? after[1] : "";
        // A name the table lacks counts as no command at all.
        entries.push_back({popup, numbers.count(name) ? numbers.at(name) : 0, text});
    }
    entries.push_back({MENU_COLOURS, CMD_SYSTEM_COLOURS, "System Default"});
    return entries;
}

// The main accelerators as the resource script writes them: "F9" for
// VK_F9, "Ctrl+F" for "F" with CONTROL.
std::map<std::string, int> resource_accelerators() {
    std::map<std::string, int> numbers = command_numbers();
    std::map<std::string, int> keys;
    for (const std::string& line : resource_block("IDA_MAIN ACCELERATORS")) {
        std::vector<std::string> fields = fields_of(line);
        if (fields.size() < 3 || fields[0].size() < 3) continue;
        const std::string& code = fields[0];
        std::string key = code.rfind("VK_", 0) == 0 ? code.substr(3) : code.substr(1, code.size() - 2);
        if (std::find(fields.begin(), fields.end(), "CONTROL") != fields.end()) key = "Ctrl+" + key;
        keys[key] = numbers.count(fields[1]) ? numbers.at(fields[1]) : 0;
    }
    return keys;
}

const std::vector<MenuEntry> main_menu = resource_main_menu();

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
    const std::map<std::string, int> accelerators = resource_accelerators();
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
    for (int id : {IDC_RECEIVE, IDC_NEW_EMAIL, IDC_DELETE, IDC_VIEW, IDC_SAVE, IDC_REPLY, IDC_FORWARD,
                   CMD_SHOW_IN_PREVIEW, CMD_WAKE, CMD_OPEN_ATTACHMENT, CMD_SAVE_ATTACHMENT})
        EXPECT_TRUE(ids.count(id)) << id;
    for (const MenuEntry& entry : main_menu) EXPECT_TRUE(ids.count(entry.id)) << entry.id;
    EXPECT_EQ(std::string(find_main_command(CMD_VIEW_SOURCE)->handler), "view_source");
    EXPECT_EQ(std::string(find_main_command(IDC_NEW_EMAIL)->handler), "new_email");
}

}  // namespace
