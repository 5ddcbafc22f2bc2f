// Texts typed by the user on their way into a header line.
#pragma once

#include "core/arrays.h"

// Copies at most `max` characters of the text (and never more than the
// buffer holds), each carriage return and line feed made a space: a line
// break inside a value would end the field there and start another, or the
// whole header.
void header_safe_copy(Array* out, const char* text, int max);
