#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/unit/scripted_peer.h"

intptr_t peer_listen(NetAddress* bound, int port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<unsigned short>(port));
    if (port) {
        // The port of a listener just closed, whose connections may linger.
        int on = 1;
        setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(s, 4);
    socklen_t length = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    bound->address = a.sin_addr.s_addr;
    bound->port = a.sin_port;
    return s;
}

intptr_t peer_accept(intptr_t listener, int timeout_ms) {
    pollfd p{static_cast<int>(listener), POLLIN, 0};
    if (poll(&p, 1, timeout_ms) != 1) return -1;
    return accept(static_cast<int>(listener), nullptr, nullptr);
}

int peer_send_raw(intptr_t s, const std::string& bytes) {
    return static_cast<int>(send(static_cast<int>(s), bytes.data(), bytes.size(), MSG_NOSIGNAL));
}

int peer_recv_raw(intptr_t s, char* buffer, int length, int timeout_ms) {
    pollfd p{static_cast<int>(s), POLLIN, 0};
    if (poll(&p, 1, timeout_ms) != 1) return -1;
    return static_cast<int>(recv(static_cast<int>(s), buffer, static_cast<size_t>(length), 0));
}

void peer_close_raw(intptr_t s) { close(static_cast<int>(s)); }
