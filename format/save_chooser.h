// Copies handed to the user: a file copied to the path they choose, under a
// name that came with a message made safe first.
#pragma once

#include "core/arrays.h"

// Asks where to save a file (the window's save dialog, the suggested name
// given). True with the chosen path in `path`, false when the user cancelled.
struct SaveChooser {
    bool (*choose)(void* context, const char* suggested_name, Array* path);
    void* context;
};

// A file name that came with a message made safe to put below a folder of
// ours: ":", "\" and "/" become "_", so it can reach no other folder or drive.
void make_safe_file_name(char* name);

// Offers the suggested name to the chooser and copies `source` to the chosen
// path, replacing what is there; `failure` is shown when the copy fails, so
// that it never passes for saved. 1 when saved, 0 when the user cancelled,
// -1 when the copy failed.
int copy_to_chosen_path(const char* source, const char* suggested_name, const SaveChooser* chooser,
                        const char* failure);
