#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/sys_files.h"

namespace {

std::string native(const char* path) {
    std::string p(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

}  // namespace

std::FILE* sys_fopen(const char* path, const char* mode) { return std::fopen(native(path).c_str(), mode); }

bool sys_exists(const char* path) { return access(native(path).c_str(), F_OK) == 0; }

bool sys_is_directory(const char* path) {
    struct stat st;
    return stat(native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int sys_make_directory(const char* path, int* error) {
    if (mkdir(native(path).c_str(), 0777) == 0) return 0;
    // The Windows codes callers show: 183 already exists, 3 path not found.
    if (error) *error = errno == EEXIST ? 183 : errno == ENOENT || errno == ENOTDIR ? 3 : 5;
    return -1;
}

int sys_create_file(const char* path) {
    int fd = open(native(path).c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0666);
    if (fd < 0) return -1;
    close(fd);
    return 0;
}

int sys_remove_file(const char* path, int* error) {
    std::string p = native(path);
    struct stat st;
    int e = 0;
    if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        e = EACCES;
    else if (unlink(p.c_str()) != 0)
        e = errno;
    if (e == 0) return 0;
    if (error) *error = e == ENOENT ? 2 : e == EACCES || e == EPERM ? 5 : e;
    return -1;
}

int sys_copy_file(const char* from, const char* to, bool fail_if_exists) {
    int in = open(native(from).c_str(), O_RDONLY);
    if (in < 0) return -1;
    int flags = O_WRONLY | O_CREAT | (fail_if_exists ? O_EXCL : O_TRUNC);
    int out = open(native(to).c_str(), flags, 0666);
    if (out < 0) {
        close(in);
        return -1;
    }
    char buffer[65536];
    int result = 0;
    for (;;) {
        ssize_t n = read(in, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            result = -1;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, buffer + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                result = -1;
                break;
            }
            done += w;
        }
        if (result) break;
    }
    close(in);
    if (close(out) != 0) result = -1;
    return result;
}

int sys_rename(const char* from, const char* to) {
    // A move never replaces an existing file, as on Windows; the test and
    // the move are one step, so a file that appears meanwhile is kept.
    std::string source = native(from), target = native(to);
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without that flag: a hard link fails on an existing name.
    if (link(source.c_str(), target.c_str()) != 0) return -1;
    return unlink(source.c_str()) == 0 ? 0 : -1;
}

int sys_rename_through(const char* from, const char* to) { return sys_rename(from, to); }

int sys_flush_file(std::FILE* f) {
    if (std::fflush(f) != 0) return -1;
    int fd = fileno(f);
    // The data and what it takes to read it back (the length): the file's
    // name is made durable by a sync of its folder after the move, and its
    // times need not survive.
    while (fdatasync(fd) != 0)
        if (errno != EINTR) return -1;
    return 0;
}

int sys_start_flush(std::FILE* f) {
    if (std::fflush(f) != 0) return -1;
#ifdef __linux__
    // Only a hint: a system that refuses it writes the file at the flush.
    sync_file_range(fileno(f), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    return 0;
}

int sys_sync_folder(const char* folder) {
    int fd = open(native(folder).c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return -1;
    int result = 0;
    while (fsync(fd) != 0)
        if (errno != EINTR) {
            result = -1;
            break;
        }
    close(fd);
    return result;
}

int sys_replace_file(const char* from, const char* to) {
    return rename(native(from).c_str(), native(to).c_str()) == 0 ? 0 : -1;
}

int sys_set_current_directory(const char* path) { return chdir(native(path).c_str()) == 0 ? 0 : -1; }

int sys_remove_directory(const char* path, int* error) {
    if (rmdir(native(path).c_str()) == 0) return 0;
    int e = errno;
    if (error) *error = (e == ENOTEMPTY || e == EEXIST) ? 145 : (e == EBUSY ? 32 : (e == ENOENT ? 2 : 5));
    return -1;
}

int64_t sys_file_size(const char* path) {
    struct stat st;
    if (stat(native(path).c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool sys_open_reading(const char* path, SysReadFile* file) {
    // Through sys_fopen, the one place where the store's files are opened.
    std::FILE* f = sys_fopen(path, "rb");
    file->handle = f;
    return f != nullptr;
}

int64_t sys_read_at(SysReadFile* file, int64_t offset, void* out, size_t n) {
    auto* f = static_cast<std::FILE*>(file->handle);
    if (!f || offset < 0) return -1;
    for (;;) {
        ssize_t got = pread(fileno(f), out, n, static_cast<off_t>(offset));
        if (got >= 0) return static_cast<int64_t>(got);
        if (errno != EINTR) return -1;
    }
}

void sys_close_reading(SysReadFile* file) {
    if (file->handle) std::fclose(static_cast<std::FILE*>(file->handle));
    file->handle = nullptr;
}

int sys_enumerate(const char* pattern, const std::function<bool(const DirEntry&)>& visit) {
    std::string p = native(pattern);
    size_t slash = p.rfind('/');
    // A pattern directly under the root keeps "/" as its folder. (Built as
    // one expression: assigning "/" afterwards trips a false -Wrestrict of
    // GCC 12 in optimised builds.)
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : p.substr(0, slash);
    std::string mask = slash == std::string::npos ? p : p.substr(slash + 1);
    DIR* dir = opendir(folder.c_str());
    if (!dir) return 0;
    int visited = 0;
    while (dirent* e = readdir(dir)) {
        if (fnmatch(mask.c_str(), e->d_name, FNM_CASEFOLD) != 0) continue;
        std::string full = folder + "/" + e->d_name;
        struct stat st;
        bool known = stat(full.c_str(), &st) == 0;
        bool is_dir = known && S_ISDIR(st.st_mode);
        visited++;
        if (!visit(DirEntry{e->d_name, is_dir, known ? static_cast<int64_t>(st.st_size) : -1})) break;
    }
    closedir(dir);
    return visited;
}
