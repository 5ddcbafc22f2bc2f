#include <windows.h>

#include <io.h>

#include "core/sys_files.h"

std::FILE* sys_fopen(const char* path, const char* mode) { return std::fopen(path, mode); }

bool sys_exists(const char* path) { return _access(path, 0) == 0; }

bool sys_is_directory(const char* path) {
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int sys_make_directory(const char* path, int* error) {
    if (CreateDirectoryA(path, nullptr)) return 0;
    if (error) *error = static_cast<int>(GetLastError());
    return -1;
}

int sys_create_file(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    CloseHandle(h);
    return 0;
}

int sys_remove_file(const char* path, int* error) {
    if (DeleteFileA(path)) return 0;
    if (error) *error = static_cast<int>(GetLastError());
    return -1;
}

int sys_copy_file(const char* from, const char* to, bool fail_if_exists) {
    return CopyFileA(from, to, fail_if_exists ? TRUE : FALSE) ? 0 : -1;
}

int sys_rename(const char* from, const char* to) { return MoveFileA(from, to) ? 0 : -1; }

int sys_rename_through(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_WRITE_THROUGH) ? 0 : -1;
}

int sys_flush_file(std::FILE* f) {
    if (std::fflush(f) != 0) return -1;
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    if (h == INVALID_HANDLE_VALUE) return -1;
    return FlushFileBuffers(h) ? 0 : -1;
}

int sys_start_flush(std::FILE* f) { return std::fflush(f) == 0 ? 0 : -1; }

int sys_sync_folder(const char* folder) {
    // A folder is opened as a file only with backup semantics, and flushed
    // only through a handle that may write. Wine ignores the write-through
    // flag of a move, so without this its moves may not be on the disk yet
    // when a server is told to delete. Systems that refuse a folder handle
    // or its flush had the move written through instead.
    HANDLE h = CreateFileA(folder, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_ACCESS_DENIED ? 0 : -1;
    bool flushed = FlushFileBuffers(h) != 0;
    DWORD error = flushed ? 0 : GetLastError();
    CloseHandle(h);
    if (flushed) return 0;
    return error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
                   error == ERROR_INVALID_PARAMETER
               ? 0
               : -1;
}

int sys_replace_file(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : -1;
}

int sys_set_current_directory(const char* path) { return SetCurrentDirectoryA(path) ? 0 : -1; }

int sys_remove_directory(const char* path, int* error) {
    if (RemoveDirectoryA(path)) return 0;
    if (error) *error = static_cast<int>(GetLastError());
    return -1;
}

int64_t sys_file_size(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool sys_open_reading(const char* path, SysReadFile* file) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    file->handle = h == INVALID_HANDLE_VALUE ? nullptr : h;
    return file->handle != nullptr;
}

int64_t sys_read_at(SysReadFile* file, int64_t offset, void* out, size_t n) {
    if (!file->handle || offset < 0) return -1;
    // A synchronous handle reads at the offset the OVERLAPPED record gives.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    DWORD wanted = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(file->handle), out, wanted, &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return static_cast<int64_t>(got);
}

void sys_close_reading(SysReadFile* file) {
    if (file->handle) CloseHandle(static_cast<HANDLE>(file->handle));
    file->handle = nullptr;
}

int sys_enumerate(const char* pattern, const std::function<bool(const DirEntry&)>& visit) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(pattern, &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int visited = 0;
    do {
        visited++;
        int64_t size = static_cast<int64_t>((static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow);
        if (!visit(DirEntry{found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, size})) break;
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return visited;
}
