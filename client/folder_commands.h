// The folder tree's commands as the main window offers them: what the view
// on show allows, and the questions and messages that go with each.
#pragma once

#include "core/ui_services.h"

// Each returns 0 when the window should change its tree, -1 when it was
// refused (after any message). No new folder is made below the server's
// header list or a search result; only a search result folder is deleted
// from the top level.
int create_new_item_folder(const char* selected_relative_path);
int delete_folder_item(const char* relative_path, bool top_level);

// Whether the tree may move its selection to the folder: not while the list
// fills, nor to a folder a transfer writes into.
bool folder_selection_allowed(const char* relative_path);

// Whether the folder may be renamed or deleted now: not while the list
// fills, nor while a transfer writes into it or into a folder below it
// (its path would go from under the job). A refusal says "This option is
// currently unavailable. Please try later." in `status_window`'s status line.
bool folder_change_allowed(const char* relative_path, WindowRef status_window);
