#include "format/codec_io.h"

size_t codec_read_full(std::FILE* file, void* buffer, size_t size) {
    auto* at = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < size) {
        size_t n = std::fread(at + done, 1, size - done, file);
        if (n == 0) break;
        done += n;
    }
    return done;
}

bool codec_write_all(std::FILE* file, const void* bytes, size_t size) {
    return size == 0 || std::fwrite(bytes, 1, size, file) == size;
}

bool codec_close_output(std::FILE* file) {
    bool good = std::ferror(file) == 0;
    if (std::fclose(file) != 0) good = false;
    return good;
}
