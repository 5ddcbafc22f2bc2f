// Copying a recorded part's body out of the message file into a file of its
// own, byte for byte.
#pragma once

#include "core/arrays.h"
#include "format/part_list.h"

// Copies the part's body range (to the end of the file when its end is 0)
// into the output file. Returns 0, or -1 after "File format appears to be
// incorrect." (an end before the start), "Could not open extracted file!"
// or "Could not open source file!", or -1 when the copy failed.
int extract_range(const char* path, const char* output_path, const PartRecord* part);

// Walks the message from its start in select mode with the preference list
// and extracts the best part; the list then holds that part. True on success.
bool extract_text_part(const char* path, const char* output_path, StringList* preferences, PartRecord* list);

// Extracts the given record. Returns -1 at the list's end record or when the
// extraction fails, else 0.
int extract_next_part(const char* path, const char* output_path, const PartRecord* part);

// What is done with each attachment of a message: its record, its number
// from 1, and whether its body was copied into the extract file. Returning
// false ends the walk.
using AttachmentVisit = bool (*)(void* context, const PartRecord* part, int index, bool extracted);

// Walks the attachments of the message (collect_attachments) in order,
// copying each body into `extract_path` before its visit. Returns the number
// of attachments the message lists.
int for_each_attachment(const char* message_path, const char* extract_path, AttachmentVisit visit, void* context);
