#include "core/name_hash.h"

#include <cinttypes>
#include <cstdio>

#include "core/sys_files.h"

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

std::string mailbox_file_name(const char* prefix, const char* server, const char* user, const char* suffix) {
    char name[80];
    std::snprintf(name, sizeof name, "%.20s%016" PRIx64 "%.20s", prefix, mailbox_hash(server, user), suffix);
    return name;
}

int mailbox_file_remove(const std::string& name) {
    if (!sys_exists(name.c_str())) return 0;
    return sys_remove_file(name.c_str()) == 0 ? 0 : -1;
}
