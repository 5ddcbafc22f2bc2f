// The message text between DATA and the final dot (RFC 5321, 4.5.2). A line
// of the message that begins with a dot goes out with a second dot in
// front, which the server removes again; otherwise a line holding only a
// dot would end the message there and the rest would be lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "transport/session.h"

struct DotStuffing {
    bool at_line_start = true;   // the next byte begins a line
    bool after_crlf = true;      // what went out so far ends with CR LF, or nothing did
    char previous = 0;
};

// Copies `length` bytes to `out` (room for twice as many), doubling every dot
// that begins a line. A line begins after any line feed, so that a server
// which ends lines at a bare line feed cannot see an end either. Returns the
// number of bytes written; the state carries over to the next piece.
size_t dot_stuff(DotStuffing* state, const char* in, size_t length, char* out);

// What ends the data: ".\r\n" when the text already ends with its line end
// (the message keeps its last line as it is), "\r\n.\r\n" otherwise.
const char* data_end(const DotStuffing& state);

// Streams the open file to the session, dot-stuffed, stepping the status
// sink's progress bar to 100 in all (a step of size / 100 bytes, at least
// one byte). On a send failure shows "Socket error on send().\r\n" and
// returns -1; a file that cannot be read to its end also gives -1, and in
// both cases the end of the data is never sent. Otherwise sends it and
// returns 0.
int smtp_send_body(MailSession& s, std::FILE* file, int64_t size);
