// Copying and moving messages to another folder ("Copy File", "Move File").
#pragma once

#include <vector>

#include "store/selection.h"

enum CopyMode { COPY_MESSAGES, MOVE_MESSAGES };

// Copies or moves the collected messages of `source` to the next numbers of
// `target` (never over an existing file); a moved message's line leaves the
// source's mirror. A file that cannot be copied or moved is passed over.
// A target that a transfer is writing into is refused with "Target
// directory is receiving mail.\r\n" on the status line of `status_window`:
// the transfer numbers its files as it goes, and the two would take the same
// numbers. Returns the number of messages copied or moved, -1 when refused.
int copy_move_files(const char* source, const char* target, const std::vector<SelectionEntry>& entries,
                    CopyMode mode, WindowRef status_window);
