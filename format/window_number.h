// The number that names a window's scratch files: the low 32 bits of its
// handle, which is all a window handle carries, on 64-bit Windows too.
#pragma once

#include <cstdint>

#include "core/ui_services.h"

inline int window_number(WindowRef window) {
    return static_cast<int>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));
}
