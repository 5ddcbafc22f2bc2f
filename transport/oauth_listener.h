// The loopback listener of an OAuth 2.0 sign-in (RFC 8252 section 7.3): on
// 127.0.0.1 at a port the system picks, for the one request of the
// browser's redirect, bounded in time and cancellable from another thread.
#pragma once

#include <atomic>
#include <string>

#include "transport/oauth_redirect.h"
#include "transport/sys_socket.h"

class RedirectListener {
public:
    RedirectListener() = default;
    ~RedirectListener();
    RedirectListener(const RedirectListener&) = delete;
    RedirectListener& operator=(const RedirectListener&) = delete;

    // Starts listening. false when the system gives no socket.
    bool open();
    // The port the redirect URI names, once open.
    int port() const { return port_; }

    // Takes connections until one brings an answer for `state` (a code, the
    // provider's refusal, or a code or refusal of another sign-in), for at
    // most `milliseconds` in all and while `cancel` stays false; the browser
    // gets its page. A connection that brings no answer (another path, a
    // malformed or over-long request, one that sends nothing for
    // `idle_milliseconds`) is answered or closed and the wait goes on. Ends
    // with REDIRECT_CODE, REDIRECT_REFUSED, REDIRECT_WRONG_STATE,
    // REDIRECT_CANCELLED ("Sign-in was cancelled."), REDIRECT_TIMED_OUT or
    // REDIRECT_FAILED, each with its text.
    Redirect wait(const std::string& state, int milliseconds, const std::atomic<bool>& cancel,
                  int idle_milliseconds = 5000);

private:
    Socket listener_ = no_socket;
    int port_ = 0;
};
