// Reading a file from an offset, for the searches and field readers that
// look at one message file many times over: through the open file, or from
// the bytes of the file the calling thread holds (hold_file), so that
// summarising a message for the list opens and reads it once instead of
// once for every field and boundary looked for.
#pragma once

#include <cstdint>
#include <cstdio>

struct FileRead {
    std::FILE* file = nullptr;
    const char* bytes = nullptr;  // the held file's bytes when it is the one read
    int64_t size = 0;
    int64_t at = 0;
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
// come from its bytes, read now in one pass. false (and nothing held) when
// the file cannot be read or is larger than `max_bytes`: reads then open the
// file as usual.
bool hold_file(const char* path, int64_t max_bytes);
void release_held_file();

#include <string>

// The whole file in one read. False when it cannot be opened or read.
bool read_whole_file(const char* path, std::string* bytes);
