#include "core/name_hash.h"

uint64_t mailbox_hash(const char* server, const char* user, const char* folder) {
    uint64_t h = 0xcbf29ce484222325ull;
    auto add = [&](unsigned char c) {
        h ^= c;
        h *= 0x100000001b3ull;
    };
    for (const char* p = server; *p; p++) add(static_cast<unsigned char>(*p));
    add('\n');  // "ab" + "c" and "a" + "bc" are different mailboxes
    for (const char* p = user; *p; p++) add(static_cast<unsigned char>(*p));
    if (folder) {
        add('\n');
        for (const char* p = folder; *p; p++) add(static_cast<unsigned char>(*p));
    }
    return h;
}
