// Names of the client's scratch files in the "temp" folder.
#pragma once

#include "core/arrays.h"

// "temp\%.20s%i.tmp": a purpose word of at most 20 characters and a number,
// the handle value of the window that owns the work, so that two windows
// never share a scratch file. A word that ends in a digit ("message1") is
// followed by "_" before the number, so that no word's name can be another
// word's name of another window.
void temp_file_name(Array* out, const char* prefix, int number);
