// Whether an attachment may be handed to the program associated with it.
#pragma once

// 1 when the file must not be opened with its associated program: no
// program is associated with it (the file name or the program found has 3
// characters or fewer), or the program found ends like the file itself
// (last four characters, case ignored), that is the file would run itself.
// Else 0.
int is_executable_file(const char* path);
