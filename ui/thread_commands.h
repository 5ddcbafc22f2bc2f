// The client's private messages between its threads: commands that jobs and
// dialog threads send the main window or a status window, and the window
// messages of the tray icon and of status windows. None of them appears in
// a menu or a resource.
#pragma once

#include <windows.h>

// To a status window: the job's socket and open file, which Cancel closes.
constexpr int CMD_STATUS_SOCKET = 124;
constexpr int CMD_STATUS_FILE = 125;
// To the main window: list the folder on show again (a job changed it;
// JobHost::redisplay).
constexpr int CMD_REDISPLAY = 126;
// To the main window, with a message number: Send Queued sent it.
constexpr int CMD_REMOVE_SENT_ROW = 127;
// To the main window, with a batch of rows from the list fill.
constexpr int CMD_LIST_ROWS = 128;
// To the main window, with a SearchRequest: the folder on show and a copy
// of the list's rows, taken on the interface thread.
constexpr int CMD_SEARCH_ROWS = 129;
// To the main window, with a result folder's label: its tree item at the
// end of the tree; the parameter's first byte says whether to open it.
constexpr int CMD_ADD_RESULT_FOLDER = 130;
// To the main window: open a new send window and wait until it exists.
constexpr int CMD_OPEN_SEND_WINDOW = 910;
// To the main window, with a request: make a status window for a job.
constexpr int CMD_OPEN_STATUS_WINDOW = 920;
// Posted by the move worker once its files have gone: the folder on show is
// listed again on the window's own thread.
constexpr int CMD_REFILL_AFTER_MOVE = 1131;

// The tray icon's callback message and the icon's number.
constexpr UINT WM_TRAY_ICON = WM_USER + 101;
constexpr UINT TRAY_ICON_ID = 100;
// A job's own request to close its status window.
constexpr UINT WM_STATUS_CLOSE = WM_APP + 1;
// A job handed its status window text or progress to show (posted, once
// until the window took it).
constexpr UINT WM_STATUS_SHOW = WM_APP + 2;
