// Every command of the main window that a user gives, one row each (the
// private commands of other threads are in ui/thread_commands.h):
//
//     X(command id, handler, states that refuse it, when it is greyed, where it is)
//
// The portable table (main_commands.cpp) takes the states and the greying
// and leaves the handler unread; the window (main_window.cpp) takes the
// handler as well. A command whose window is not built yet has `no_handler`.
// The states, greying and places are those of ui/main_commands.h.
#pragma once

#include "ui/main_window_ids.h"

#define MAIN_COMMANDS(X)                                                                                            \
    X(IDC_RECEIVE, receive_mail, REFUSE_IN_HEADERS | REFUSE_BUSY, GREY_NEVER, ON_BUTTON)                             \
    X(CMD_CHECK_ALL_ACCOUNTS, check_all_accounts, REFUSE_IN_HEADERS | REFUSE_BUSY, GREY_NEVER, ON_MENU)              \
    X(CMD_DOWNLOAD_FROM_SERVER, download_from_server, 0, GREY_WITHOUT_SERVER_ROW, ON_MENU)                           \
    X(CMD_DELETE_FROM_SERVER, delete_from_server, 0, GREY_WITHOUT_SERVER_ROW, ON_MENU)                               \
    X(CMD_SEND_QUEUED, send_queued, REFUSE_FILLING_OUTBOX | REFUSE_BUSY_OUTBOX, GREY_NEVER, ON_MENU)                 \
    X(CMD_ENTER_TRAY, enter_tray, 0, GREY_NEVER, ON_MENU)                                                            \
    X(CMD_WAKE, wake, 0, GREY_NEVER, ON_MENU)                                                                        \
    X(CMD_REFRESH_FOLDER, refresh_folder, REFUSE_WHILE_FILLING | REFUSE_BUSY, GREY_NEVER, ON_MENU)                   \
    X(CMD_SORT_BY_FILE_NAME, sort_by_name, REFUSE_WHILE_FILLING | REFUSE_IN_HEADERS | REFUSE_BUSY, GREY_NEVER,       \
      ON_MENU)                                                                                                       \
    X(CMD_SEARCH, no_handler, REFUSE_WHILE_FILLING | REFUSE_IN_HEADERS, GREY_NEVER, ON_MENU)                         \
    X(CMD_EXIT, exit_client, 0, GREY_NEVER, ON_MENU)                                                                 \
    X(CMD_PASTE, paste, 0, GREY_NEVER, ON_MENU)                                                                      \
    X(CMD_COPY, copy, 0, GREY_NEVER, ON_MENU)                                                                        \
    X(CMD_CLEAR, clear, 0, GREY_NEVER, ON_MENU)                                                                      \
    X(CMD_CUT, cut, 0, GREY_NEVER, ON_MENU)                                                                          \
    X(CMD_SELECT_ALL, select_all, 0, GREY_NEVER, ON_MENU)                                                            \
    X(CMD_ABOUT, about, 0, GREY_NEVER, ON_MENU)                                                                      \
    X(CMD_REPLY_WITH_MESSAGE, toggle_option, 0, GREY_NEVER, ON_MENU)                                                 \
    X(CMD_INDENT_QUOTED, toggle_option, 0, GREY_NEVER, ON_MENU)                                                      \
    X(CMD_ORIGINAL_REPLY_STYLE, toggle_option, 0, GREY_NEVER, ON_MENU)                                               \
    X(IDC_DELETE, delete_selected, REFUSE_WHILE_FILLING | REFUSE_IN_HEADERS | REFUSE_BUSY, GREY_WITHOUT_MESSAGE,     \
      ON_BUTTON | ON_MENU)                                                                                           \
    X(CMD_DELETE_ALL, delete_all, REFUSE_WHILE_FILLING | REFUSE_IN_HEADERS | REFUSE_BUSY, GREY_NEVER, ON_MENU)       \
    X(IDC_SAVE, save_message, 0, GREY_WITHOUT_MESSAGE, ON_BUTTON)                                                    \
    X(IDC_VIEW, no_handler, 0, GREY_WITHOUT_MESSAGE, ON_BUTTON)                                                      \
    X(IDC_REPLY, no_handler, 0, GREY_WITHOUT_MESSAGE, ON_BUTTON)                                                     \
    X(IDC_FORWARD, no_handler, 0, GREY_WITHOUT_MESSAGE, ON_BUTTON | ON_MENU)                                         \
    X(CMD_REPLY_TO_LIST, no_handler, 0, GREY_WITHOUT_MESSAGE, ON_MENU)                                               \
    X(CMD_DETAILS, no_handler, 0, GREY_WITHOUT_MESSAGE, ON_MENU)                                                     \
    X(CMD_ADD_TO_ADDRESS_BOOK, no_handler, 0, GREY_WITHOUT_MESSAGE, ON_MENU)                                         \
    X(CMD_PRINT, no_handler, REFUSE_IN_HEADERS, GREY_WITHOUT_MESSAGE, ON_MENU)                                       \
    X(CMD_VIEW_SOURCE, no_handler, 0, GREY_WITHOUT_MESSAGE, ON_MENU)                                                 \
    X(CMD_OPEN_FILE, no_handler, 0, GREY_WITHOUT_MESSAGE, ON_MENU)                                                   \
    X(CMD_SHOW_HTML, no_handler, 0, GREY_WITHOUT_MESSAGE, ON_MENU)                                                   \
    X(CMD_SHOW_TEXT, no_handler, 0, GREY_WITHOUT_MESSAGE, ON_MENU)                                                   \
    X(CMD_MARK, toggle_mark_of_selected, REFUSE_IN_HEADERS, GREY_WITHOUT_MESSAGE, ON_MENU)                           \
    X(CMD_COPY_FILE, copy_selected, REFUSE_IN_HEADERS, GREY_WITHOUT_MESSAGE, ON_MENU)                                \
    X(CMD_MOVE_FILE, move_selected, REFUSE_IN_HEADERS, GREY_WITHOUT_MESSAGE, ON_MENU)                                \
    X(CMD_EXTRACT_ATTACHMENTS, extract_attachments_command, REFUSE_IN_HEADERS | REFUSE_WITHOUT_ATTACHMENTS,          \
      GREY_WITHOUT_MESSAGE, ON_MENU)                                                                                 \
    X(CMD_OPEN_ATTACHMENT, attachment_command, 0, GREY_NEVER, ON_MENU)                                               \
    X(CMD_SAVE_ATTACHMENT, attachment_command, 0, GREY_NEVER, ON_MENU)                                              \
    X(CMD_SYSTEM_COLOURS, system_colours, 0, GREY_NEVER, ON_MENU)                                                    \
    X(CMD_MESSAGE_FONT, choose_message_font, 0, GREY_NEVER, ON_MENU)                                                 \
    X(CMD_PRINTER_FONT, choose_printer_font, 0, GREY_NEVER, ON_MENU)
