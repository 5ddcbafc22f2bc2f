#include "format/codec_io.h"

#include "core/sys_files.h"
#include "core/ui_services.h"

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

bool codec_open_files(const char* input_path, const char* output_path, const char* input_message,
                      const char* output_message, std::FILE** input, std::FILE** output) {
    *input = sys_fopen(input_path, "rb");
    if (!*input) {
        if (input_message) show_message(input_message);
        return false;
    }
    *output = sys_fopen(output_path, "wb");
    if (!*output) {
        std::fclose(*input);
        *input = nullptr;
        if (output_message) show_message(output_message);
        return false;
    }
    return true;
}

CodecRead codec_file_read(std::FILE* file) {
    return [file](unsigned char* buffer, size_t n) { return codec_read_full(file, buffer, n); };
}

CodecWrite codec_file_write(std::FILE* file) {
    return [file](const unsigned char* bytes, size_t n) { return codec_write_all(file, bytes, n); };
}
