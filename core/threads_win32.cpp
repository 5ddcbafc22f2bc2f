#include <windows.h>

#include <process.h>

#include <cstdlib>

#include "core/arrays.h"
#include "core/threads.h"

namespace {
struct ThreadStart {
    ThreadFunction fn;
    void* argument;
};

void __cdecl thread_body(void* p) {
    ThreadStart start = *static_cast<ThreadStart*>(p);
    std::free(p);
    start.fn(start.argument);
}
}  // namespace

long start_thread(ThreadFunction fn, void* argument) {
    auto* start = static_cast<ThreadStart*>(xmalloc(sizeof(ThreadStart)));
    *start = ThreadStart{fn, argument};
    uintptr_t result = _beginthread(thread_body, 0, start);
    if (result == static_cast<uintptr_t>(-1L)) {
        std::free(start);
        return -1;
    }
    return static_cast<long>(result & 0x7fffffff);
}
