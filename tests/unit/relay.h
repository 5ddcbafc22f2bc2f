// A loopback relay between the client under test and a real server: it
// keeps what the client sent, can hide a mechanism from the server's EHLO
// reply, and can cut both connections in the middle of a reply, as a
// network that fails would.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "transport/sys_socket.h"

struct RelayOptions {
    // The server's EHLO reply loses "CRAM-MD5 ", as from a server that
    // offers only PLAIN.
    bool hide_cram_md5 = false;
    // Once the client has sent this text, only `cut_bytes` more bytes of the
    // server reach the client; then both connections are closed.
    std::string cut_after;
    size_t cut_bytes = 0;
    // The server's bytes reach the client in pieces of this size (0: as
    // they came), each sent on its own, as a slow network hands them over.
    size_t piece_size = 0;
    // The port the relay listens on; 0 any free one. A second relay on the
    // port of the first is the same server text to the client.
    int listen_port = 0;
};

// Options for a relay that hides CRAM-MD5, and for one that cuts the
// connection `bytes` into the server's answer to `client_text`.
RelayOptions hiding_cram_md5();
RelayOptions cutting_after(const std::string& client_text, size_t bytes);

class Relay {
public:
    Relay(int upstream_port, RelayOptions options = {});
    ~Relay();
    NetAddress address() const { return address_; }
    // Waits for the connection to end and gives back what the client sent.
    std::string client_bytes();

private:
    void run();
    void client_to_server(intptr_t client, Socket server);
    void server_to_client(Socket server, intptr_t client);
    int upstream_port_;
    RelayOptions options_;
    NetAddress address_{};
    intptr_t listener_ = -1;
    std::thread thread_;
    std::string from_client_;
    std::atomic<bool> cut_armed_{false};
    std::atomic<bool> done_{false};
};
