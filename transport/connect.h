// Reaching a mail server: its port, its address, and the connection itself,
// directly or through the SOCKS 5 proxy.
#pragma once

#include "core/arrays.h"
#include "transport/session.h"

// A server as the account table and the "X-ZMServer" line hold it, "host"
// or "host:port", with its terminating zero.
constexpr int server_text_capacity = 100;

// "host:port" → the port, with the server text cut to the bare host. No
// colon gives the default port. A port outside 1 to 65535 shows "Invalid port
// number entered!" and gives 0.
int split_server_port(Array* server, int default_port);
// A dotted IPv4 address or a host name. 0 or -1.
int resolve_server(const char* server, uint32_t* address);
// Connects the session to the target, through the proxy when the settings
// ask for it. 0 or -1.
int net_connect(MailSession& s, const NetAddress& target);
// The start of a POP3 or IMAP session: the port of `host` (cut to the bare
// host), its address and the connection, each failure told in the
// protocol's words ("Cannot connect to POP3 server.\r\n..."), then
// "Connected to server.\r\n". 0 or -1.
int connect_mail_server(MailSession& s, Array* host, int default_port, const char* protocol);
// The proxy handshake (RFC 1928, IPv4 CONNECT), with the RFC 1929 user name
// and password exchange when a proxy user is configured. true on success.
bool socks_connect(MailSession& s, const NetAddress& target);
