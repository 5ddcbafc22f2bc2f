// Arbitrary message files through the field reader and the line stripper:
// results stay within their codes and buffers, a found field's offset points
// at its name at the start of a line, and a strip removes bytes only from the
// found field onwards.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/arrays.h"
#include "format/header_edit.h"
#include "format/header_fields.h"
#include "fuzz/fuzz_scratch.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool starts_with_nocase(const std::string& bytes, size_t at, const char* name) {
    size_t n = std::strlen(name);
    if (n > 47) n = 47;
    if (at + n > bytes.size()) return false;
    for (size_t i = 0; i < n; i++) {
        unsigned char a = static_cast<unsigned char>(bytes[at + i]);
        unsigned char b = static_cast<unsigned char>(name[i]);
        if (a == 0) a = 0x14;
        if ((a >= 'a' && a <= 'z' ? a - 32 : a) != (b >= 'a' && b <= 'z' ? b - 32 : b)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ScratchFolder scratch;
    write_scratch_file("m.eml", data, size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    static const char* const names[] = {"From", "to", "Received", "Content-Type", "X-ZMRecipients"};
    size_t delimiter = bytes.find("\r\n--");
    const int64_t starts[] = {0, delimiter == std::string::npos ? static_cast<int64_t>(size / 2)
                                                                 : static_cast<int64_t>(delimiter + 1)};
    Array* wide = array_new(1000);
    Array* narrow = array_new(8);
    struct Target {
        Array* out;
        int max_len;
    };
    const Target targets[] = {{wide, 99}, {wide, 5000}, {narrow, 99}, {wide, 0}};

    // The first and last bytes pick the start and the buffer, so that every
    // combination is reached without running all of them on every input.
    unsigned pick = size ? data[0] ^ data[size - 1] : 0;
    for (const char* name : names)
        for (int occurrence : {FIELD_FIRST, FIELD_LAST})
            for (int scope : {SCOPE_HEADER, SCOPE_FILE}) {
                const Target& t = targets[pick % 4];
                int64_t start = starts[(pick / 4) % 2];
                pick = pick * 7 + 3;
                int64_t offset = start;
                int r = read_header_field("m.eml", &offset, name, t.out, t.max_len, occurrence, scope);
                check(r == 0 || r == -1 || r == -2);
                size_t length = strnlen(t.out->text, static_cast<size_t>(t.out->capacity));
                check(length < static_cast<size_t>(t.out->capacity));
                check(length <= static_cast<size_t>(t.max_len));
                if (r == -1) {
                    check(offset == start && length == 0);
                    continue;
                }
                check(offset >= start && offset < static_cast<int64_t>(size));
                size_t at = static_cast<size_t>(offset);
                check(starts_with_nocase(bytes, at, name));
                check(at == 0 || (at >= 2 && bytes.compare(at - 2, 2, "\r\n") == 0));
                if (r == 0) check(length > 0);
            }

    for (const char* name : {"X-ZMRead", "Subject"}) {
        write_scratch_file("s.eml", data, size);
        int64_t at = 0;
        int found = locate_header_field("s.eml", 0, name, FIELD_FIRST, SCOPE_HEADER, &at);
        int r = strip_header_field(3, "s.eml", name);
        std::string after = read_scratch_file("s.eml");
        if (found != 0) {
            check(r == -1 && after == bytes);
            continue;
        }
        check(r == 0 && after.size() < bytes.size());
        size_t kept = static_cast<size_t>(at);
        check(after.compare(0, kept, bytes, 0, kept) == 0);
        size_t tail = after.size() - kept;
        check(bytes.compare(bytes.size() - tail, tail, after, kept, tail) == 0);
    }
    delete_arrays(wide, narrow);
    return 0;
}
