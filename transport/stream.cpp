#include "transport/stream.h"

#include <algorithm>
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
    return sys_recv(s, buffer, length);
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
    return sys_send(s, data, length);
}

int stream_close(Socket s) {
    {
        std::lock_guard<std::mutex> hold(table_lock);
        layers().erase(s);
        held().erase(s);
    }
    return sys_socket_close(s);
}
