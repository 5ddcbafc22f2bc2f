#include "transport/socks_config.h"

#include <cstring>

SocksConfig socks_config;

bool parse_ipv4(const char* text, uint32_t* address) {
    unsigned char parts[4];
    const char* p = text;
    for (int i = 0; i < 4; i++) {
        if (*p < '0' || *p > '9') return false;
        int value = 0, digits = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + (*p++ - '0');
            if (++digits > 3 || value > 255) return false;
        }
        parts[i] = static_cast<unsigned char>(value);
        if (i < 3 && *p++ != '.') return false;
    }
    if (*p) return false;
    std::memcpy(address, parts, 4);  // the bytes in order are network order
    return true;
}

void socks_configure(const char* host, int port, const char* user, const char* password, int use_authentication) {
    // The proxy is named by its address; no name lookup is made. A host that
    // is no address would only make every connection fail later, so it
    // leaves the proxy unconfigured, which fails the same way.
    uint32_t address;
    if (!host || !*host || port < 0 || port > 65535 || !parse_ipv4(host, &address)) return;
    std::strncpy(socks_config.user, user ? user : "", sizeof socks_config.user - 1);
    std::strncpy(socks_config.password, password ? password : "", sizeof socks_config.password - 1);
    socks_config.use_authentication = use_authentication;
    socks_config.address = address;
    unsigned char port_bytes[2] = {static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port & 0xFF)};
    std::memcpy(&socks_config.port, port_bytes, 2);
    socks_config.configured = 1;
}
