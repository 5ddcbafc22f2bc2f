#include "tests/unit/scripted_peer.h"

#include <chrono>


PeerStep peer_send(const std::string& bytes) { return {PeerStep::Send, bytes, 0}; }
PeerStep peer_receive(const std::string& until) { return {PeerStep::Receive, until, 0}; }
PeerStep peer_pause(int ms) { return {PeerStep::Pause, "", ms}; }
PeerStep peer_close() { return {PeerStep::Close, "", 0}; }
PeerStep peer_secure() { return {PeerStep::Secure, "", 0}; }
PeerStep peer_next_connection() { return {PeerStep::Next, "", 0}; }
PeerStep peer_silent(int ms) { return {PeerStep::Silent, "", ms}; }

std::vector<PeerStep> peer_send_paced(const std::string& bytes, size_t piece, int ms) {
    std::vector<PeerStep> steps;
    for (size_t at = 0; at < bytes.size(); at += piece) {
        steps.push_back(peer_send(bytes.substr(at, piece)));
        steps.push_back(peer_pause(ms));
    }
    return steps;
}

std::string stand_in_transform(const std::string& bytes) {
    std::string out = bytes;
    for (char& c : out) c = static_cast<char>(c ^ 0x5A);
    return out;
}

std::vector<PeerStep> peer_send_bytewise(const std::string& bytes) {
    std::vector<PeerStep> steps;
    for (char c : bytes) {
        steps.push_back(peer_send(std::string(1, c)));
        steps.push_back(peer_pause(2));
    }
    return steps;
}

ScriptedPeer::ScriptedPeer(std::vector<PeerStep> script) : script_(std::move(script)) {
    sys_net_startup();
    listener_ = peer_listen(&address_);
    thread_ = std::thread([this] { run(); });
}

ScriptedPeer::~ScriptedPeer() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    received();
}

Socket ScriptedPeer::connect_client() {
    Socket s = sys_socket_open();
    if (sys_connect(s, address_) != 0) {
        sys_socket_close(s);
        return no_socket;
    }
    return s;
}

std::string ScriptedPeer::received() {
    if (!joined_) {
        thread_.join();
        joined_ = true;
        peer_close_raw(listener_);
    }
    return received_;
}

std::string ScriptedPeer::received_so_far() {
    std::lock_guard<std::mutex> hold(mutex_);
    return received_;
}

std::string ScriptedPeer::received_raw() {
    received();
    return raw_;
}

std::vector<std::string> ScriptedPeer::received_at_sends() {
    received();
    return at_sends_;
}

void ScriptedPeer::take(const char* bytes, int n) {
    std::string wire(bytes, static_cast<size_t>(n));
    std::lock_guard<std::mutex> hold(mutex_);
    raw_ += wire;
    received_ += secure_ ? stand_in_transform(wire) : wire;
}

void ScriptedPeer::run() {
    intptr_t s = peer_accept(listener_, 5000);
    if (s < 0) return;
    bool open = true;
    for (const PeerStep& step : script_) {
        if (!open) break;
        switch (step.kind) {
        case PeerStep::Send: {
            std::lock_guard<std::mutex> hold(mutex_);
            at_sends_.push_back(received_);
        }
            peer_send_raw(s, secure_ ? stand_in_transform(step.data) : step.data);
            break;
        case PeerStep::Receive: {
            auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (received_.find(step.data, since_) == std::string::npos && std::chrono::steady_clock::now() < until) {
                char buffer[4096];
                int n = peer_recv_raw(s, buffer, sizeof buffer, 5000);
                if (n <= 0) break;
                take(buffer, n);
            }
            break;
        }
        case PeerStep::Secure: {
            auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (received_.find("STARTSECURE\r\n", since_) == std::string::npos && std::chrono::steady_clock::now() < until) {
                char buffer[1];
                // One byte at a time: what follows the request is secured.
                if (peer_recv_raw(s, buffer, 1, 5000) != 1) break;
                take(buffer, 1);
            }
            peer_send_raw(s, "SECURE\r\n");
            secure_ = true;
            break;
        }
        case PeerStep::Pause: {
            std::unique_lock<std::mutex> hold(mutex_);
            wake_.wait_for(hold, std::chrono::milliseconds(step.ms), [this] { return ending_; });
            break;
        }
        case PeerStep::Close:
            peer_close_raw(s);
            open = false;
            break;
        case PeerStep::Next: {
            char buffer[4096];
            int n;
            while ((n = peer_recv_raw(s, buffer, sizeof buffer, 5000)) > 0) take(buffer, n);
            peer_close_raw(s);
            secure_ = false;
            since_ = received_.size();  // waits look at the new connection's bytes alone
            s = peer_accept(listener_, 5000);
            open = s >= 0;
            break;
        }
        case PeerStep::Silent: {
            auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.ms);
            char buffer[4096];
            int n = 1;
            while (n > 0 && std::chrono::steady_clock::now() < until) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
                n = peer_recv_raw(s, buffer, sizeof buffer, static_cast<int>(left.count()) + 1);
                if (n > 0) take(buffer, n);
            }
            peer_close_raw(s);
            open = false;
            break;
        }
        }
    }
    if (open) {
        // Take what the client still sends, until it closes (bounded).
        char buffer[4096];
        int n;
        while ((n = peer_recv_raw(s, buffer, sizeof buffer, 300)) > 0) take(buffer, n);
        peer_close_raw(s);
    }
}
