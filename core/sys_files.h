// Files and folders. Paths are store text with backslashes ("maildir\inbox");
// the POSIX side maps them to slashes at the system call and nowhere else.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

std::FILE* sys_fopen(const char* path, const char* mode);
bool sys_exists(const char* path);
bool sys_is_directory(const char* path);
// Each returns 0 on success and -1 on failure.
// A failed folder creation also gives the system error code when asked.
int sys_make_directory(const char* path, int* error = nullptr);
int sys_create_file(const char* path);  // empty file, writable
// A failed removal gives the system error code when asked (the POSIX side
// maps a missing file to 2 and a refused one to 5, as Windows numbers them).
int sys_remove_file(const char* path, int* error = nullptr);
int sys_copy_file(const char* from, const char* to, bool fail_if_exists);
int sys_rename(const char* from, const char* to);
// The same move, written through to the disk on Windows before it returns
// (there a folder cannot be flushed); on POSIX sys_sync_folder makes the
// moves into a folder durable afterwards, all at once.
int sys_rename_through(const char* from, const char* to);
// Writes the open file's buffers through to the disk (fflush, then
// fdatasync or FlushFileBuffers): what it holds, and its length, survive a
// power cut.
int sys_flush_file(std::FILE* f);
// Hands the open file's buffers to the system and has it start writing them
// to the disk without waiting (sync_file_range), so that a later
// sys_flush_file mostly finds the work done; Windows has no such call, and
// there only the buffers are handed over. 0 or -1.
int sys_start_flush(std::FILE* f);
// Makes the names moved into the folder so far survive a power cut (fsync
// of the folder; FlushFileBuffers of a folder handle on Windows, where a
// system that allows no such handle or flush has written the moves through
// already). 0 or -1.
int sys_sync_folder(const char* folder);
// Moves `from` over `to`, replacing a file of that name in one step, so
// that a reader finds either the old file or the new one whole.
int sys_replace_file(const char* from, const char* to);
int sys_set_current_directory(const char* path);
// Removes an empty folder. On failure returns -1 and sets *error to the
// system error code: 145 for a folder that is not empty, 32 for a sharing
// violation (the POSIX side maps its codes onto these).
int sys_remove_directory(const char* path, int* error);
// Size in bytes, -1 when the file cannot be read.
int64_t sys_file_size(const char* path);

// A file opened for reads at given offsets, without a seek and without the
// C library's buffer in between: the start of a small message comes in one
// system call, which under Wine is most of what reading it costs. Shared
// for reading and writing as fopen shares it.
struct SysReadFile {
    void* handle = nullptr;
};
// false when the file cannot be opened.
bool sys_open_reading(const char* path, SysReadFile* file);
// Reads up to n bytes at the offset in one call; fewer only at the end of
// the file (0 there), -1 on failure.
int64_t sys_read_at(SysReadFile* file, int64_t offset, void* out, size_t n);
void sys_close_reading(SysReadFile* file);

struct DirEntry {
    const char* name;
    bool is_directory;
    int64_t size = -1;  // bytes, as the folder's entry gives it; -1 when unknown
};
// Lists the entries matching a pattern such as "maildir\inbox\mm*.eml"
// ('*' and '?' in the last component, compared without regard to case).
// The visitor returns false to stop. Returns the number of entries visited.
int sys_enumerate(const char* pattern, const std::function<bool(const DirEntry&)>& visit);
