#include "core/file_replace.h"

#include <string>

#include "core/sys_files.h"

int replace_file_with(const char* path, const std::function<bool(std::FILE*)>& write, bool through) {
    return replace_file_through(path, (std::string(path) + ".new").c_str(), write, through);
}

int replace_file_through(const char* path, const char* scratch, const std::function<bool(std::FILE*)>& write,
                         bool through) {
    std::FILE* f = sys_fopen(scratch, "wb");
    if (!f) return REPLACE_CANNOT_OPEN;
    bool written = write(f);
    written = (through ? sys_flush_file(f) : std::fflush(f)) == 0 && written;
    written = std::fclose(f) == 0 && written;
    if (written && sys_replace_file(scratch, path) == 0) return REPLACE_OK;
    sys_remove_file(scratch);
    return REPLACE_WRITE_FAILED;
}
