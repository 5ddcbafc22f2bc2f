// The event log zmlog.txt: append-only, one stamped entry per call, flushed
// at once so the file is complete up to the last entry even after a crash.
#pragma once

// Opens the log for binary append. Returns 0, or -1 when it cannot be opened.
int log_open(const char* path);
// Writes "[YYYY-MM-DD hh:mm:ss] " and the text. The caller supplies the line
// end. Does nothing while no log is open (programs without a log).
void log_write(const char* text);
// Closes the log; used by tests that open several logs in one process.
void log_close();
