#include "format/safe_fread.h"

#include "core/log.h"

namespace {
const char* const read_error = "libArrays: safe_fread error.\r\n";
}

int safe_fread(Array* buffer, int length, std::FILE* file) {
    FileRead read;
    read.file = file;
    return safe_read(buffer, length, &read);
}

int safe_read(Array* buffer, int length, FileRead* file) {
    return safe_read_bytes(buffer->chars, buffer->capacity, length, file);
}

int safe_read_bytes(char* buffer, int capacity, int length, FileRead* file) {
    if (length < 0) length = 0;
    int room = capacity - 1;
    if (room < 0) room = 0;
    if (length > room) {
        log_write(read_error);
        length = room;
    }
    if (length == 0) return 0;
    size_t n = file_read_bytes(file, buffer, static_cast<size_t>(length));
    // Running into the end of the file is the normal way a header read near
    // the end of a short message stops; only a failing read is worth a line.
    if (n < static_cast<size_t>(length) && file_read_failed(file)) log_write(read_error);
    return static_cast<int>(n);
}
