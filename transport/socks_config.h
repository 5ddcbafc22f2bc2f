// The one process-wide SOCKS 5 proxy configuration, set once when the
// settings are loaded and read by every connection afterwards.
#pragma once

#include <atomic>
#include <cstdint>

struct SocksConfig {
    std::atomic<int> configured{0};
    char user[100] = {};
    char password[100] = {};
    int use_authentication = 0;
    uint32_t address = 0;  // IPv4, network byte order
    uint16_t port = 0;     // network byte order
};

extern SocksConfig socks_config;

// Takes the values when the host is a dotted IPv4 address and the port lies
// within 0 to 65535; anything else is ignored and leaves the proxy as it was.
void socks_configure(const char* host, int port, const char* user, const char* password, int use_authentication);
// Reads a dotted IPv4 address ("127.0.0.1") into network byte order.
// Returns false for anything else.
bool parse_ipv4(const char* text, uint32_t* address);
