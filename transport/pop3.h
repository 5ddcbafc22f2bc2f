// The client side of POP3 (RFC 1939, with AUTH for CRAM-MD5 and PLAIN).
#pragma once

#include "core/arrays.h"
#include "core/ui_services.h"
#include "transport/sasl.h"
#include "transport/sys_socket.h"

// The size table of a listing: 32-bit entries, entry k-1 for the k-th
// listed message; the sizes of at most the first 999 messages are kept.
constexpr int pop3_size_entries = 1000;
constexpr int pop3_max_sizes = 999;

// Connects the socket to the server ("host" or "host:port") and logs in:
// USER and PASS, or with `options.use_auth` AUTH with the mechanism that
// sasl_choose picks. `reply` and `command` are line buffers
// (line_capacity bytes). 0 or -1.
int pop3_login(Socket s, WindowRef status_window, Array* reply, Array* command, const char* server,
               const char* user, const char* password, LoginOptions options);
// The number of messages, or -1. With a size table (pop3_size_entries) the
// listed sizes go into it, entry k-1 for the k-th line.
int pop3_list(Socket s, WindowRef status_window, Array* sizes);

struct RetrieveOptions {
    bool headers_only = false;  // the header and ten body lines (TOP) instead of RETR
    bool delete_after = false;  // DELE each message once its file is safely stored
};
// Downloads messages first to end - 1 into the folder, each in a new file
// mm<N>.eml that appears only once the message is complete. `stored` counts
// the files made. 0 or -1.
int pop3_retrieve(Socket s, WindowRef status_window, const char* folder, int first, int end,
                  RetrieveOptions options, Array* sizes, int* stored);
// "quit", then the socket is closed. 0 or -1.
int pop3_quit(Socket s, WindowRef status_window);
