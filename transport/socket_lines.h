// The byte level of the mail sessions: replies of either protocol, commands
// with their replies, and multi-line bodies copied into a file.
#pragma once

#include <cstdio>
#include <functional>

#include "core/arrays.h"
#include "transport/session.h"

// A reply or command line of POP3 or SMTP with its terminating zero; every
// buffer a reply is read into has this size.
constexpr int line_capacity = 520;
// The most kept of a line of a multi-line POP3 reply (and of the whole AUTH
// list).
constexpr int line_kept = 514;

// How a reply ends.
enum class ReplyShape {
    line,  // after its first line
    pop3,  // a POP3 listing: after a first line that begins with "-", else at its dot line
    smtp,  // after the first line whose fourth character is not "-" (RFC 5321, 4.2.1)
};

// Gets each line of a reply with its line end (zero bytes left out) and
// whether it is the first; false ends the reading as a failure.
using ReplyLine = std::function<bool(const char* line, int length, bool first)>;

// The one reader of replies. Bytes are taken from the connection in large
// receives (a listing of thousands of lines costs a few receives, not one
// per byte, and a receive is a round trip to the system under Wine); what
// came behind the reply stays with the session for the next reply's read,
// so nothing of it is lost. Lines are given whole up to `longest` bytes;
// with ReplyShape::line a longer line fails the read, otherwise the rest of
// it is left out. An SMTP reply of more than 64 KB fails. 0, or -1 when the
// connection closes or fails before the end.
int read_reply(MailSession& s, ReplyShape shape, int longest, const ReplyLine& visit);

// One reply line into `line`, cleared first: -1 when the connection fails
// or closes before its end, or when the line does not fit (`line` then holds
// what fitted).
int recv_line(MailSession& s, Array* line);
// Sends the command (the text carries its own "\r\n"), then unless
// `send_only` reads one reply line: a reply beginning with "+" is success;
// any other is shown followed by "\r\nIncorrect response from
// server.\r\n". Failures to send or to receive are shown as well. 0 or -1.
int send_pop3_command(MailSession& s, const char* text, bool send_only);
// Sends the command; "Socket error on send.\r\n" when it cannot. 0 or -1.
int send_command(MailSession& s, const char* text);

struct BodyTransfer {
    const char* terminator;  // "\r\n.\r\n" for POP3
    int step_bytes;          // received bytes per progress step
    int step_count;          // steps that fill the bar
    // POP3 doubles a dot at the start of a line (RFC 1939); with this set the
    // extra dot is removed on the way to the file.
    bool dot_stuffed;
    // Whether the next byte starts a line (true right after a status line).
    bool at_line_start;
};

enum { BODY_COMPLETE = 0, BODY_FAILED = -1, BODY_SKIPPED = -2 };

// Copies a body from the session into the open file, without its
// terminator; bytes behind the terminator stay with the session for the
// next reply. Returns BODY_COMPLETE once the terminator arrived,
// BODY_SKIPPED when the user pressed "Skip Server", BODY_FAILED when the
// connection failed or closed first: only a complete body is a whole
// message.
int recv_body_to_file(std::FILE* file, MailSession& s, const BodyTransfer& transfer);
