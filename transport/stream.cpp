#include "transport/stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

// Each session runs on its own thread with its own socket; the table is
// shared between them.
std::mutex table_lock;
std::map<Socket, std::shared_ptr<StreamLayer>>& layers() {
    static std::map<Socket, std::shared_ptr<StreamLayer>> table;
    return table;
}

// Bytes given back, per socket; guarded by table_lock too.
std::map<Socket, std::string>& held() {
    static std::map<Socket, std::string> table;
    return table;
}

// The waits of each watched socket; guarded by table_lock too.
struct Watch {
    int seconds = 0;
    int connect_seconds = 0;
    WindowRef status_window = nullptr;
    bool timed_out = false;
};
std::map<Socket, Watch>& watches() {
    static std::map<Socket, Watch> table;
    return table;
}

// Marks the socket as given up and says so, once.
void give_up(Socket s, bool connecting) {
    WindowRef window = nullptr;
    int seconds = 0;
    {
        std::lock_guard<std::mutex> hold(table_lock);
        auto found = watches().find(s);
        if (found == watches().end() || found->second.timed_out) return;
        found->second.timed_out = true;
        window = found->second.status_window;
        seconds = connecting ? found->second.connect_seconds : found->second.seconds;
    }
    char text[80];
    std::snprintf(text, sizeof text, "Server did not answer within %i seconds.\r\n", seconds);
    status_append(window, text);
}

std::shared_ptr<StreamLayer> layer_of(Socket s) {
    std::lock_guard<std::mutex> hold(table_lock);
    auto found = layers().find(s);
    return found == layers().end() ? nullptr : found->second;
}

}  // namespace

void stream_attach(Socket s, std::unique_ptr<StreamLayer> layer) {
    std::lock_guard<std::mutex> hold(table_lock);
    held().erase(s);
    layers()[s] = std::move(layer);
}

bool stream_secured(Socket s) { return layer_of(s) != nullptr; }

int stream_watch(Socket s, int seconds, int connect_seconds, WindowRef status_window) {
    {
        std::lock_guard<std::mutex> hold(table_lock);
        watches()[s] = Watch{seconds, connect_seconds, status_window, false};
    }
    return sys_set_timeouts(s, seconds * 1000);
}

bool stream_timed_out(Socket s) {
    std::lock_guard<std::mutex> hold(table_lock);
    auto found = watches().find(s);
    return found != watches().end() && found->second.timed_out;
}

int stream_connect(Socket s, const NetAddress& to) {
    int limit = 0;
    {
        std::lock_guard<std::mutex> hold(table_lock);
        auto found = watches().find(s);
        if (found != watches().end()) limit = found->second.connect_seconds * 1000;
    }
    int r = sys_connect(s, to, limit);
    if (r == sys_timed_out) give_up(s, true);
    return r == 0 ? 0 : -1;
}

int stream_raw_recv(Socket s, void* buffer, int length) {
    if (stream_timed_out(s)) return -1;
    int n = sys_recv(s, buffer, length);
    if (n != sys_timed_out) return n;
    give_up(s, false);
    return -1;
}

int stream_raw_send(Socket s, const void* data, int length) {
    if (stream_timed_out(s)) return -1;
    int n = sys_send(s, data, length);
    if (n != sys_timed_out) return n;
    give_up(s, false);
    return -1;
}

int stream_recv(Socket s, void* buffer, int length) {
    std::shared_ptr<StreamLayer> layer;
    {
        std::lock_guard<std::mutex> hold(table_lock);
        auto given = held().find(s);
        if (given != held().end() && length > 0) {
            std::string& bytes = given->second;
            size_t n = std::min(bytes.size(), static_cast<size_t>(length));
            std::memcpy(buffer, bytes.data(), n);
            bytes.erase(0, n);
            if (bytes.empty()) held().erase(given);
            return static_cast<int>(n);
        }
        auto found = layers().find(s);
        if (found != layers().end()) layer = found->second;
    }
    if (layer) return layer->recv(s, buffer, length);
    return stream_raw_recv(s, buffer, length);
}

void stream_unread(Socket s, const char* bytes, int length) {
    if (length <= 0) return;
    std::lock_guard<std::mutex> hold(table_lock);
    std::string& kept = held()[s];
    kept.insert(0, bytes, static_cast<size_t>(length));
}

int stream_held(Socket s) {
    std::lock_guard<std::mutex> hold(table_lock);
    auto given = held().find(s);
    return given == held().end() ? 0 : static_cast<int>(given->second.size());
}

int stream_send(Socket s, const void* data, int length) {
    if (auto layer = layer_of(s)) return layer->send(s, data, length);
    return stream_raw_send(s, data, length);
}

int stream_close(Socket s) {
    {
        std::lock_guard<std::mutex> hold(table_lock);
        layers().erase(s);
        held().erase(s);
        watches().erase(s);
    }
    return sys_socket_close(s);
}
