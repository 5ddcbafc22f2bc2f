#include "tests/unit/relay.h"

#include <chrono>
#include <vector>

#include "tests/unit/real_servers.h"
#include "tests/unit/scripted_peer.h"

namespace {
// Bounds every relayed connection, however the peers behave.
constexpr auto longest_connection = std::chrono::seconds(90);
constexpr int poll_ms = 20;
constexpr int piece = 65536;
}  // namespace

RelayOptions hiding_cram_md5() {
    RelayOptions options;
    options.hide_cram_md5 = true;
    return options;
}

RelayOptions cutting_after(const std::string& client_text, size_t bytes) {
    RelayOptions options;
    options.cut_after = client_text;
    options.cut_bytes = bytes;
    return options;
}

Relay::Relay(int upstream_port, RelayOptions options) : upstream_port_(upstream_port), options_(std::move(options)) {
    listener_ = peer_listen(&address_, options_.listen_port);
    thread_ = std::thread([this] { run(); });
}

Relay::~Relay() { client_bytes(); }

std::string Relay::client_bytes() {
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) peer_close_raw(listener_);
    listener_ = -1;
    return from_client_;
}

void Relay::run() {
    intptr_t client = peer_accept(listener_, 5000);
    if (client < 0) return;
    Socket server = connect_to(upstream_port_);
    if (server != no_socket) {
        std::thread upstream([&] { client_to_server(client, server); });
        server_to_client(server, client);
        upstream.join();
        sys_socket_close(server);
    }
    peer_close_raw(client);
}

void Relay::client_to_server(intptr_t client, Socket server) {
    auto until = std::chrono::steady_clock::now() + longest_connection;
    std::vector<char> buffer(piece);
    while (!done_ && std::chrono::steady_clock::now() < until) {
        int n = peer_recv_raw(client, buffer.data(), piece, poll_ms);
        if (n == 0) break;
        if (n < 0) continue;
        from_client_.append(buffer.data(), static_cast<size_t>(n));
        // Armed before the server can hear the command, so the whole reply
        // to it is counted.
        if (!options_.cut_after.empty() && from_client_.find(options_.cut_after) != std::string::npos) cut_armed_ = true;
        if (peer_send_raw(server, std::string(buffer.data(), static_cast<size_t>(n))) != n) break;
    }
    done_ = true;
}

void Relay::server_to_client(Socket server, intptr_t client) {
    auto until = std::chrono::steady_clock::now() + longest_connection;
    std::vector<char> buffer(piece);
    size_t after_cue = 0;
    while (!done_ && std::chrono::steady_clock::now() < until) {
        int n = peer_recv_raw(server, buffer.data(), piece, poll_ms);
        if (n == 0) break;
        if (n < 0) continue;
        std::string text(buffer.data(), static_cast<size_t>(n));
        for (size_t at; options_.hide_cram_md5 && (at = text.find("CRAM-MD5 ")) != std::string::npos;) text.erase(at, 9);
        bool cut = false;
        if (cut_armed_) {
            size_t room = options_.cut_bytes - after_cue;
            if (text.size() >= room) {
                text.resize(room);
                cut = true;
            }
            after_cue += text.size();
        }
        bool sent = true;
        size_t step = options_.piece_size ? options_.piece_size : text.size();
        for (size_t at = 0; sent && at < text.size(); at += step) {
            std::string part = text.substr(at, step);
            sent = peer_send_raw(client, part) == static_cast<int>(part.size());
            if (options_.piece_size) std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (!sent || cut) break;
    }
    done_ = true;
}
