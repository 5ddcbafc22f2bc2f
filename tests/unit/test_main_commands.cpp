// The main window's command table: which commands each state of the window
// refuses, and which menu items and buttons are greyed. The sets are the
// window's behaviour as users meet it, so they are written out here in full.
#include <algorithm>
#include <set>
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

}  // namespace
