// The real mail servers that the test command starts (tests/servers): their
// ports and accounts come from the environment. Tests that need them skip
// when run by hand without the servers.
#pragma once

#include <string>

#include "transport/sys_socket.h"

struct RealServers {
    bool present = false;
    int pop3_port = 0, smtp_port = 0, socks_port = 0, socks_auth_port = 0;
    std::string socks_user, socks_password;
};

const RealServers& real_servers();
NetAddress loopback(int port);
// A connected socket, or no_socket.
Socket connect_to(int port);

#define REQUIRE_REAL_SERVERS()                                                                         \
    do {                                                                                               \
        if (!real_servers().present) GTEST_SKIP() << "real mail servers not running (scripts/test.sh starts them)"; \
    } while (0)
