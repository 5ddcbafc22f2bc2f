#include "core/random.h"

#include <sys/random.h>

#include <cerrno>

int sys_random_bytes(void* out, size_t size) {
    auto* bytes = static_cast<unsigned char*>(out);
    size_t done = 0;
    while (done < size) {
        ssize_t n = getrandom(bytes + done, size - done, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}
