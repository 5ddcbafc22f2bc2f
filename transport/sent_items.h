// The copy of a sent message that "maildir\sent items" keeps when the
// message's options ask for it.
#pragma once

#include "transport/status_sink.h"
#include "store/folder_numbers.h"

// The sent-items side of one sending job: Send Queued numbers all its copies
// from one look at the folder.
struct SentItems {
    FolderNumbers numbers{"maildir\\sent items"};
    bool failed = false;  // the last copy asked for could not be made durable
};

// Copies the sending copy (the message without its private fields) to the
// folder's next message file. The copy is written as "temp\sentitem<W>.tmp"
// (W the status sink's scratch number), written through to the disk and
// only then moved to mm<N>.eml, so that a listing of the folder never shows
// half a message and a queued message removed afterwards is never the only
// copy lost in a power cut; an existing file is never replaced. 0, or -1
// after "Could not save sent item!\r\n".
int save_sent_item(StatusSink& status, const char* sending_copy, SentItems* sent);
