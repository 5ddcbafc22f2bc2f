// Files that must never be left half-written (the account table, the key
// files): the new content goes to a scratch file beside the old one, every
// write and the close are checked, and only then does it take the old
// file's place. On any failure the old file stays as it was.
#pragma once

#include <cstdio>
#include <functional>

enum { REPLACE_OK = 0, REPLACE_CANNOT_OPEN = -1, REPLACE_WRITE_FAILED = -2 };

// `write` fills the open scratch file and returns false when a write
// failed. One of the values above.
int replace_file_with(const char* path, const std::function<bool(std::FILE*)>& write);
// The same through a scratch file the caller names (writers of one file
// that may run at once each take their own).
int replace_file_through(const char* path, const char* scratch, const std::function<bool(std::FILE*)>& write);
