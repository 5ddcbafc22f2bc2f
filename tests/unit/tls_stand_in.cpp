#include "tests/unit/tls_stand_in.h"

#include <cstring>
#include <memory>
#include <mutex>

#include "core/ui_services.h"
#include "tests/unit/scripted_peer.h"
#include "transport/stream.h"
#include "transport/tls.h"

namespace {

std::mutex host_lock;
std::string last_host;

struct Transformed final : StreamLayer {
    int recv(Socket s, void* buffer, int length) override {
        int n = stream_raw_recv(s, buffer, length);
        auto* bytes = static_cast<char*>(buffer);
        for (int i = 0; i < n; i++) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
        return n;
    }
    int send(Socket s, const void* data, int length) override {
        std::string wire = stand_in_transform(std::string(static_cast<const char*>(data), static_cast<size_t>(length)));
        return stream_raw_send(s, wire.data(), length);
    }
};

int stand_in_begin(Socket s, const char* host, WindowRef window) {
    {
        std::lock_guard<std::mutex> hold(host_lock);
        last_host = host;
    }
    const char request[] = "STARTSECURE\r\n";
    if (stream_raw_send(s, request, static_cast<int>(std::strlen(request))) != static_cast<int>(std::strlen(request))) return -1;
    std::string answer;
    char c;
    while (answer.size() < 8 && stream_raw_recv(s, &c, 1) == 1) answer += c;
    if (answer != "SECURE\r\n") {
        status_append(window, "Secure connection failed (error 0x80090308).\r\n");
        return -1;
    }
    stream_attach(s, std::make_unique<Transformed>());
    status_append(window, "Secure connection established (stand-in).\r\n");
    return 0;
}

}  // namespace

StandInTls::StandInTls() { set_tls_starter(stand_in_begin); }
StandInTls::~StandInTls() { set_tls_starter(nullptr); }

std::string StandInTls::host() {
    std::lock_guard<std::mutex> hold(host_lock);
    return last_host;
}
