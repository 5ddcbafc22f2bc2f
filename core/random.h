// Key material from the operating system's cryptographic source: keys made
// from the clock or the runtime's generator can be guessed from the date of
// the file that holds them.
#pragma once

#include <cstddef>

// Fills `out` with `size` random bytes. Returns 0, or -1 when the system
// gave fewer (then nothing of `out` may be used).
int sys_random_bytes(void* out, size_t size);
