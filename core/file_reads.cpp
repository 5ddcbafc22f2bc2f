#include "core/file_reads.h"

#include <cstring>
#include <string>

#include "core/sys_files.h"

namespace {

struct HeldFile {
    std::string path;
    std::string bytes;
    bool held = false;
};

// Each thread holds its own file: the list fill's summaries never see what
// another thread holds.
thread_local HeldFile held;

}  // namespace

bool file_read_open(FileRead* read, const char* path) {
    *read = FileRead{};
    if (held.held && held.path == path) {
        read->bytes = held.bytes.data();
        read->size = static_cast<int64_t>(held.bytes.size());
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
    if (read->at >= read->size) return 0;
    size_t left = static_cast<size_t>(read->size - read->at);
    if (n > left) n = left;
    std::memcpy(out, read->bytes + read->at, n);
    read->at += static_cast<int64_t>(n);
    return n;
}

bool file_read_failed(const FileRead* read) { return read->file && std::ferror(read->file); }

void file_read_close(FileRead* read) {
    if (read->file) std::fclose(read->file);
    *read = FileRead{};
}

bool hold_file(const char* path, int64_t max_bytes) {
    release_held_file();
    std::FILE* f = sys_fopen(path, "rb");
    if (!f) return false;
    std::string bytes;
    char chunk[65536];
    bool fits = true;
    for (;;) {
        size_t n = std::fread(chunk, 1, sizeof chunk, f);
        if (n == 0) break;
        if (static_cast<int64_t>(bytes.size() + n) > max_bytes) {
            fits = false;
            break;
        }
        bytes.append(chunk, n);
    }
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (!fits || failed) return false;
    held.path = path;
    held.bytes = std::move(bytes);
    held.held = true;
    return true;
}

void release_held_file() {
    held.held = false;
    held.path.clear();
    // A large message's bytes are not kept for the rest of the thread's life.
    std::string().swap(held.bytes);
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
