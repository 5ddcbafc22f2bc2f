// Resource, control and command numbers of the main window: its dialog,
// menus, accelerators, icons and bitmaps, and the commands of its menus,
// buttons and accelerators.
#pragma once

#include "status_window_ids.h"

// Dialog, menus, accelerators, icons
#define IDD_MAIN 300
#define IDD_MAIL_MESSAGE 400
#define IDM_MAIN 2000
#define IDA_MAIN 1600
#define IDA_COMPOSE 1500
#define IDI_MAIN 2000
#define IDB_FOLDERS 2200
#define IDB_FOLDERS_MASK 2300
#define IDI_TRAY 2400
#define IDI_TRAY_MAIL 2500
#define IDM_LIST 3000
#define IDM_TRAY 4000
#define IDM_ATTACHMENTS 5000

// Controls (the status line is IDC_STATUS, shared with the status windows)
#define IDC_FOLDER_TREE 347
#define IDC_MESSAGE_LIST 303
#define IDC_PREVIEW 324
#define IDC_SECOND_PANE 313
#define IDC_ATTACHMENTS 348
#define IDC_ACCOUNTS 340
#define IDC_RECEIVE 344
#define IDC_NEW_EMAIL 343
#define IDC_DELETE 320
#define IDC_VIEW 346
#define IDC_SAVE 316
#define IDC_REPLY 339
#define IDC_FORWARD 402

// Commands of the menus and accelerators
#define CMD_EXIT 302
#define CMD_PASTE 325
#define CMD_COPY 326
#define CMD_CLEAR 327
#define CMD_CUT 334
#define CMD_SELECT_ALL 1025
#define CMD_ABOUT 328
#define CMD_REPLY_WITH_MESSAGE 345
#define CMD_INDENT_QUOTED 1220
#define CMD_ORIGINAL_REPLY_STYLE 1700
#define CMD_CHECK_ALL_ACCOUNTS 1200
#define CMD_SEND_QUEUED 940
#define CMD_ENTER_TRAY 600
#define CMD_WAKE 214
#define CMD_DELETE_ALL 332
#define CMD_SEARCH 1280
#define CMD_REFRESH_FOLDER 1308
#define CMD_SORT_BY_FILE_NAME 1170
#define CMD_MESSAGE_FONT 1250
#define CMD_PRINTER_FONT 1270
// The "Colors" pop-up: the system colours, and the schemes from 20000 up
// (client/colour_schemes.h)
#define CMD_SYSTEM_COLOURS 1303

#define CMD_SHOW_IN_PREVIEW 394
#define CMD_VIEW_HELP_FILE 335
#define CMD_ACCOUNT_MANAGER 1070
#define CMD_ADDRESS_BOOK 1080
#define CMD_CLOSE_SEND_WINDOWS 1306

// Menu items of the message commands
#define CMD_REPLY_TO_LIST 250
#define CMD_DELETE_FROM_SERVER 382
#define CMD_DOWNLOAD_FROM_SERVER 392
#define CMD_DETAILS 338
#define CMD_ADD_TO_ADDRESS_BOOK 350
#define CMD_EXTRACT_ATTACHMENTS 352
#define CMD_PRINT 362
#define CMD_VIEW_SOURCE 342
#define CMD_OPEN_FILE 393
#define CMD_SHOW_HTML 202
#define CMD_SHOW_TEXT 203
#define CMD_MARK 1230
#define CMD_COPY_FILE 1120
#define CMD_MOVE_FILE 1130

// The attachments line's pop-up menu
#define CMD_OPEN_ATTACHMENT 260
#define CMD_SAVE_ATTACHMENT 270
