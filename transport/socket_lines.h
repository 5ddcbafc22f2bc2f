// The byte level of the mail sessions: reply lines, commands with their
// replies, and multi-line bodies copied into a file.
#pragma once

#include <cstdio>

#include "core/arrays.h"
#include "core/ui_services.h"
#include "transport/stream.h"
#include "transport/sys_socket.h"

// A reply or command line of POP3 or SMTP with its terminating zero; every
// buffer a reply is read into has this size.
constexpr int line_capacity = 520;
// The most bytes of a reply line taken in one receive, and the most kept of
// a line of a multi-line POP3 reply (and of the whole AUTH list).
constexpr int line_kept = 514;

// Reads until the line buffer (line_capacity bytes) holds a line feed. Bytes behind
// the first line end stay in the buffer. Fails (-1) on a receive error, when
// the peer closes the connection, or when the buffer fills without a line
// end. `first_byte`, when given and still 0, receives the reply's first byte.
int recv_line(Socket s, Array* line, char* first_byte);
// Sends the command (the text carries its own "\r\n"), then unless
// `send_only` reads one reply line: 2xx or 3xx is success. Failures are
// reported in the status window. 0 or -1.
int send_smtp_command(Socket s, const char* text, WindowRef status_window, bool send_only);
// The same for POP3, where a reply beginning with "+" is success.
int send_pop3_command(Socket s, const char* text, WindowRef status_window, bool send_only);
// Sends every byte of the buffer, in as many calls as it takes. 0 or -1.
int send_all(Socket s, const char* data, int length);

// A reply read a byte at a time, but taken from the connection in large
// receives: a listing of thousands of lines costs a few receives, not one
// per byte (each receive is a round trip to the system under Wine). The
// bytes behind the reply go back to the stream when the reader goes, so
// the next reply's reader gets them and nothing of it is lost.
class ReplyBytes {
public:
    explicit ReplyBytes(Socket s) : s_(s) {}
    ~ReplyBytes() { give_back(); }
    ReplyBytes(const ReplyBytes&) = delete;
    ReplyBytes& operator=(const ReplyBytes&) = delete;
    // The next byte; false when the connection closed or failed first.
    bool next(char* c) {
        if (at_ == length_) {
            int n = stream_recv(s_, bytes_, static_cast<int>(sizeof bytes_));
            if (n <= 0) return false;
            at_ = 0;
            length_ = n;
        }
        *c = bytes_[at_++];
        return true;
    }
    // What was received and not taken goes back to the stream now.
    void give_back() {
        stream_unread(s_, bytes_ + at_, length_ - at_);
        at_ = length_ = 0;
    }

private:
    Socket s_;
    char bytes_[8192];
    int at_ = 0, length_ = 0;
};

// The most bytes a body takes from the socket in one receive; bytes behind
// its terminator are at most this many.
constexpr int body_chunk = 16384;

struct BodyTransfer {
    const char* terminator;  // "\r\n.\r\n" for POP3
    WindowRef status_window;
    int step_bytes;          // received bytes per progress step
    int step_count;          // steps that fill the bar
    // POP3 doubles a dot at the start of a line (RFC 1939); with this set the
    // extra dot is removed on the way to the file.
    bool dot_stuffed;
    // Whether the next byte starts a line (true right after a status line).
    bool at_line_start;
    // Body bytes that already arrived (with the status line), taken before
    // anything is received: they count for the terminator like the rest.
    const char* pending = nullptr;
    int pending_length = 0;
    // Where bytes that arrive behind the terminator go: the next replies of a
    // session with several commands in flight. Without it they are dropped.
    char* rest = nullptr;
    int rest_capacity = 0;
    int rest_length = 0;  // set by the transfer
};

enum { BODY_COMPLETE = 0, BODY_FAILED = -1, BODY_SKIPPED = -2 };

// Copies a body from the socket into the open file, without its terminator.
// Returns BODY_COMPLETE once the terminator arrived, BODY_SKIPPED when the
// user pressed "Skip Server", BODY_FAILED when the connection failed or
// closed first: only a complete body is a whole message.
int recv_body_to_file(std::FILE* file, Socket s, BodyTransfer* transfer);
