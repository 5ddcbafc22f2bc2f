// The file steps that keep a message safe before the only other copy of it
// goes: a received message before the server deletes it, a sent item before
// its queued message is removed. One record, so that tests can see the
// order of the steps and make one of them fail.
#pragma once

#include <cstdio>

struct DurableFiles {
    // Writes the open file through to the disk. 0 or -1.
    int (*flush)(std::FILE* f);
    // Moves a finished file to its name in a folder, never over an existing
    // file (written through where the system allows it). 0 or -1.
    int (*move)(const char* from, const char* to);
    // Makes every move into the folder so far survive a power cut. 0 or -1.
    int (*sync_folder)(const char* folder);
    // Has the system start writing a finished file to the disk while more
    // arrive; only `flush` promises anything. 0 or -1.
    int (*start_flush)(std::FILE* f);
};

// The steps in effect: the system's unless a test installed its own.
const DurableFiles& durable_files();
// Installs other steps (kept by pointer); null goes back to the system's.
void durable_files_install(const DurableFiles* files);
