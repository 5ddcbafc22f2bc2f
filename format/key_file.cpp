#include "format/key_file.h"

#include <cstdio>
#include <cstring>

#include "core/file_replace.h"
#include "core/random.h"
#include "core/sys_files.h"

const char message_key_file[] = "bfkey.dat";
const char password_key_file[] = "pwdkey.dat";
const char key_file_corrupt_text[] = "Key file is corrupted. Please reinstall.";

int read_key_file(const char* path, unsigned char* key) {
    std::FILE* f = sys_fopen(path, "rb");
    if (!f) return KEY_FILE_ABSENT;
    // One byte more than a key, so that a longer file is told from a key.
    unsigned char bytes[KEY_FILE_LENGTH + 1];
    size_t n = std::fread(bytes, 1, sizeof bytes, f);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    int result = KEY_FILE_LOADED;
    if (failed || n != KEY_FILE_LENGTH) result = KEY_FILE_CORRUPT;
    else std::memcpy(key, bytes, KEY_FILE_LENGTH);
    std::memset(bytes, 0, sizeof bytes);
    return result;
}

int write_key_file(const char* path, const unsigned char* key) {
    auto write = [key](std::FILE* f) { return std::fwrite(key, 1, KEY_FILE_LENGTH, f) == KEY_FILE_LENGTH; };
    return replace_file_with(path, write) == REPLACE_OK ? 0 : -1;
}

int create_key_file(const char* path, unsigned char* key) {
    if (sys_random_bytes(key, KEY_FILE_LENGTH) != 0 || write_key_file(path, key) != 0) {
        std::memset(key, 0, KEY_FILE_LENGTH);
        return -1;
    }
    return 0;
}

int load_key_state(const char* path, BlowfishKey* state, std::atomic<bool>* ready) {
    ready->store(false);
    unsigned char bytes[KEY_FILE_LENGTH];
    int found = read_key_file(path, bytes);
    if (found == KEY_FILE_LOADED) {
        blowfish_init(state, bytes, KEY_FILE_LENGTH);
        ready->store(true, std::memory_order_release);
    }
    std::memset(bytes, 0, sizeof bytes);
    return found;
}
