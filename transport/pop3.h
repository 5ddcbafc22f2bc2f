// The client side of POP3 (RFC 1939, with AUTH for CRAM-MD5 and PLAIN).
#pragma once

#include "core/arrays.h"
#include "core/ui_services.h"
#include "transport/sys_socket.h"

constexpr int pop3_max_sizes = 999;

// Connects the socket to the server ("host" or "host:port") and logs in:
// USER and PASS, or with `use_auth` AUTH (CRAM-MD5 preferred, PLAIN unless
// `encrypted_only`). `reply` and `command` are 520-byte buffers. 0 or -1.
int pop3_login(Socket s, WindowRef status_window, Array* reply, Array* command, const char* server,
               const char* user, const char* password, bool use_auth, bool encrypted_only);
// The number of messages, or -1. With a size table (1000 32-bit entries) the
// listed sizes go into it, entry k-1 for the k-th line.
int pop3_list(Socket s, WindowRef status_window, Array* sizes);
// Downloads messages first to end - 1 into the folder, each in a new file
// mm<N>.eml that appears only once the message is complete; with
// `headers_only` the header and ten body lines (TOP). With `delete_after`
// each message is deleted on the server once its file is safely stored.
// `stored` counts the files made. 0 or -1.
int pop3_retrieve(Socket s, WindowRef status_window, const char* folder, int first, int end, bool headers_only,
                  bool delete_after, Array* sizes, int* stored);
// "quit", then the socket is closed. 0 or -1.
int pop3_quit(Socket s, WindowRef status_window);
