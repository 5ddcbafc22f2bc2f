// The bounded file read that header reading goes through.
#pragma once

#include <cstdio>

#include "core/arrays.h"
#include "core/file_reads.h"

// Reads up to `length` bytes into the start of `buffer`, never into its last
// byte, so what was read stays zero-terminated in a cleared buffer. Two
// things are logged as "libArrays: safe_fread error.\r\n": a request larger
// than the buffer (it is cut to fit) and a read that stops short for any
// reason but the end of the file. Returns the number of bytes read.
int safe_fread(Array* buffer, int length, std::FILE* file);
// The same through a FileRead (an open file or a held one).
int safe_read(Array* buffer, int length, FileRead* file);
// The same into `capacity` bytes of plain memory, which the caller ends
// after what was read.
int safe_read_bytes(char* buffer, int capacity, int length, FileRead* file);
