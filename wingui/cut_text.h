// Text that a control copied into a buffer of ours.
#pragma once

#include <cstring>

#include "core/arrays.h"

// Some controls fill a buffer too small for the text to its last byte and
// leave out the terminating zero; the text then ends one character earlier,
// as it does where the control cuts it itself. Returns the length.
inline int terminate_cut_text(Array* out) {
    out->chars[out->capacity - 1] = 0;
    return static_cast<int>(strnlen(out->text, static_cast<size_t>(out->capacity)));
}
