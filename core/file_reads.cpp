#include "core/file_reads.h"

#include <cstring>
#include <memory>
#include <string>

#include "core/sys_files.h"

namespace {

struct HeldFile {
    std::string path;
    SysReadFile file;
    bool held = false;
    bool complete = false;  // the whole file lies in `first`
    // Two windows, kept for the thread's life: the start of the file, where
    // the header and most messages lie whole, and the one last read beyond it.
    std::unique_ptr<char[]> first, later;
    int64_t first_length = 0;
    int64_t later_at = 0;
    int64_t later_length = 0;
};

// Each thread holds its own file: the list fill's summaries never see what
// another thread holds.
thread_local HeldFile held;

// Reads beyond the first window of the held file, through the second.
size_t read_beyond(FileRead* read, char* out, size_t n) {
    size_t done = 0;
    while (done < n) {
        int64_t at = read->at;
        if (at < held.later_at || at >= held.later_at + held.later_length) {
            int64_t got = sys_read_at(&held.file, at, held.later.get(), held_window_bytes);
            held.later_at = at;
            held.later_length = got > 0 ? got : 0;
            if (got < 0) read->failed = true;
            if (got <= 0) break;
        }
        size_t take = static_cast<size_t>(held.later_at + held.later_length - at);
        if (take > n - done) take = n - done;
        std::memcpy(out + done, held.later.get() + (at - held.later_at), take);
        done += take;
        read->at += static_cast<int64_t>(take);
    }
    return done;
}

}  // namespace

bool file_read_open(FileRead* read, const char* path) {
    *read = FileRead{};
    if (held.held && held.path == path) {
        read->bytes = held.first.get();
        read->size = held.first_length;
        read->beyond = !held.complete;
        return true;
    }
    read->file = sys_fopen(path, "rb");
    return read->file != nullptr;
}

bool file_read_seek(FileRead* read, int64_t offset) {
    if (read->file) return std::fseek(read->file, static_cast<long>(offset), SEEK_SET) == 0;
    if (offset < 0) return false;
    read->at = offset;
    return true;
}

size_t file_read_bytes(FileRead* read, void* out, size_t n) {
    if (read->file) return std::fread(out, 1, n, read->file);
    size_t done = 0;
    if (read->at < read->size) {
        size_t left = static_cast<size_t>(read->size - read->at);
        done = n < left ? n : left;
        std::memcpy(out, read->bytes + read->at, done);
        read->at += static_cast<int64_t>(done);
    }
    if (done < n && read->beyond) done += read_beyond(read, static_cast<char*>(out) + done, n - done);
    return done;
}

bool file_read_failed(const FileRead* read) { return read->file ? std::ferror(read->file) != 0 : read->failed; }

void file_read_close(FileRead* read) {
    if (read->file) std::fclose(read->file);
    *read = FileRead{};
}

bool file_read_whole_bytes(const FileRead* read, const char** bytes, int64_t* size) {
    if (read->file || read->beyond || !read->bytes) return false;
    *bytes = read->bytes;
    *size = read->size;
    return true;
}

bool hold_file(const char* path) {
    release_held_file();
    if (!sys_open_reading(path, &held.file)) return false;
    if (!held.first) {
        held.first.reset(new char[held_window_bytes]);
        held.later.reset(new char[held_window_bytes]);
    }
    int64_t got = sys_read_at(&held.file, 0, held.first.get(), held_window_bytes);
    if (got < 0) {
        sys_close_reading(&held.file);
        return false;
    }
    held.first_length = got;
    // A short read is the end of the file: a small message is read whole
    // and its file closed at once.
    held.complete = got < held_window_bytes;
    if (held.complete) sys_close_reading(&held.file);
    held.later_at = held.later_length = 0;
    held.path = path;
    held.held = true;
    return true;
}

void release_held_file() {
    held.held = false;
    held.path.clear();
    sys_close_reading(&held.file);
}

bool read_whole_file(const char* path, std::string* bytes) {
    bytes->clear();
    std::FILE* f = sys_fopen(path, "rb");
    if (!f) return false;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes->append(chunk, got);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return !failed;
}
