// Message files: one message per file mm<N>.eml in its folder, N a positive
// decimal number without leading zeros, unique within the folder.
#pragma once

#include <cstdint>
#include <vector>

#include "core/arrays.h"

// The number N of a well-formed name "mm<N>.eml" (case ignored), else 0.
int message_number_of(const char* name);
// Number of message files in the folder.
int count_message_files(const char* folder);
// The folder's message files in ascending number order, with their sizes
// (-1 when unknown), found in one pass over the folder.
struct MessageFile {
    int number;
    int64_t size;
};
std::vector<MessageFile> list_message_files(const char* folder);
// Highest message number in use, 0 for an empty folder; a new message takes
// this number plus one.
int last_message_number(const char* folder);
// "%.1000s\mm%i.eml" of folder and number.
void message_file_path(Array* out, const char* folder, int number);

// The capacity of a buffer that holds a path inside a store folder: a folder
// path of at most 1000 characters, a backslash and a file name or pattern.
constexpr int message_path_capacity = 1100;
