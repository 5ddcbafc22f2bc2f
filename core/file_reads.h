// Reading a file from an offset, for the searches and field readers that
// look at one message file many times over: through the open file, or
// through the file the calling thread holds (hold_file), so that
// summarising a message for the list opens it once instead of once for
// every field and boundary looked for.
#pragma once

#include <cstdint>
#include <cstdio>

struct FileRead {
    std::FILE* file = nullptr;
    const char* bytes = nullptr;  // the held file's first bytes when it is the one read
    int64_t size = 0;             // how many of them
    int64_t at = 0;
    bool beyond = false;  // the held file goes on beyond `bytes`
    bool failed = false;
};

// false when the file cannot be opened.
bool file_read_open(FileRead* read, const char* path);
// Moves to the offset; false for a negative one. Reads beyond the end give
// nothing, as with a file.
bool file_read_seek(FileRead* read, int64_t offset);
size_t file_read_bytes(FileRead* read, void* out, size_t n);
// Whether a read failed (not merely reached the end).
bool file_read_failed(const FileRead* read);
void file_read_close(FileRead* read);

// Until release_held_file, reads of exactly this path on the calling thread
// go through one open of the file: its first held_window_bytes come from
// one read made now, later bytes from one more window of that size, read
// where they are asked for. A message is never held whole beyond the
// first window. false (and nothing held) when the file cannot be opened or
// read: reads then open the file as usual.
constexpr int held_window_bytes = 64 * 1024;
bool hold_file(const char* path);
void release_held_file();

// The whole file's bytes when they are all in memory (the held file, when
// it is no larger than its first window): searches then look at them where
// they are. false otherwise.
bool file_read_whole_bytes(const FileRead* read, const char** bytes, int64_t* size);

#include <string>

// The whole file in one read. False when it cannot be opened or read.
bool read_whole_file(const char* path, std::string* bytes);
