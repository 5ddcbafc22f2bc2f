// The scratch files of one message build: "message" (the text as written),
// "encrypted" (its enciphered form), "encoded" (the encoded body) and
// "building" (the message file until it is complete), all "temp\<word><W>.tmp"
// with the compose window's handle value W.
//
// Two builds of one window can overlap: the send job builds on its own
// thread while the window itself saves a draft or prints. The first build
// of a window takes those names; a build that finds another of its window
// running takes names with a serial number of its own ("message-3-<W>"), so
// neither overwrites the other's files.
#pragma once

#include "core/arrays.h"

struct BuildNames {
    Array* message = nullptr;
    Array* encrypted = nullptr;
    Array* encoded = nullptr;
    Array* building = nullptr;
    int slot = -1;  // the claim held while the build runs, -1 for none
};

void build_names_claim(BuildNames* names, int window_number);
// Gives the claim back and frees the names; the files stay in "temp".
void build_names_release(BuildNames* names);
