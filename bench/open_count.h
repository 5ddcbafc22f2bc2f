// Counting the files a fill opens: every file the store opens goes through
// sys_fopen, which calls the C library's fopen. A program that includes this
// header (one source file of it) defines fopen itself, so the static link
// binds the store's calls to the definition below, which counts the path and
// hands over to the next fopen in line, the C library's (or the sanitizer's
// in the test build), found with dlsym RTLD_NEXT. Nothing in the product
// changes for the count.
#pragma once

#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<long> mirror_opens{0}, message_opens{0}, other_opens{0};

void count_open(const char* path) {
    size_t n = std::strlen(path);
    if (n >= 10 && std::strcmp(path + n - 10, "mirror.dat") == 0)
        mirror_opens++;
    else if (n >= 4 && std::strcmp(path + n - 4, ".eml") == 0)
        message_opens++;
    else
        other_opens++;
}

}  // namespace

extern "C" std::FILE* fopen(const char* __restrict path, const char* __restrict mode) {
    using Open = std::FILE* (*)(const char*, const char*);
    static Open real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "fopen"));
    if (!real) std::abort();
    count_open(path);
    return real(path, mode);
}
