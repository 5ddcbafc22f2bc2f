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

int sys_sync_folder(const char*) { return 0; }

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
