#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
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
    return s < 0 ? no_socket : s;
}

int sys_socket_close(Socket s) { return close(static_cast<int>(s)) == 0 ? 0 : -1; }

int sys_connect(Socket s, const NetAddress& to) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = to.port;
    a.sin_addr.s_addr = to.address;
    int r;
    do r = connect(static_cast<int>(s), reinterpret_cast<sockaddr*>(&a), sizeof a);
    while (r != 0 && errno == EINTR);
    return r == 0 ? 0 : -1;
}

int sys_send(Socket s, const void* data, int length) {
    ssize_t n;
    do n = send(static_cast<int>(s), data, static_cast<size_t>(length), MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : static_cast<int>(n);
}

int sys_recv(Socket s, void* buffer, int length) {
    ssize_t n;
    do n = recv(static_cast<int>(s), buffer, static_cast<size_t>(length), 0);
    while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : static_cast<int>(n);
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

void sys_socket_abort(Socket s) { shutdown(static_cast<int>(s), SHUT_RDWR); }

uint16_t port_to_network(int port) { return htons(static_cast<uint16_t>(port)); }
int port_from_network(uint16_t port) { return ntohs(port); }
