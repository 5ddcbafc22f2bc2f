// Deleting messages: moved to "maildir\deleted items", or removed at once
// when the settings say so or the folder on show is deleted items itself.
#pragma once

#include <vector>

#include "store/selection.h"

// What a delete does to the list once a message file is gone.
struct DeleteSink {
    void* context;
    // Frees the row's data and removes the row; false when it could not.
    bool (*remove_row)(void* context, int row);
};

// Deletes the collected messages of `folder`, in the order given (ascending
// rows): each file is removed, or moved to the next number of deleted items,
// its mirror line dropped and its row removed (the row less the rows removed
// before it). The first failing file ends the work with "Cannot remove
// file:<path> <error>" or "Could not move file to delted items folder.".
// Returns the number of messages deleted.
int delete_message_files(const char* folder, const std::vector<SelectionEntry>& entries, const DeleteSink& sink);

// "Delete All": asks "This will delete all of the messages in the current
// folder. Are you sure?"; on Yes removes every ".eml" file of the folder
// and its list mirror. 0 when the folder was cleared, -1 when the user said
// No.
int delete_all_messages(const char* folder);
