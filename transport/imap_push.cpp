#include "transport/imap_push.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "core/accounts.h"
#include "core/threads.h"
#include "transport/imap.h"
#include "transport/imap_account.h"
#include "transport/imap_idle.h"
#include "transport/login_secret.h"
#include "transport/socket_lines.h"

std::atomic<int> imap_idle_renew_seconds{25 * 60};
std::atomic<int> imap_push_retry_seconds{60};

namespace {

// Where one account's connection reports: the log alone, and the socket in
// reach of a stop, which aborts it so that no wait for the server outlasts
// the tray session.
class PushSink final : public LogSink {
public:
    explicit PushSink(const std::atomic<bool>& stop) : stop_(stop) {}
    void hold_socket(Socket s) override {
        std::lock_guard<std::mutex> hold(lock_);
        socket_ = s;
        if (s != no_socket && stop_) sys_socket_abort(s);
    }
    bool cancelled() override { return stop_; }
    void abort() {
        std::lock_guard<std::mutex> hold(lock_);
        if (socket_ != no_socket) sys_socket_abort(socket_);
    }

private:
    const std::atomic<bool>& stop_;
    std::mutex lock_;
    Socket socket_ = no_socket;
};

struct PushAccount {
    std::atomic<bool> idling{false};
    std::atomic<int> entered{0};
    PushSink* sink = nullptr;  // while its thread runs; under the push's lock
};

}  // namespace

struct ImapPush {
    std::atomic<bool> stop{false};
    std::atomic<int> running{0};
    std::mutex lock;
    std::condition_variable changed;
    bool new_mail = false;
    PushAccount accounts[max_accounts];

    void wake() {
        std::lock_guard<std::mutex> hold(lock);
        new_mail = true;
        changed.notify_all();
    }
    // Sleeps up to `seconds`, ending early on a stop.
    void pause(int seconds) {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait_for(hold, std::chrono::seconds(seconds), [this] { return stop.load(); });
    }
};

namespace {

struct Start {
    std::shared_ptr<ImapPush> push;
    int account;
};

void log_account(const char* format, int a, int seconds = 0) {
    char text[200];
    std::snprintf(text, sizeof text, format, account_field(a, ACCOUNT_NAME), seconds);
    LogSink log;
    log.line(text);
}

enum Outcome { FAILED, HAD_IDLED, UNOFFERED, STOPPED };

Outcome idle_on_inbox(ImapPush& push, int a, PushSink& sink) {
    PushAccount& account = push.accounts[a];
    MailSession s(sink);
    std::string capabilities;
    if (!s.open_for_tray() || imap_account_login(s, a, &capabilities, true) != LOGIN_OK) return FAILED;
    if (!imap_has(capabilities, "IDLE")) {
        imap_logout(s);
        return UNOFFERED;
    }
    ImapFolder inbox;
    if (imap_select(s, imap_server_inbox, true, &inbox) != 0) return FAILED;
    const int entered_before = account.entered;
    ImapIdleWatch watch{.exists = inbox.exists,
                        .seconds = 0,
                        .stop = [&push] { return push.stop.load(); },
                        .entered =
                            [&account, a, entered_before] {
                                account.idling = true;
                                // Once a connection; its renewals go unsaid.
                                if (++account.entered == entered_before + 1)
                                    log_account("%.80s: IMAP IDLE started; the server reports new mail at once.\r\n", a);
                            },
                        .new_mail = [&push] { push.wake(); }};
    for (;;) {
        watch.seconds = imap_idle_renew_seconds;
        int r = imap_idle(s, &watch);
        account.idling = false;
        if (r == IMAP_IDLE_RENEW) continue;
        if (r == IMAP_IDLE_STOPPED) {
            // Said, not awaited: the tray session is over.
            send_command(s, (imap_next_tag(s) + " LOGOUT\r\n").c_str());
            return STOPPED;
        }
        return account.entered > entered_before ? HAD_IDLED : FAILED;
    }
}

void watch_account(void* argument) {
    std::unique_ptr<Start> start(static_cast<Start*>(argument));
    ImapPush& push = *start->push;
    const int a = start->account;
    PushSink sink(push.stop);
    {
        std::lock_guard<std::mutex> hold(push.lock);
        push.accounts[a].sink = &sink;
    }
    int retry = imap_push_retry_seconds;
    while (!push.stop) {
        Outcome outcome = idle_on_inbox(push, a, sink);
        if (push.stop || outcome == STOPPED) break;
        if (outcome == UNOFFERED) {
            log_account("%.80s: the IMAP server does not offer IDLE; new mail is found by the regular check.\r\n", a);
            break;
        }
        // A connection that idled for a while starts the back-off afresh.
        const int first = imap_push_retry_seconds;
        int wait = outcome == HAD_IDLED ? first : retry;
        log_account("%.80s: IMAP IDLE ended; new mail is found by the regular check, IDLE tried again in %i "
                    "seconds.\r\n",
                    a, wait);
        push.pause(wait);
        retry = std::min(wait * 2, first * 16);
    }
    {
        std::lock_guard<std::mutex> hold(push.lock);
        push.accounts[a].sink = nullptr;
    }
    push.running--;
}

}  // namespace

std::shared_ptr<ImapPush> imap_push_start(bool connect) {
    auto push = std::make_shared<ImapPush>();
    for (int a = 0; connect && a < account_count() && a < max_accounts; a++) {
        if (!(account_options(a) & ACCOUNT_IMAP)) continue;
        push->running++;
        auto* start = new Start{push, a};
        if (start_thread(watch_account, start) == -1) {
            delete start;
            push->running--;
            log_account("%.80s: could not start the IMAP IDLE thread; new mail is found by the regular check.\r\n",
                        a);
        }
    }
    return push;
}

bool imap_push_wait(ImapPush* push, int milliseconds) {
    std::unique_lock<std::mutex> hold(push->lock);
    push->changed.wait_for(hold, std::chrono::milliseconds(milliseconds), [push] { return push->new_mail; });
    bool came = push->new_mail;
    push->new_mail = false;
    return came;
}

void imap_push_stop(ImapPush* push) {
    std::lock_guard<std::mutex> hold(push->lock);
    push->stop = true;
    push->changed.notify_all();
    // An idling connection sees the stop within a tick and says DONE; one
    // being made or logged in may wait on its server far longer.
    for (PushAccount& account : push->accounts)
        if (account.sink && !account.idling) account.sink->abort();
}

bool imap_push_idling(ImapPush* push, int account) { return push->accounts[account].idling; }
int imap_push_entered(ImapPush* push, int account) { return push->accounts[account].entered; }
int imap_push_running(ImapPush* push) { return push->running; }
