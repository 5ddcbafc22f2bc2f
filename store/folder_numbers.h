// The next message numbers of one folder for one job (a receive, Send
// Queued's sent items, a copy or move, a delete into deleted items): the
// folder's highest number is found once, when the first file goes in, and
// each further file takes the next. Looking the highest number up again for
// every file would read the whole folder each time.
#pragma once

#include "core/arrays.h"

struct FolderNumbers {
    const char* folder;  // the store path, alive as long as the record
    int next = 0;        // the number the next file tries; 0 until looked up
};

enum FolderPut {
    FOLDER_MOVE,          // move the file in
    FOLDER_MOVE_DURABLE,  // move it in with the durable steps (durable_files)
    FOLDER_COPY,          // copy it in, the source staying where it is
};

// Puts the file `from` into the folder as mm<N>.eml under the next number,
// never over an existing file: a number that another writer of the same
// folder took meanwhile is stepped over, at most folder_attempts of them.
// Returns 0 with the new file's path in `path`, or -1; a failure that was not
// a taken number (the source missing, say) leaves the number for the next
// file, so the numbers stay without gaps.
int folder_put(FolderNumbers* numbers, const char* from, FolderPut how, Array* path);

// How many taken numbers one file steps over before it gives up.
constexpr int folder_attempts = 1000;
