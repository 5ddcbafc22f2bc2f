#include "core/find_in_file.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/sys_files.h"

namespace {

void to_upper(char* text, size_t n) {
    for (size_t i = 0; i < n; i++) text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
}

}  // namespace

int find_in_file(const char* path, const char* pattern, int64_t* offset, bool all, bool exact) {
    std::FILE* f = sys_fopen(path, "rb");
    if (!f) return -1;
    if (offset && *offset > 0 && std::fseek(f, static_cast<long>(*offset), SEEK_SET) != 0) {
        std::fclose(f);
        return 0;
    }

    char wanted[50] = {};
    std::strncpy(wanted, pattern, 49);
    if (!exact) to_upper(wanted, std::strlen(wanted));

    // A window of the last chunks read, so that a match across the boundary
    // of two reads is still found. Zero bytes become 0x14 so that binary
    // content does not end the text.
    char chunk[1024];
    char window[3072] = {};
    size_t window_length = 0;
    int64_t total = 0;
    int count = 0;
    for (;;) {
        std::memset(chunk, 0, sizeof chunk);
        size_t n = std::fread(chunk, 1, 1023, f);
        total += static_cast<int64_t>(n);
        for (size_t i = 0; i < n; i++)
            if (chunk[i] == 0) chunk[i] = 0x14;
        if (!exact) to_upper(chunk, n);
        std::memcpy(window + window_length, chunk, n + 1);
        window_length += n;

        if (const char* match = std::strstr(window, wanted)) {
            if (count == 0 && offset)
                *offset += total - static_cast<int64_t>(window_length - static_cast<size_t>(match - window));
            count++;
            window[0] = 0;
            window_length = 0;
            if (!all) break;
        }
        if (window_length > 2048) {
            std::memcpy(window, chunk, n + 1);
            window_length = n;
        }
        if (n < 1023) break;
    }
    std::fclose(f);
    return count;
}
