// The boundary of a multipart message: "----=_NextPart_%.5i" with a
// pseudo-random number from 0 to 32767, chosen so that it occurs in none of
// the message's pieces.
#pragma once

#include "core/arrays.h"
#include "core/ui_services.h"

// Where the numbers come from. Tests install their own source; null puts the
// generator back, which is seeded at every build from the time in seconds
// XOR the tick count.
using BoundaryNumbers = int (*)();
void boundary_numbers_install(BoundaryNumbers numbers);

// "----=_NextPart_%.5i" of the number.
void boundary_text(Array* out, int number);

// Tries up to 1000 numbers and returns the first whose boundary text occurs
// (exact comparison) in none of the `count` files. A first file that cannot
// be read gives "Could not open message file." and -1; the later files are
// the attachment files, whose own faults the attachment writer reports.
// After 1000 numbers that all occur: "Could not find unique boundary
// identifier!" and -1. Message boxes are owned by `window`.
int choose_boundary(WindowRef window, const char* const* paths, int count);
