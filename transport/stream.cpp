#include "transport/stream.h"

#include <map>
#include <mutex>

namespace {

// Each session runs on its own thread with its own socket; the table is
// shared between them.
std::mutex table_lock;
std::map<Socket, std::shared_ptr<StreamLayer>>& layers() {
    static std::map<Socket, std::shared_ptr<StreamLayer>> table;
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
    layers()[s] = std::move(layer);
}

bool stream_secured(Socket s) { return layer_of(s) != nullptr; }

int stream_recv(Socket s, void* buffer, int length) {
    if (auto layer = layer_of(s)) return layer->recv(s, buffer, length);
    return sys_recv(s, buffer, length);
}

int stream_send(Socket s, const void* data, int length) {
    if (auto layer = layer_of(s)) return layer->send(s, data, length);
    return sys_send(s, data, length);
}

int stream_close(Socket s) {
    {
        std::lock_guard<std::mutex> hold(table_lock);
        layers().erase(s);
    }
    return sys_socket_close(s);
}
