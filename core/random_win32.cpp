#include "core/random.h"

#include <windows.h>

#include <bcrypt.h>

#include <climits>

int sys_random_bytes(void* out, size_t size) {
    if (size > ULONG_MAX) return -1;
    NTSTATUS status = BCryptGenRandom(nullptr, static_cast<PUCHAR>(out), static_cast<ULONG>(size),
                                      BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    return status == 0 ? 0 : -1;
}
