#include "format/key_file.h"

#include <cstdio>
#include <cstring>

#include "core/sys_files.h"
#include "core/ui_services.h"

int read_key_file(const char* path, unsigned char* key) {
    std::FILE* f = sys_fopen(path, "rb");
    if (!f) return 0;
    // One byte more than a key, so that a longer file is told from a key.
    unsigned char bytes[KEY_FILE_LENGTH + 1];
    size_t n = std::fread(bytes, 1, sizeof bytes, f);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    int result = 1;
    if (failed || n != KEY_FILE_LENGTH) {
        show_message("Key file is corrupted. Please reinstall.");
        result = -1;
    } else {
        std::memcpy(key, bytes, KEY_FILE_LENGTH);
    }
    std::memset(bytes, 0, sizeof bytes);
    return result;
}
