#include <pthread.h>

#include <cstdlib>

#include "core/arrays.h"
#include "core/threads.h"

namespace {
struct ThreadStart {
    ThreadFunction fn;
    void* argument;
};

void* thread_body(void* p) {
    ThreadStart start = *static_cast<ThreadStart*>(p);
    std::free(p);
    start.fn(start.argument);
    return nullptr;
}
}  // namespace

long start_thread(ThreadFunction fn, void* argument) {
    auto* start = static_cast<ThreadStart*>(xmalloc(sizeof(ThreadStart)));
    *start = ThreadStart{fn, argument};
    pthread_t thread;
    if (pthread_create(&thread, nullptr, thread_body, start) != 0) {
        std::free(start);
        return -1;
    }
    pthread_detach(thread);
    return 1;
}
