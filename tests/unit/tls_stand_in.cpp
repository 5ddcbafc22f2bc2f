#include "tests/unit/tls_stand_in.h"

#include <cstring>
#include <memory>
#include <mutex>

#include "tests/unit/scripted_peer.h"
#include "transport/session.h"
#include "transport/tls.h"

namespace {

std::mutex host_lock;
std::string last_host;

struct Transformed final : StreamLayer {
    int recv(MailSession& s, void* buffer, int length) override {
        int n = s.raw_recv(buffer, length);
        auto* bytes = static_cast<char*>(buffer);
        for (int i = 0; i < n; i++) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
        return n;
    }
    int send(MailSession& s, const void* data, int length) override {
        std::string wire = stand_in_transform(std::string(static_cast<const char*>(data), static_cast<size_t>(length)));
        return s.raw_send(wire.data(), length);
    }
};

int stand_in_begin(MailSession& s, const char* host) {
    {
        std::lock_guard<std::mutex> hold(host_lock);
        last_host = host;
    }
    const char request[] = "STARTSECURE\r\n";
    if (s.raw_send(request, static_cast<int>(std::strlen(request))) != static_cast<int>(std::strlen(request))) return -1;
    std::string answer;
    char c;
    while (answer.size() < 8 && s.raw_recv(&c, 1) == 1) answer += c;
    if (answer != "SECURE\r\n") {
        s.status.error("Secure connection failed (error 0x80090308).\r\n");
        return -1;
    }
    s.attach(std::make_unique<Transformed>());
    s.status.line("Secure connection established (stand-in).\r\n");
    return 0;
}

}  // namespace

StandInTls::StandInTls() { set_tls_starter(stand_in_begin); }
StandInTls::~StandInTls() { set_tls_starter(nullptr); }

std::string StandInTls::host() {
    std::lock_guard<std::mutex> hold(host_lock);
    return last_host;
}
