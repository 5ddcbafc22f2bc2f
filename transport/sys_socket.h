// TCP sockets over IPv4: Winsock on Windows, BSD sockets elsewhere. Blocking
// sockets throughout, as every job runs on its own thread.
#pragma once

#include <cstdint>

using Socket = intptr_t;
constexpr Socket no_socket = -1;

// An IPv4 address and port, both in network byte order.
struct NetAddress {
    uint32_t address = 0;
    uint16_t port = 0;
};

// Starts and stops the socket library (Winsock 1.1 on Windows).
int sys_net_startup();
void sys_net_cleanup();

// What a call gives when its time-out passed before anything moved.
constexpr int sys_timed_out = -2;

Socket sys_socket_open();
int sys_socket_close(Socket s);
// 0 when connected, sys_timed_out when the server did not accept within
// `milliseconds` (0: as long as the system waits), -1 otherwise.
int sys_connect(Socket s, const NetAddress& to, int milliseconds = 0);
// Bytes sent, sys_timed_out when none could go out within the socket's
// send time-out, or -1 on another error.
int sys_send(Socket s, const void* data, int length);
// Bytes received, 0 when the peer closed the connection, sys_timed_out when
// nothing came within the socket's receive time-out, -1 on another error.
int sys_recv(Socket s, void* buffer, int length);
// Both time-outs in milliseconds, send first: the longest a single send or
// receive waits for the peer. 0 or -1.
int sys_set_timeouts(Socket s, int milliseconds);
// Looks a host name up; 0 with the first IPv4 address, or -1.
int sys_resolve(const char* name, uint32_t* address);
// How many received bytes wait to be read, 0 when none do; -1 on an error.
int sys_socket_pending(Socket s);
// Waits up to `milliseconds` for bytes (or the peer's close) to arrive: 1
// when a receive would not block, 0 when nothing came in that time, -1 on
// an error.
int sys_wait_readable(Socket s, int milliseconds);
// Wakes a thread blocked on the socket: its receive fails.
void sys_socket_abort(Socket s);

// A socket listening on 127.0.0.1 at a port the system picks, its address
// in `bound`; no_socket when the system refuses one.
Socket sys_listen_loopback(NetAddress* bound);
// Waits up to `milliseconds` for a connection to the listening socket: 0
// with the connected socket in `accepted`, sys_timed_out, or -1.
int sys_accept(Socket listener, int milliseconds, Socket* accepted);

// Host and network byte order of a port.
uint16_t port_to_network(int port);
int port_from_network(uint16_t port);
