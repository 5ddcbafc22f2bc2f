// Names of the client's scratch files in the "temp" folder.
#pragma once

#include "core/arrays.h"

// "temp\%.20s%i.tmp": a purpose word of at most 20 characters and a number,
// the handle value of the window that owns the work, so that two windows
// never share a scratch file.
void temp_file_name(Array* out, const char* prefix, int number);
