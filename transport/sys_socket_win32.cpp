#include <winsock.h>

#include "transport/sys_socket.h"

int sys_net_startup() {
    WSADATA wsa;
    return WSAStartup(MAKEWORD(1, 1), &wsa) == 0 ? 0 : -1;
}

void sys_net_cleanup() { WSACleanup(); }

Socket sys_socket_open() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    return s == INVALID_SOCKET ? no_socket : static_cast<Socket>(s);
}

int sys_socket_close(Socket s) { return closesocket(static_cast<SOCKET>(s)) == 0 ? 0 : -1; }

int sys_connect(Socket s, const NetAddress& to) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = to.port;
    a.sin_addr.s_addr = to.address;
    return connect(static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : -1;
}

int sys_send(Socket s, const void* data, int length) {
    int n = send(static_cast<SOCKET>(s), static_cast<const char*>(data), length, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

int sys_recv(Socket s, void* buffer, int length) {
    int n = recv(static_cast<SOCKET>(s), static_cast<char*>(buffer), length, 0);
    return n == SOCKET_ERROR ? -1 : n;
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

// A shutdown alone does not wake a receive already waiting on the socket
// under every Windows implementation; cancelling the socket's pending I/O
// does, and the waiting call fails.
void sys_socket_abort(Socket s) {
    shutdown(static_cast<SOCKET>(s), 2);
    CancelIoEx(reinterpret_cast<HANDLE>(s), nullptr);
}

uint16_t port_to_network(int port) { return htons(static_cast<u_short>(port)); }
int port_from_network(uint16_t port) { return ntohs(port); }
