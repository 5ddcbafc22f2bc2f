// A message built from a compose window's fields stored as a new message
// file of a folder: drafts and the outbox.
#pragma once

#include "core/arrays.h"
#include "format/compose_fields.h"

// Writes the message as a new message file "mm<N>.eml" of a store folder
// ("maildir\drafts", "maildir\outbox"), N the folder's highest number plus
// one (or the next free one after it). The file appears in the folder
// complete, never half written. Returns 0 with the file's path in
// `path_out` (may be null), or -1 after a message box.
int build_into_folder(const ComposeFields* fields, const char* folder, bool for_display, Array* path_out);
