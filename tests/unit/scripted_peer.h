// A scripted peer on 127.0.0.1 for what real servers never send: replies
// split byte by byte, connections closed mid-reply, over-long lines, a proxy
// that demands a password. Every wait is bounded.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "transport/sys_socket.h"

struct PeerStep {
    enum Kind { Send, Receive, Pause, Close, Secure, Silent, Next } kind;
    std::string data;  // bytes to send, or the text to wait for
    int ms = 0;
};

PeerStep peer_send(const std::string& bytes);
// Sends the bytes one at a time, pausing between them.
std::vector<PeerStep> peer_send_bytewise(const std::string& bytes);
PeerStep peer_receive(const std::string& until);
// A pause that the peer's end (its destructor) cuts short: a test may pause
// a peer longer than it will ever wait without paying for it.
PeerStep peer_pause(int ms);
PeerStep peer_close();
// Says nothing more: takes what the client sends until it closes the
// connection, for at most `ms`; the script ends there.
PeerStep peer_silent(int ms);
// Sends the bytes in pieces of `piece` bytes, pausing `ms` between them.
std::vector<PeerStep> peer_send_paced(const std::string& bytes, size_t piece, int ms);
// The peer's side of the tests' stand-in for TLS (tests/unit/tls_stand_in.h):
// waits for the client's "STARTSECURE\r\n", answers "SECURE\r\n", and from
// then on every byte either way is transformed on the wire.
PeerStep peer_secure();
// Takes what the client still sends until it closes this connection, then
// waits for its next one (a login tried again); the script goes on there.
PeerStep peer_next_connection();
// The transform: the same both ways, and its own inverse.
std::string stand_in_transform(const std::string& bytes);

class ScriptedPeer {
public:
    explicit ScriptedPeer(std::vector<PeerStep> script);
    ~ScriptedPeer();
    NetAddress address() const { return address_; }
    // Connects a new client socket to the peer.
    Socket connect_client();
    // Waits for the script to end and gives back every byte it received.
    std::string received();
    // What the peer has received up to now, while the script runs.
    std::string received_so_far();
    // What it had received each time it sent something, in script order.
    std::vector<std::string> received_at_sends();
    // The bytes as they crossed the wire, before the stand-in's transform
    // was undone.
    std::string received_raw();

private:
    void run();
    void take(const char* bytes, int n);
    std::vector<PeerStep> script_;
    NetAddress address_;
    intptr_t listener_ = -1;
    std::string received_;
    std::string raw_;
    bool secure_ = false;
    size_t since_ = 0;  // where the current connection's bytes begin
    std::vector<std::string> at_sends_;
    std::mutex mutex_;  // guards both, and ending_, while the script runs
    std::condition_variable wake_;
    bool ending_ = false;
    std::thread thread_;
    bool joined_ = false;
};

// The listening side, one implementation per platform.
// The listening side on 127.0.0.1: on `port`, or on any free port with 0.
intptr_t peer_listen(NetAddress* bound, int port = 0);
intptr_t peer_accept(intptr_t listener, int timeout_ms);
int peer_send_raw(intptr_t s, const std::string& bytes);
// Bytes received, 0 closed, -1 error or time-out.
int peer_recv_raw(intptr_t s, char* buffer, int length, int timeout_ms);
void peer_close_raw(intptr_t s);
