// The list mirror mirror.dat of a folder: one line of list values per
// message, in the order the messages were first listed, so that opening a
// folder reads one file instead of parsing every message.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/arrays.h"
#include "store/message_summary.h"

struct ListMirror {
    int64_t offset = 0;        // just after the last line that matched
    char path[1024] = {};      // folder\mirror.dat
    // The lookups of one fill read the mirror once, front to back, through
    // one open file, and append the lines they make through another.
    std::FILE* in = nullptr;
    std::FILE* out = nullptr;
    Array* line = nullptr;  // the line read last
    bool read_all = false;  // every line of the file has been read
    bool open_end = false;  // and the last of them has no line end
    // Lines found written before the texts were decoded, made afresh from
    // their messages; they take the old lines' places when the mirror is
    // closed.
    std::vector<std::string> fresh_lines;
};

// Lines end with this ninth field since the texts they hold are decoded
// UTF-8; a line without it holds the header's raw text and is made afresh.
// Readers that know eight fields ignore it.
constexpr char mirror_utf8_mark[] = "utf-8";

void mirror_open(ListMirror* mirror, const char* folder);
// Closes the files the lookups kept open and writes the lines made afresh
// in place of the old ones; every user of lookups calls it.
void mirror_close(ListMirror* mirror);
// Fills the summary's from name, subject, date, flags and attachment count
// and the recipients text (12631 bytes) from the message's line, read on
// from the last line that matched. When the mirror has nothing more to
// read, the line is made from the message and appended. 0, or -1 when the
// line cannot be found or the mirror cannot be read or written.
int mirror_lookup(ListMirror* mirror, const char* message_path, MessageSummary* summary, Array* recipients);
// Parses the message and appends its line.
void mirror_append(ListMirror* mirror, const char* message_path);
// Rewrites the message's line as the file is now, or drops it when the file
// cannot be read. 0, or -1 when the mirror cannot be rewritten or holds no
// line for the message.
int mirror_refresh(ListMirror* mirror, const char* message_path);
void mirror_discard(ListMirror* mirror);

// The summary of a message for its row, its attachment count included, from
// one open of the file (held_window_bytes are read at once; a larger
// message's later bytes are read where the attachments are looked for).
// read_summary's result.
int summarise_for_row(const char* message_path, MessageSummary* summary);

// Messages whose encrypted subject could not be deciphered (no key) while
// their lines were written; the list fill reads it to tell the user once.
extern std::atomic<int> locked_subjects;

// The size of a file in bytes, -1 when there is none.
int file_size(const char* path);
