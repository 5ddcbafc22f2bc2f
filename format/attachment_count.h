// The attachment count of a message, for its line in the folder's list
// mirror.
#pragma once

// The number of parts collect_attachments lists for the message; 0 for a
// message without attachments or a file that cannot be read.
int count_attachments(const char* path);
