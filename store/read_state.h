// The read state of a message: the line "X-ZMRead: FALSE" in its header
// marks it unread, its absence read.
#pragma once

// Marks the message at `path` read when its header says unread: removes its
// "X-ZMRead" line (scratch file numbered by `window_number`) and rewrites
// its mirror line in `folder`. Returns the read state now in the file: 1,
// or 0 after "Could not set read state!" when the line could not be
// removed. A message already read is left untouched.
int mark_message_read(int window_number, const char* folder, const char* path);
