#include "core/find_in_file.h"

#include <cstdio>
#include <cstring>

#include "core/file_reads.h"

namespace {

// ASCII letters only, as toupper does in the "C" locale the programs run
// in, without a library call for every byte of a large message.
inline unsigned char upper(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c; }

void to_upper(char* text, size_t n) {
    for (size_t i = 0; i < n; i++) text[i] = static_cast<char>(upper(static_cast<unsigned char>(text[i])));
}

// A byte as the searches compare it: a zero byte as 0x14, and without
// `exact` a letter in upper case.
inline unsigned char prepared(unsigned char c, bool exact) {
    if (c == 0) return 0x14;
    return exact ? c : upper(c);
}

// The first position from `from` to `last_start` where the prepared pattern
// (m > 0 bytes) stands in bytes that are all in memory, compared as the
// chunked searches below compare them; -1 when there is none. The held
// message's bytes are searched where they lie, without copying them into
// chunks and converting each byte first.
int64_t find_in_bytes(const char* bytes, int64_t size, int64_t from, int64_t last_start, const char* wanted,
                      size_t m, bool exact) {
    if (last_start > size - static_cast<int64_t>(m)) last_start = size - static_cast<int64_t>(m);
    const auto first = static_cast<unsigned char>(wanted[0]);
    // A first byte that only itself can stand for is found with memchr.
    const bool plain_first = first != 0x14 && (exact || first < 'A' || first > 'Z');
    for (int64_t i = from; i <= last_start; i++) {
        if (plain_first) {
            const void* hit = std::memchr(bytes + i, first, static_cast<size_t>(last_start - i + 1));
            if (!hit) return -1;
            i = static_cast<const char*>(hit) - bytes;
        } else if (prepared(static_cast<unsigned char>(bytes[i]), exact) != first) {
            continue;
        }
        size_t j = 1;
        while (j < m && prepared(static_cast<unsigned char>(bytes[i + static_cast<int64_t>(j)]), exact) ==
                            static_cast<unsigned char>(wanted[j]))
            j++;
        if (j == m) return i;
    }
    return -1;
}

}  // namespace

int find_in_file(const char* path, const char* pattern, int64_t* offset, bool all, bool exact) {
    FileRead f;
    if (!file_read_open(&f, path)) return -1;
    if (offset && *offset > 0 && !file_read_seek(&f, *offset)) {
        file_read_close(&f);
        return 0;
    }

    char wanted[50] = {};
    std::strncpy(wanted, pattern, 49);
    if (!exact) to_upper(wanted, std::strlen(wanted));

    const char* bytes = nullptr;
    int64_t size = 0;
    if (!all && (!offset || *offset >= 0) && file_read_whole_bytes(&f, &bytes, &size)) {
        file_read_close(&f);
        size_t m = std::strlen(wanted);
        if (m == 0) return 1;  // found where the search starts
        int64_t from = offset ? *offset : 0;
        int64_t at = find_in_bytes(bytes, size, from, size, wanted, m, exact);
        if (at < 0) return 0;
        if (offset) *offset = at;
        return 1;
    }

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
        size_t n = file_read_bytes(&f, chunk, 1023);
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
    file_read_close(&f);
    return count;
}

int find_in_memory(const char* bytes, int64_t size, const char* pattern, bool exact) {
    char wanted[50] = {};
    std::strncpy(wanted, pattern, 49);
    size_t m = std::strlen(wanted);
    if (!exact) to_upper(wanted, m);
    if (m == 0) return 1;
    return find_in_bytes(bytes, size, 0, size, wanted, m, exact) >= 0 ? 1 : 0;
}

int find_in_file_within(const char* path, const char* pattern, int64_t* offset, int64_t limit, bool exact) {
    FileRead f;
    if (!file_read_open(&f, path)) return -1;
    int64_t start = *offset > 0 ? *offset : 0;
    if (start > 0 && !file_read_seek(&f, start)) {
        file_read_close(&f);
        return 0;
    }
    char wanted[50] = {};
    std::strncpy(wanted, pattern, 49);
    size_t m = std::strlen(wanted);
    if (!exact) to_upper(wanted, m);
    if (m == 0) {
        file_read_close(&f);
        return start <= limit ? 1 : 0;
    }
    const char* bytes = nullptr;
    int64_t size = 0;
    if (file_read_whole_bytes(&f, &bytes, &size)) {
        file_read_close(&f);
        int64_t at = find_in_bytes(bytes, size, start, limit, wanted, m, exact);
        if (at < 0) return 0;
        *offset = at;
        return 1;
    }

    // The bytes read, prepared as find_in_file prepares them, with the last
    // m - 1 of the previous read kept in front so that a match across two
    // reads is seen.
    constexpr size_t piece = 4096;
    char buffer[piece + 50];
    size_t kept = 0;
    int64_t buffer_at = start;  // file position of buffer[0]
    int result = 0;
    while (result == 0 && buffer_at <= limit) {
        size_t n = file_read_bytes(&f, buffer + kept, piece);
        for (size_t i = kept; i < kept + n; i++)
            if (buffer[i] == 0) buffer[i] = 0x14;
        if (!exact) to_upper(buffer + kept, n);
        size_t total = kept + n;
        for (size_t i = 0; i + m <= total && buffer_at + static_cast<int64_t>(i) <= limit; i++) {
            const void* first = std::memchr(buffer + i, wanted[0], total - m + 1 - i);
            if (!first) break;
            i = static_cast<size_t>(static_cast<const char*>(first) - buffer);
            if (buffer_at + static_cast<int64_t>(i) > limit) break;
            if (std::memcmp(buffer + i, wanted, m) == 0) {
                *offset = buffer_at + static_cast<int64_t>(i);
                result = 1;
                break;
            }
        }
        if (n < piece) break;
        kept = m - 1 < total ? m - 1 : total;
        std::memmove(buffer, buffer + total - kept, kept);
        buffer_at += static_cast<int64_t>(total - kept);
    }
    file_read_close(&f);
    return result;
}
