// Putting a line into a message file, through "temp": a file is never
// changed in place.
#pragma once

// Writes a copy of `path` with `text` inserted before line `line_count` + 1
// (0: the text becomes the first line) into `destination`, or, without one,
// over `path` itself. `number` names the scratch file (the calling window's
// handle value). 0 or -1; on failure the file is as it was.
int insert_line(int number, const char* path, const char* destination, const char* text, int line_count);
