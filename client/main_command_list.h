// Every command of the main window that a user gives, one row each (the
// private commands of other threads are in ui/thread_commands.h):
//
//     X(command id, handler, states that refuse it, when it is greyed, where it is,
//       the menu that holds its item, the item's text, its accelerator)
//
// The portable table (main_commands.cpp) keeps the handler's name and leaves
// the function to the window (main_window.cpp), which calls it. The menus
// and the accelerator table of zenthmail.rc say the same as the last three
// columns; the window tests hold them against each other.
#pragma once

#include "client/main_window_ids.h"

// clang-format off
#define MAIN_COMMANDS(X)                                                                                               \
    /* File */                                                                                                         \
    X(CMD_OPEN_FILE, open_file, 0, GREY_WITHOUT_MESSAGE, ON_MENU, MENU_FILE, "Open File", "Ctrl+O")                    \
    X(CMD_PRINT, print_message, REFUSE_IN_HEADERS, GREY_WITHOUT_MESSAGE, ON_MENU, MENU_FILE, "Print", "Ctrl+P")        \
    X(CMD_REFRESH_FOLDER, refresh_folder, REFUSE_WHILE_FILLING | REFUSE_BUSY, GREY_NEVER, ON_MENU, MENU_FILE,          \
      "Refresh Folder", "Ctrl+R")                                                                                      \
    X(CMD_ENTER_TRAY, enter_tray, 0, GREY_NEVER, ON_MENU, MENU_FILE, "Enter System Tray Mode", "Ctrl+T")               \
    X(CMD_CLOSE_SEND_WINDOWS, close_send_windows, 0, GREY_NEVER, ON_MENU, MENU_FILE, "Close Send Windows", nullptr)    \
    X(CMD_EXIT, exit_client, 0, GREY_NEVER, ON_MENU, MENU_FILE, "Exit", nullptr)                                       \
    /* Mail */                                                                                                         \
    X(CMD_CHECK_ALL_ACCOUNTS, check_all_accounts, REFUSE_IN_HEADERS | REFUSE_BUSY, GREY_NEVER, ON_MENU, MENU_MAIL,     \
      "Check All Accounts", "Ctrl+K")                                                                                  \
    X(CMD_SEND_QUEUED, send_queued, REFUSE_FILLING_OUTBOX | REFUSE_BUSY_OUTBOX, GREY_NEVER, ON_MENU, MENU_MAIL,        \
      "Send Queued", nullptr)                                                                                          \
    X(CMD_DOWNLOAD_FROM_SERVER, download_from_server, 0, GREY_WITHOUT_SERVER_ROW, ON_MENU, MENU_MAIL,                  \
      "Download From Server", nullptr)                                                                                 \
    X(CMD_DELETE_FROM_SERVER, delete_from_server, 0, GREY_WITHOUT_SERVER_ROW, ON_MENU, MENU_MAIL,                      \
      "Delete From Server", nullptr)                                                                                   \
    X(CMD_REPLY_TO_LIST, reply_to_list, 0, GREY_WITHOUT_MESSAGE, ON_MENU, MENU_MAIL, "Reply to List", nullptr)         \
    X(IDC_FORWARD, forward, 0, GREY_WITHOUT_MESSAGE, ON_BUTTON | ON_MENU, MENU_MAIL, "Forward", "Ctrl+F")              \
    X(CMD_SHOW_HTML, show_html, 0, GREY_WITHOUT_MESSAGE, ON_MENU, MENU_MAIL, "Show HTML", nullptr)                     \
    X(CMD_SHOW_TEXT, show_text, 0, GREY_WITHOUT_MESSAGE, ON_MENU, MENU_MAIL, "Show Text", nullptr)                     \
    X(CMD_DETAILS, details, 0, GREY_WITHOUT_MESSAGE, ON_MENU, MENU_MAIL, "Details", "Ctrl+D")                          \
    X(CMD_VIEW_SOURCE, view_source, 0, GREY_WITHOUT_MESSAGE, ON_MENU, MENU_MAIL, "View Source", "Ctrl+S")              \
    X(CMD_MARK, toggle_mark_of_selected, REFUSE_IN_HEADERS, GREY_WITHOUT_MESSAGE, ON_MENU, MENU_MAIL, "Mark",          \
      "Ctrl+I")                                                                                                        \
    X(IDC_DELETE, delete_selected, REFUSE_WHILE_FILLING | REFUSE_IN_HEADERS | REFUSE_BUSY, GREY_WITHOUT_MESSAGE,        \
      ON_BUTTON | ON_MENU, MENU_MAIL, "Delete", nullptr)                                                               \
    X(CMD_DELETE_ALL, delete_all, REFUSE_WHILE_FILLING | REFUSE_IN_HEADERS | REFUSE_BUSY, GREY_NEVER, ON_MENU,          \
      MENU_MAIL, "Delete All", nullptr)                                                                                \
    X(CMD_COPY_FILE, copy_selected, REFUSE_IN_HEADERS, GREY_WITHOUT_MESSAGE, ON_MENU, MENU_MAIL, "Copy File",          \
      nullptr)                                                                                                         \
    X(CMD_MOVE_FILE, move_selected, REFUSE_IN_HEADERS, GREY_WITHOUT_MESSAGE, ON_MENU, MENU_MAIL, "Move File",          \
      nullptr)                                                                                                         \
    X(CMD_EXTRACT_ATTACHMENTS, extract_attachments_command, REFUSE_IN_HEADERS | REFUSE_WITHOUT_ATTACHMENTS,            \
      GREY_WITHOUT_MESSAGE, ON_MENU, MENU_MAIL, "Extract Attachments", "Ctrl+E")                                       \
    X(CMD_ADD_TO_ADDRESS_BOOK, add_to_address_book, 0, GREY_WITHOUT_MESSAGE, ON_MENU, MENU_MAIL,                       \
      "Add To Address Book", "Ctrl+B")                                                                                 \
    X(CMD_SORT_BY_FILE_NAME, sort_by_name, REFUSE_WHILE_FILLING | REFUSE_IN_HEADERS | REFUSE_BUSY, GREY_NEVER,         \
      ON_MENU, MENU_MAIL, "Sort By File Name", nullptr)                                                                \
    X(CMD_REPLY_WITH_MESSAGE, toggle_option, 0, GREY_NEVER, ON_MENU, MENU_MAIL, "Reply With Message", nullptr)         \
    X(CMD_INDENT_QUOTED, toggle_option, 0, GREY_NEVER, ON_MENU, MENU_MAIL, "Indent Quoted Text", nullptr)              \
    X(CMD_ORIGINAL_REPLY_STYLE, toggle_option, 0, GREY_NEVER, ON_MENU, MENU_MAIL, "Original Message Reply Style",      \
      nullptr)                                                                                                         \
    /* Edit */                                                                                                         \
    X(CMD_CUT, cut, 0, GREY_NEVER, ON_MENU, MENU_EDIT, "Cut", nullptr)                                                 \
    X(CMD_COPY, copy, 0, GREY_NEVER, ON_MENU, MENU_EDIT, "Copy", nullptr)                                              \
    X(CMD_PASTE, paste, 0, GREY_NEVER, ON_MENU, MENU_EDIT, "Paste", nullptr)                                           \
    X(CMD_CLEAR, clear, 0, GREY_NEVER, ON_MENU, MENU_EDIT, "Delete", nullptr)                                          \
    X(CMD_SELECT_ALL, select_all, 0, GREY_NEVER, ON_MENU, MENU_EDIT, "Select All", nullptr)                            \
    /* Tools */                                                                                                        \
    X(CMD_ADDRESS_BOOK, address_book, 0, GREY_NEVER, ON_MENU, MENU_TOOLS, "Address Book", "Ctrl+A")                    \
    X(CMD_SEARCH, search, REFUSE_WHILE_FILLING | REFUSE_IN_HEADERS, GREY_NEVER, ON_MENU, MENU_TOOLS, "Search",         \
      nullptr)                                                                                                         \
    X(CMD_ACCOUNT_MANAGER, account_manager, 0, GREY_NEVER, ON_MENU, MENU_TOOLS, "Account Manager", "Ctrl+M")           \
    X(CMD_MESSAGE_FONT, choose_message_font, 0, GREY_NEVER, ON_MENU, MENU_TOOLS, "Message Font Selector", nullptr)     \
    X(CMD_PRINTER_FONT, choose_printer_font, 0, GREY_NEVER, ON_MENU, MENU_TOOLS, "Printer Font Selector", nullptr)     \
    /* Help */                                                                                                         \
    X(CMD_VIEW_HELP_FILE, view_help_file, 0, GREY_NEVER, ON_MENU, MENU_HELP, "View Help File", nullptr)                \
    X(CMD_ABOUT, about, 0, GREY_NEVER, ON_MENU, MENU_HELP, "About", nullptr)                                           \
    /* Colors (the schemes from 20000 up are not rows: as many as the files found) */                                  \
    X(CMD_SYSTEM_COLOURS, system_colours, 0, GREY_NEVER, ON_MENU, MENU_COLOURS, "System Default", nullptr)             \
    /* The list's menu 3000 (it holds Delete too), the tray's and the attachments line's */                            \
    X(IDC_REPLY, reply, 0, GREY_WITHOUT_MESSAGE, ON_BUTTON, MENU_LIST, "Reply", nullptr)                               \
    X(CMD_WAKE, wake, 0, GREY_NEVER, ON_MENU, MENU_TRAY, "Wake", nullptr)                                              \
    X(CMD_OPEN_ATTACHMENT, attachment_command, 0, GREY_NEVER, ON_MENU, MENU_ATTACHMENT, "Open", nullptr)               \
    X(CMD_SAVE_ATTACHMENT, attachment_command, 0, GREY_NEVER, ON_MENU, MENU_ATTACHMENT, "Save", nullptr)               \
    /* Buttons and accelerators only */                                                                                \
    X(IDC_RECEIVE, receive_mail, REFUSE_IN_HEADERS | REFUSE_BUSY, GREY_NEVER, ON_BUTTON, MENU_NONE, nullptr, nullptr)  \
    X(IDC_NEW_EMAIL, new_email, 0, GREY_NEVER, ON_BUTTON, MENU_NONE, nullptr, nullptr)                                 \
    X(IDC_SAVE, save_message, 0, GREY_WITHOUT_MESSAGE, ON_BUTTON, MENU_NONE, nullptr, nullptr)                         \
    X(IDC_VIEW, view_message, 0, GREY_WITHOUT_MESSAGE, ON_BUTTON, MENU_NONE, nullptr, nullptr)                         \
    X(CMD_SHOW_IN_PREVIEW, show_in_preview, 0, GREY_NEVER, 0, MENU_NONE, nullptr, "F9")
// clang-format on
