#include "tests/unit/real_servers.h"

#include <cstdlib>

namespace {
int port_from(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : 0;
}
std::string text_from(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}
}  // namespace

const RealServers& real_servers() {
    static const RealServers servers = [] {
        RealServers s;
        s.pop3_port = port_from("ZM_POP3_PORT");
        s.smtp_port = port_from("ZM_SMTP_PORT");
        s.socks_port = port_from("ZM_SOCKS_PORT");
        s.socks_auth_port = port_from("ZM_SOCKS_AUTH_PORT");
        s.socks_user = text_from("ZM_SOCKS_USER");
        s.socks_password = text_from("ZM_SOCKS_PASS");
        s.present = s.pop3_port && s.smtp_port && s.socks_port && s.socks_auth_port;
        return s;
    }();
    return servers;
}

NetAddress loopback(int port) { return NetAddress{0x0100007f, port_to_network(port)}; }

Socket connect_to(int port) {
    Socket s = sys_socket_open();
    if (sys_connect(s, loopback(port)) != 0) {
        sys_socket_close(s);
        return no_socket;
    }
    return s;
}
