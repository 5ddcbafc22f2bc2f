#include "transport/connect.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/settings.h"
#include "core/ui_services.h"
#include "transport/socks_config.h"

namespace {

// Reads exactly n bytes. A proxy's reply may arrive in several packets; the
// count of reads is bounded by n, since each read brings at least one byte.
bool recv_exactly(MailSession& s, unsigned char* buffer, int n) {
    for (int have = 0; have < n;) {
        int got = s.recv(buffer + have, n - have);
        if (got <= 0) return false;
        have += got;
    }
    return true;
}

bool send_bytes(MailSession& s, const unsigned char* data, int n) {
    return s.send_all(reinterpret_cast<const char*>(data), n) == 0;
}

// RFC 1929: version 1, the user name and the password, each behind its length.
bool send_user_password(MailSession& s) {
    size_t user = std::strlen(socks_config.user), password = std::strlen(socks_config.password);
    if (user > 255 || password > 255) return false;
    unsigned char request[3 + 255 + 255];
    size_t at = 0;
    request[at++] = 0x01;
    request[at++] = static_cast<unsigned char>(user);
    std::memcpy(request + at, socks_config.user, user);
    at += user;
    request[at++] = static_cast<unsigned char>(password);
    std::memcpy(request + at, socks_config.password, password);
    at += password;
    unsigned char reply[2];
    return send_bytes(s, request, static_cast<int>(at)) && recv_exactly(s, reply, 2) && reply[1] == 0x00;
}

}  // namespace

int split_server_port(Array* server, int default_port) {
    char* colon = std::strchr(server->chars, ':');
    if (!colon) return default_port;
    int port = std::atoi(colon + 1);
    std::memset(colon, 0, std::strlen(colon));
    if (port < 1 || port > 65535) {
        ui_message_box(nullptr, "Invalid port number entered!", "Zenth Mail", UI_OK);
        return 0;
    }
    return port;
}

int resolve_server(const char* server, uint32_t* address) {
    if (parse_ipv4(server, address)) return 0;
    return sys_resolve(server, address);
}

int net_connect(MailSession& s, const NetAddress& target) {
    if (!setting_on(SETTING_USE_SOCKS)) return s.connect(target);
    return socks_connect(s, target) ? 0 : -1;
}

int connect_mail_server(MailSession& s, Array* host, int default_port, const char* protocol) {
    int port = split_server_port(host, default_port);
    NetAddress address;
    address.port = port_to_network(port);
    char text[120];
    if (port == 0) {
        std::snprintf(text, sizeof text, "Invalid %s port number.\r\n", protocol);
    } else if (resolve_server(host->text, &address.address) != 0) {
        std::snprintf(text, sizeof text, "Cannot resolve %s server name.\r\nSee readme file for explanation.\r\n",
                      protocol);
    } else if (net_connect(s, address) != 0) {
        std::snprintf(text, sizeof text, "Cannot connect to %s server.\r\nSee readme file for explanation.\r\n",
                      protocol);
    } else {
        s.status.line("Connected to server.\r\n");
        s.name_server(host->text, port);
        return 0;
    }
    s.status.error(text);
    return -1;
}

bool socks_connect(MailSession& s, const NetAddress& target) {
    if (!socks_config.configured) return false;
    NetAddress proxy{socks_config.address, socks_config.port};
    if (s.connect(proxy) != 0) return false;

    // Without a proxy user only "no authentication" is offered.
    const bool with_user = socks_config.user[0] != 0;
    const unsigned char plain_greeting[] = {0x05, 0x01, 0x00};
    const unsigned char user_greeting[] = {0x05, 0x02, 0x00, 0x02};
    bool sent = with_user ? send_bytes(s, user_greeting, sizeof user_greeting)
                          : send_bytes(s, plain_greeting, sizeof plain_greeting);
    unsigned char choice[2];
    if (!sent || !recv_exactly(s, choice, 2) || choice[0] != 0x05) return false;
    if (choice[1] == 0x02) {
        if (!with_user || !send_user_password(s)) return false;
    } else if (choice[1] != 0x00) {
        return false;
    }

    unsigned char request[10] = {0x05, 0x01, 0x00, 0x01};
    std::memcpy(request + 4, &target.address, 4);
    std::memcpy(request + 8, &target.port, 2);
    unsigned char reply[4 + 1 + 255 + 2];
    if (!send_bytes(s, request, sizeof request) || !recv_exactly(s, reply, 4)) return false;
    if (reply[1] != 0x00) return false;
    // The bound address that follows is read and ignored; its length
    // depends on its type.
    int rest;
    switch (reply[3]) {
    case 0x01: rest = 4 + 2; break;
    case 0x04: rest = 16 + 2; break;
    case 0x03:
        if (!recv_exactly(s, reply + 4, 1)) return false;
        rest = reply[4] + 2;
        break;
    default: return false;
    }
    return recv_exactly(s, reply + 5, rest);
}
