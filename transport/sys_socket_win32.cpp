#include <winsock.h>

#include "transport/sys_socket.h"

int sys_net_startup() {
    WSADATA wsa;
    return WSAStartup(MAKEWORD(1, 1), &wsa) == 0 ? 0 : -1;
}

void sys_net_cleanup() { WSACleanup(); }

Socket sys_socket_open() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return no_socket;
    // Whole commands and whole pieces of a message, each followed by a wait
    // for the reply: Nagle's rule would only delay them (see the POSIX side).
    BOOL on = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return static_cast<Socket>(s);
}

int sys_socket_close(Socket s) { return closesocket(static_cast<SOCKET>(s)) == 0 ? 0 : -1; }

namespace {

// A blocking call that ran into the socket's time-out fails with
// WSAETIMEDOUT.
int failure() { return WSAGetLastError() == WSAETIMEDOUT ? sys_timed_out : -1; }

// The connection under way on a non-blocking socket, awaited for at most
// `milliseconds`: writable when made, in the exception set when refused.
int await_connection(SOCKET s, int milliseconds) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval limit{milliseconds / 1000, (milliseconds % 1000) * 1000};
    int r = select(0, nullptr, &writable, &failed, &limit);
    if (r == 0) return sys_timed_out;
    if (r < 0 || FD_ISSET(s, &failed)) return -1;
    int error = 0;
    int size = sizeof error;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 || error != 0) return -1;
    return 0;
}

}  // namespace

int sys_connect(Socket s, const NetAddress& to, int milliseconds) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = to.port;
    a.sin_addr.s_addr = to.address;
    const SOCKET socket = static_cast<SOCKET>(s);
    u_long on = 1, off = 0;
    // Winsock's connect has no time-out of its own: with a limit the
    // connection is begun without blocking and awaited for that long.
    const bool limited = milliseconds > 0 && ioctlsocket(socket, FIONBIO, &on) == 0;
    int r = connect(socket, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int result = r == 0 ? 0 : -1;
    if (r != 0 && limited && WSAGetLastError() == WSAEWOULDBLOCK) result = await_connection(socket, milliseconds);
    if (limited) ioctlsocket(socket, FIONBIO, &off);
    return result;
}

int sys_send(Socket s, const void* data, int length) {
    int n = send(static_cast<SOCKET>(s), static_cast<const char*>(data), length, 0);
    return n == SOCKET_ERROR ? failure() : n;
}

int sys_recv(Socket s, void* buffer, int length) {
    int n = recv(static_cast<SOCKET>(s), static_cast<char*>(buffer), length, 0);
    return n == SOCKET_ERROR ? failure() : n;
}

int sys_set_timeouts(Socket s, int milliseconds) {
    DWORD t = static_cast<DWORD>(milliseconds);
    if (setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&t), sizeof t) != 0)
        return -1;
    if (setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&t), sizeof t) != 0)
        return -1;
    return 0;
}

int sys_resolve(const char* name, uint32_t* address) {
    hostent* host = gethostbyname(name);
    if (!host || host->h_addrtype != AF_INET || !host->h_addr_list[0]) return -1;
    *address = *reinterpret_cast<uint32_t*>(host->h_addr_list[0]);
    return 0;
}

int sys_socket_pending(Socket s) {
    u_long n = 0;
    return ioctlsocket(static_cast<SOCKET>(s), FIONREAD, &n) == 0 ? static_cast<int>(n) : -1;
}

int sys_wait_readable(Socket s, int milliseconds) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(s), &readable);
    timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
    int r = select(0, &readable, nullptr, nullptr, &wait);
    if (r == SOCKET_ERROR) return -1;
    return r > 0 ? 1 : 0;
}

Socket sys_listen_loopback(NetAddress* bound) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return no_socket;
    // Without exclusive use another program could bind the same port with
    // SO_REUSEADDR and take the browser's redirect (SO_EXCLUSIVEADDRUSE,
    // which winsock.h does not name).
    const int exclusive = ~SO_REUSEADDR, on = 1;
    setsockopt(s, SOL_SOCKET, exclusive, reinterpret_cast<const char*>(&on), sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 4) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        closesocket(s);
        return no_socket;
    }
    bound->address = a.sin_addr.s_addr;
    bound->port = a.sin_port;
    return static_cast<Socket>(s);
}

int sys_accept(Socket listener, int milliseconds, Socket* accepted) {
    const SOCKET l = static_cast<SOCKET>(listener);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(l, &readable);
    timeval limit{milliseconds / 1000, (milliseconds % 1000) * 1000};
    int r = select(0, &readable, nullptr, nullptr, &limit);
    if (r == 0) return sys_timed_out;
    SOCKET s = r < 0 ? INVALID_SOCKET : accept(l, nullptr, nullptr);
    if (s == INVALID_SOCKET) return -1;
    *accepted = static_cast<Socket>(s);
    return 0;
}

// A shutdown alone does not wake a receive already waiting on the socket
// under every Windows implementation; cancelling the socket's pending I/O
// does, and the waiting call fails.
void sys_socket_abort(Socket s) {
    shutdown(static_cast<SOCKET>(s), 2);
    CancelIoEx(reinterpret_cast<HANDLE>(s), nullptr);
}

uint16_t port_to_network(int port) { return htons(static_cast<u_short>(port)); }
int port_from_network(uint16_t port) { return ntohs(port); }
