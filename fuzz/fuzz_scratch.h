// A scratch program folder for fuzz targets that need files: made once per
// process, with its "temp" folder.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

inline std::string& scratch_folder() {
    static std::string folder;
    return folder;
}

inline void remove_scratch_folder() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch_folder(), ignored);
}

// A folder of its own for a target whose every run writes files: in memory
// (/dev/shm) where there is one, else under /tmp; removed at exit.
inline std::string make_memory_scratch_folder(const char* name) {
    std::string shm = std::string("/dev/shm/zm-fuzz-") + name + "-XXXXXX";
    std::string tmp = std::string("/tmp/zm-fuzz-") + name + "-XXXXXX";
    const char* made = mkdtemp(shm.data());
    if (!made) made = mkdtemp(tmp.data());
    if (!made) std::abort();
    scratch_folder() = made;
    std::atexit(remove_scratch_folder);
    return scratch_folder();
}

// Makes the scratch folder the working directory for one input and goes back
// afterwards: libFuzzer keeps reading and writing its corpus by paths relative
// to the directory it was started in.
struct ScratchFolder {
    std::filesystem::path previous = std::filesystem::current_path();
    ScratchFolder() {
        if (scratch_folder().empty()) {
            char pattern[] = "/tmp/zmfuzz-XXXXXX";
            const char* folder = mkdtemp(pattern);
            if (!folder) std::abort();
            scratch_folder() = folder;
            std::atexit(remove_scratch_folder);
            std::filesystem::create_directory(scratch_folder() + "/temp");
        }
        if (chdir(scratch_folder().c_str()) != 0) std::abort();
    }
    ~ScratchFolder() {
        if (chdir(previous.c_str()) != 0) std::abort();
    }
};

inline void write_scratch_file(const char* name, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(name, "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

inline std::string read_scratch_file(const char* name) {
    std::string bytes;
    std::FILE* f = std::fopen(name, "rb");
    if (!f) return bytes;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    std::fclose(f);
    return bytes;
}
