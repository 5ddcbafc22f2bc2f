// Files that must never be left half-written (the account table, the key
// files): the new content goes to a scratch file beside the old one, every
// write and the close are checked, and only then does it take the old
// file's place. On any failure the old file stays as it was.
#pragma once

#include <cstdio>
#include <functional>

enum { REPLACE_OK = 0, REPLACE_CANNOT_OPEN = -1, REPLACE_WRITE_FAILED = -2 };

// `write` fills the open scratch file and returns false when a write
// failed. With `through` the scratch file is written through to the disk
// (sys_flush_file) before it takes the old file's place, so that after a
// power cut the name holds the old content or the new, whole. One of the
// values above.
int replace_file_with(const char* path, const std::function<bool(std::FILE*)>& write, bool through = false);
// The same through a scratch file the caller names (writers of one file
// that may run at once each take their own).
int replace_file_through(const char* path, const char* scratch, const std::function<bool(std::FILE*)>& write,
                         bool through = false);
