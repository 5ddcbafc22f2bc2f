// What the main window is showing, read by the interface thread and by the
// jobs that fill the list or write into folders.
#pragma once

#include <atomic>

extern std::atomic<int> headers_view;     // the "E-mail Headers" item is on show
extern std::atomic<int> search_view;      // a search result folder is on show
extern std::atomic<int> list_filling;     // the message list is being filled
extern std::atomic<int> list_cancel;      // a job asks the fill to stop
extern std::atomic<int> list_incomplete;  // the last fill did not place every message

// The window side of JobHost::before_folder_write: when `folder` is the
// folder on show, a fill of its list stops (waiting up to a minute for it)
// before mail is written there, and the answer is true so that the job asks
// for the list again when it is done.
bool stop_fill_before_write(const char* folder);
