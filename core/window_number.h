// A window's handle value as a number, for the names of scratch files that
// belong to one window ("temp\out<number>.tmp"). Window handles are
// significant in their low 32 bits on 64-bit Windows as well, so the cut
// keeps them apart.
#pragma once

#include <cstdint>

#include "core/ui_services.h"

inline int window_number(WindowRef window) {
    return static_cast<int>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));
}
