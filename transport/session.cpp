#include "transport/session.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/settings.h"

namespace {

constexpr int tray_timeout_seconds = 10;
// What one receive of the reply reader takes from the connection.
constexpr int reader_chunk = 16384;

}  // namespace

MailSession::MailSession(StatusSink& s) : status(s) {}

MailSession::MailSession(StatusSink& s, Socket adopted) : status(s), socket_(adopted) {}

void MailSession::adopt(Socket s) {
    close();
    socket_ = s;
    timed_out_ = broken_ = false;
}

MailSession::~MailSession() { close(); }

bool MailSession::open_with(int seconds, int connect_seconds) {
    close();
    socket_ = sys_socket_open();
    if (socket_ == no_socket) return false;
    broken_ = false;
    watch(seconds, connect_seconds);
    status.hold_socket(socket_);
    handed_ = true;
    return true;
}

bool MailSession::open() { return open_with(server_timeout_seconds, connect_timeout_seconds); }

bool MailSession::open_for_tray() { return open_with(tray_timeout_seconds, tray_timeout_seconds); }

int MailSession::watch(int seconds, int connect_seconds) {
    seconds_ = seconds;
    connect_seconds_ = connect_seconds;
    timed_out_ = false;
    return sys_set_timeouts(socket_, seconds * 1000);
}

// Marks the session as given up and says so, once.
void MailSession::give_up(bool connecting) {
    if (timed_out_) return;
    timed_out_ = true;
    char text[80];
    std::snprintf(text, sizeof text, "Server did not answer within %i seconds.\r\n",
                  connecting ? connect_seconds_ : seconds_);
    status.error(text);
}

int MailSession::connect(const NetAddress& to) {
    int r = sys_connect(socket_, to, connect_seconds_ * 1000);
    if (r == sys_timed_out) give_up(true);
    return r == 0 ? 0 : -1;
}

void MailSession::attach(std::unique_ptr<StreamLayer> layer) {
    behind_.clear();
    behind_at_ = 0;
    layer_ = std::move(layer);
}

int MailSession::raw_recv(void* buffer, int length) {
    if (timed_out_) return -1;
    int n = sys_recv(socket_, buffer, length);
    if (n <= 0 && length > 0) broken_ = true;
    if (n != sys_timed_out) return n;
    give_up(false);
    return -1;
}

int MailSession::raw_send(const void* data, int length) {
    if (timed_out_) return -1;
    int n = sys_send(socket_, data, length);
    if (n <= 0 && length > 0) broken_ = true;
    if (n != sys_timed_out) return n;
    give_up(false);
    return -1;
}

int MailSession::recv(void* buffer, int length) {
    if (length <= 0) return 0;
    if (behind() > 0) {
        size_t n = std::min(behind_.size() - behind_at_, static_cast<size_t>(length));
        std::memcpy(buffer, behind_.data() + behind_at_, n);
        behind_at_ += n;
        if (behind_at_ == behind_.size()) {
            behind_.clear();
            behind_at_ = 0;
        }
        return static_cast<int>(n);
    }
    if (!layer_) return raw_recv(buffer, length);
    int n = layer_->recv(*this, buffer, length);
    if (n <= 0) broken_ = true;
    return n;
}

int MailSession::send(const void* data, int length) {
    if (!layer_) return raw_send(data, length);
    int n = layer_->send(*this, data, length);
    if (n <= 0 && length > 0) broken_ = true;
    return n;
}

int MailSession::send_all(const char* data, int length) {
    while (length > 0) {
        int n = send(data, length);
        if (n <= 0) return -1;
        data += n;
        length -= n;
    }
    return 0;
}

void MailSession::unread(const char* bytes, int length) {
    if (length <= 0) return;
    behind_.erase(0, behind_at_);
    behind_at_ = 0;
    behind_.insert(0, bytes, static_cast<size_t>(length));
}

int MailSession::wait_readable(int milliseconds) {
    if (!is_open()) return -1;
    if (behind() > 0 || (layer_ && layer_->holds_bytes())) return 1;
    int r = sys_wait_readable(socket_, milliseconds);
    if (r < 0) broken_ = true;
    return r;
}

bool MailSession::next_byte(char* c) {
    if (behind() == 0) {
        char chunk[reader_chunk];
        int n = recv(chunk, reader_chunk);
        if (n <= 0) return false;
        behind_.assign(chunk, static_cast<size_t>(n));
        behind_at_ = 0;
    }
    *c = behind_[behind_at_++];
    if (behind_at_ == behind_.size()) {
        behind_.clear();
        behind_at_ = 0;
    }
    return true;
}

void MailSession::close() {
    if (socket_ == no_socket) return;
    // Taken from the status sink before it is closed: Cancel must never
    // abort a socket number that the system may already have handed out
    // again.
    if (handed_) status.hold_socket(no_socket);
    handed_ = false;
    layer_.reset();
    behind_.clear();
    behind_at_ = 0;
    imap_tag = 0;
    sys_socket_close(socket_);
    socket_ = no_socket;
}
