#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "transport/sys_socket.h"

int sys_net_startup() { return 0; }
void sys_net_cleanup() {}

Socket sys_socket_open() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return no_socket;
    // Every write of the client is a whole command or a whole piece of a
    // message, after which it waits for the reply; Nagle's rule would hold
    // such a write back until the peer acknowledges the one before, which a
    // peer delays by up to 40 ms. Failing to set it only costs that time.
    int on = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return s;
}

int sys_socket_close(Socket s) { return close(static_cast<int>(s)) == 0 ? 0 : -1; }

namespace {

// A blocking call that ran into the socket's time-out fails with EAGAIN.
int failure() { return errno == EAGAIN || errno == EWOULDBLOCK ? sys_timed_out : -1; }

// The connection under way on a non-blocking socket, awaited for at most
// `milliseconds`.
int await_connection(int fd, int milliseconds) {
    pollfd p{fd, POLLOUT, 0};
    int r;
    do r = poll(&p, 1, milliseconds);
    while (r < 0 && errno == EINTR);
    if (r == 0) return sys_timed_out;
    int error = 0;
    socklen_t size = sizeof error;
    if (r < 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) return -1;
    return 0;
}

}  // namespace

int sys_connect(Socket s, const NetAddress& to, int milliseconds) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = to.port;
    a.sin_addr.s_addr = to.address;
    const int fd = static_cast<int>(s);
    const int flags = fcntl(fd, F_GETFL);
    // Without a limit the system's own wait applies; with one the connection
    // is begun without blocking and awaited for that long.
    const bool limited = milliseconds > 0 && flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
    int r = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int result = r == 0 ? 0 : -1;
    if (r != 0 && (errno == EINPROGRESS || errno == EINTR)) result = await_connection(fd, limited ? milliseconds : -1);
    if (limited) fcntl(fd, F_SETFL, flags);
    return result;
}

int sys_send(Socket s, const void* data, int length) {
    ssize_t n;
    do n = send(static_cast<int>(s), data, static_cast<size_t>(length), MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return n < 0 ? failure() : static_cast<int>(n);
}

int sys_recv(Socket s, void* buffer, int length) {
    ssize_t n;
    do n = recv(static_cast<int>(s), buffer, static_cast<size_t>(length), 0);
    while (n < 0 && errno == EINTR);
    return n < 0 ? failure() : static_cast<int>(n);
}

int sys_set_timeouts(Socket s, int milliseconds) {
    timeval t{milliseconds / 1000, (milliseconds % 1000) * 1000};
    if (setsockopt(static_cast<int>(s), SOL_SOCKET, SO_SNDTIMEO, &t, sizeof t) != 0) return -1;
    if (setsockopt(static_cast<int>(s), SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t) != 0) return -1;
    return 0;
}

int sys_resolve(const char* name, uint32_t* address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return -1;
    *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return 0;
}

int sys_socket_pending(Socket s) {
    int n = 0;
    return ioctl(static_cast<int>(s), FIONREAD, &n) == 0 ? n : -1;
}

int sys_wait_readable(Socket s, int milliseconds) {
    pollfd one{static_cast<int>(s), POLLIN, 0};
    int r = poll(&one, 1, milliseconds);
    if (r < 0) return errno == EINTR ? 0 : -1;
    return r > 0 ? 1 : 0;
}

Socket sys_listen_loopback(NetAddress* bound) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return no_socket;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 4) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        close(s);
        return no_socket;
    }
    bound->address = a.sin_addr.s_addr;
    bound->port = a.sin_port;
    return s;
}

int sys_accept(Socket listener, int milliseconds, Socket* accepted) {
    pollfd p{static_cast<int>(listener), POLLIN, 0};
    int r;
    do r = poll(&p, 1, milliseconds);
    while (r < 0 && errno == EINTR);
    if (r == 0) return sys_timed_out;
    int s = r < 0 ? -1 : accept(static_cast<int>(listener), nullptr, nullptr);
    if (s < 0) return -1;
    *accepted = s;
    return 0;
}

void sys_socket_abort(Socket s) { shutdown(static_cast<int>(s), SHUT_RDWR); }

uint16_t port_to_network(int port) { return htons(static_cast<uint16_t>(port)); }
int port_from_network(uint16_t port) { return ntohs(port); }
