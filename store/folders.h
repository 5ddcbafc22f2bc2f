// Folders of the store: a folder is a directory below "maildir", shown in
// the main window's tree with the standard folders first at every level.
#pragma once

#include <string>
#include <vector>

#include "core/arrays.h"

// Removes every plain file of the folder whose name ends in the suffix
// ("" for all). Failures are logged and the clearing goes on.
void clear_folder(const char* folder, const char* suffix);
// Empties the folder, then removes it. Returns 0, or -2 after telling the
// user why the folder stayed ("Directory not empty!" when it has subfolders).
int delete_folder(const char* store_path);
// Start-up: every search result folder maildir\search1 to 999 goes.
void remove_search_folders();

// The store path of a folder's relative path: "maildir\" and the path, or
// "temp" for the "E-mail Headers" item and for "temp" itself.
void folder_store_path(Array* out, const char* relative_path);
bool is_headers_item(const char* relative_path);

// The subfolders of a folder in the tree's order: inbox, outbox, sent items
// and drafts first (by those names, case ignored), then the others as the
// file system lists them. Names beginning with "." are left out.
std::vector<std::string> list_subfolders(const char* path);

// How fill_folder_tree reports what it finds; the window side inserts tree
// items or list box entries, tests record them.
struct FolderTreeSink {
    void* context;
    // Inserts a child of `parent` (null: top level) and returns its item.
    void* (*insert)(void* context, void* parent, const char* name);
    void (*mark_has_children)(void* context, void* item);
    // Dialog mode: one relative path per folder, parents first.
    void (*add_entry)(void* context, const char* relative_path);
};

// Walks the tree below `path`. Tree mode (no dialog) inserts items under
// `parent`; dialog mode lists relative paths, `root_length` being the length
// of the tree's root path. Returns the number of folders at this level.
int fill_folder_tree(const char* path, void* parent, const FolderTreeSink& sink, bool dialog, int root_length);

// Renames a folder of the tree (its new relative path). Returns 0 when the
// window should change its tree, -1 when it was refused (after a message).
int rename_folder(const char* old_relative_path, const char* new_label, const char* new_relative_path);
