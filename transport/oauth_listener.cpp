#include "transport/oauth_listener.h"

#include "core/sys_time.h"

namespace {

// How often a wait looks at the cancel flag.
constexpr int slice_ms = 100;

int elapsed_since(uint32_t start) { return static_cast<int>(sys_tick_count() - start); }

// The request head up to its empty line, at most redirect_head_limit bytes.
// false when the connection closed, failed, sent too much or stayed quiet
// for `idle` ms, or the wait as a whole ended.
bool read_head(Socket s, std::string* head, const std::atomic<bool>& cancel, uint32_t start, int total, int idle) {
    char buffer[2048];
    uint32_t quiet_since = sys_tick_count();
    while (head->find("\r\n\r\n") == std::string::npos) {
        if (cancel || elapsed_since(start) >= total || elapsed_since(quiet_since) >= idle) return false;
        int n = sys_recv(s, buffer, sizeof buffer);
        if (n == sys_timed_out) continue;
        if (n <= 0) return false;
        head->append(buffer, static_cast<size_t>(n));
        if (head->size() > redirect_head_limit) return false;
        quiet_since = sys_tick_count();
    }
    return true;
}

void answer(Socket s, const Redirect& redirect) {
    std::string response = redirect_response(redirect);
    for (size_t sent = 0; sent < response.size();) {
        int n = sys_send(s, response.data() + sent, static_cast<int>(response.size() - sent));
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
}

}  // namespace

RedirectListener::~RedirectListener() {
    if (listener_ != no_socket) sys_socket_close(listener_);
}

bool RedirectListener::open() {
    NetAddress bound;
    listener_ = sys_listen_loopback(&bound);
    port_ = listener_ == no_socket ? 0 : port_from_network(bound.port);
    return listener_ != no_socket;
}

Redirect RedirectListener::wait(const std::string& state, int milliseconds, const std::atomic<bool>& cancel,
                                int idle_milliseconds) {
    if (listener_ == no_socket) return {.kind = REDIRECT_FAILED, .text = "Could not wait for the browser's answer."};
    const uint32_t start = sys_tick_count();
    for (;;) {
        if (cancel) return {.kind = REDIRECT_CANCELLED, .text = "Sign-in was cancelled."};
        int left = milliseconds - elapsed_since(start);
        if (left <= 0)
            return {.kind = REDIRECT_TIMED_OUT, .text = "Sign-in took too long: the browser did not come back."};
        Socket s = no_socket;
        int r = sys_accept(listener_, left < slice_ms ? left : slice_ms, &s);
        if (r == sys_timed_out) continue;
        if (r != 0) return {.kind = REDIRECT_FAILED, .text = "Could not wait for the browser's answer."};
        std::string head;
        Redirect redirect;
        if (sys_set_timeouts(s, slice_ms) == 0 && read_head(s, &head, cancel, start, milliseconds, idle_milliseconds)) {
            redirect = read_redirect(std::string_view(head).substr(0, head.find("\r\n")), state);
            answer(s, redirect);
        } else if (head.size() > redirect_head_limit) {
            answer(s, redirect);
        }
        sys_socket_close(s);
        if (redirect.kind != REDIRECT_OTHER) return redirect;
    }
}
