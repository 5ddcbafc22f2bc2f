#include <winsock.h>

#include "tests/unit/scripted_peer.h"

namespace {
bool readable(intptr_t s, int timeout_ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<SOCKET>(s), &set);
    timeval t{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &t) == 1;
}
}  // namespace

intptr_t peer_listen(NetAddress* bound, int port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<unsigned short>(port));
    if (port) {
        // The port of a listener just closed, whose connections may linger.
        BOOL on = 1;
        setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
    }
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(s, 4);
    int length = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    bound->address = a.sin_addr.s_addr;
    bound->port = a.sin_port;
    return static_cast<intptr_t>(s);
}

intptr_t peer_accept(intptr_t listener, int timeout_ms) {
    if (!readable(listener, timeout_ms)) return -1;
    SOCKET s = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? -1 : static_cast<intptr_t>(s);
}

int peer_send_raw(intptr_t s, const std::string& bytes) {
    return send(static_cast<SOCKET>(s), bytes.data(), static_cast<int>(bytes.size()), 0);
}

int peer_recv_raw(intptr_t s, char* buffer, int length, int timeout_ms) {
    if (!readable(s, timeout_ms)) return -1;
    return recv(static_cast<SOCKET>(s), buffer, length, 0);
}

void peer_close_raw(intptr_t s) { closesocket(static_cast<SOCKET>(s)); }
