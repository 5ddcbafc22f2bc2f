#include "transport/imap_idle.h"

#include <chrono>
#include <limits>
#include <string>

#include "transport/imap_command.h"
#include "transport/socket_lines.h"

namespace {

void count(ImapIdleWatch* watch, const ImapResponse& r) {
    if (r.name == "EXISTS" && r.number >= 0 && r.number <= std::numeric_limits<uint32_t>::max()) {
        bool rose = r.number > watch->exists;
        watch->exists = static_cast<uint32_t>(r.number);
        if (rose && watch->new_mail) watch->new_mail();
    } else if (r.name == "EXPUNGE" && watch->exists > 0) {
        watch->exists--;
    }
}

// DONE, then the tagged reply of the IDLE.
int done(MailSession& s, const std::string& tag, ImapIdleWatch* watch) {
    if (send_command(s, "DONE\r\n") != 0) return IMAP_FAILED;
    int r = imap_await(s, tag, [watch](const ImapResponse& u) { count(watch, u); }, nullptr, false);
    if (r == 1) {
        imap_out_of_step(s);
        return IMAP_FAILED;
    }
    return r == IMAP_OK ? IMAP_IDLE_RENEW : r;
}

}  // namespace

int imap_idle(MailSession& s, ImapIdleWatch* watch) {
    if (!s.is_open()) return IMAP_FAILED;
    const std::string tag = imap_next_tag(s);
    if (send_command(s, (tag + " IDLE\r\n").c_str()) != 0) return IMAP_FAILED;
    int r = imap_await(s, tag, [watch](const ImapResponse& u) { count(watch, u); }, nullptr, false);
    if (r != 1) {
        // A tagged OK without the go-ahead is no IDLE at all.
        if (r == IMAP_OK) imap_out_of_step(s);
        return r == IMAP_OK ? IMAP_FAILED : r;
    }
    if (watch->entered) watch->entered();
    using clock = std::chrono::steady_clock;
    const clock::time_point renew = clock::now() + std::chrono::seconds(watch->seconds);
    for (;;) {
        if (watch->stop && watch->stop()) {
            send_command(s, "DONE\r\n");
            return IMAP_IDLE_STOPPED;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(renew - clock::now()).count();
        if (left <= 0) return done(s, tag, watch);
        int ready = s.wait_readable(static_cast<int>(left < imap_idle_tick_ms ? left : imap_idle_tick_ms));
        if (ready < 0) {
            s.status.error("receiveline error\r\n");
            s.close();
            return IMAP_FAILED;
        }
        if (ready == 0) continue;
        ImapResponse u;
        if (imap_read_response(s, &u) != 0) return IMAP_FAILED;
        if (u.kind == ImapResponse::UNTAGGED && u.name == "BYE") {
            imap_ended(s, u);
            return IMAP_FAILED;
        }
        if (u.kind == ImapResponse::UNTAGGED) {
            count(watch, u);
            continue;
        }
        // The server ended the IDLE itself: with OK it may be asked again.
        if (u.kind == ImapResponse::TAGGED && u.tag == tag) {
            if (u.name == "OK") return IMAP_IDLE_RENEW;
            imap_refused(s, u);
            return IMAP_REFUSED;
        }
        imap_out_of_step(s);
        return IMAP_FAILED;
    }
}
