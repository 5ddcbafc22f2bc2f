// The folders that running transfers are writing into. The interface thread
// marks a job's folders before the job starts, the job releases them from
// its own thread, and a copy asks from a dialog's: the list has its own lock,
// so every thread calls these directly.
#pragma once

// Makes the list with its "empty" head node (start-up, once).
void busy_folders_init();
// Adds the path (it may be present more than once).
void busy_folders_add(const char* path);
// Removes the first entry equal to the path: 1 when one was removed, else 0.
int busy_folders_remove(const char* path);
// The same, waiting at most `milliseconds` for the list: -1 when it stayed
// taken (by a job's thread that was terminated while it held it).
int busy_folders_remove_within(const char* path, int milliseconds);
// 1 when the path is present, compared byte for byte.
int busy_folders_contains(const char* path);
// 1 when the path or a folder below it ("maildir\a\b" for "maildir\a") is
// present.
int busy_folders_contains_tree(const char* path);
