// Messages fetched by UID with several commands in flight.
#include <algorithm>
#include <deque>
#include <limits>
#include <string>

#include "format/ascii_case.h"
#include "transport/imap.h"
#include "transport/socket_lines.h"

namespace {

struct InFlight {
    std::string tag;
    uint32_t uid;
    enum { WAITING, BODY, NONE } got = WAITING;  // NONE: answered with NIL
};

// Pipelined fetches (RFC 3501 section 5.5): each body goes to the oldest
// message in flight that has none yet, and the response it came in must
// name that message's UID.
struct Fetch {
    MailSession& s;
    const ImapFetchSinks& sinks;
    std::deque<InFlight> flight;
    bool stray = false;    // a body nobody was waiting for
    bool refused = false;  // a command answered NO or BAD
    bool stopped = false;  // a sink said stop

    InFlight* due() {
        for (InFlight& f : flight)
            if (f.got == InFlight::WAITING) return &f;
        return nullptr;
    }
    // The message in flight of that UID still without a body.
    InFlight* waiting(unsigned long long uid) {
        for (InFlight& f : flight)
            if (f.got == InFlight::WAITING && f.uid == uid) return &f;
        return nullptr;
    }
    // Whose body comes: the message its response names by UID. A server
    // may run fetches side by side (dovecot does), so after a message that
    // is gone the next body may come before the gone one's answer. A
    // response that names no UID before the body is taken to answer the
    // oldest waiting.
    InFlight* owner(const ImapItem& pairs) {
        for (size_t i = 0; i + 1 < pairs.items.size(); i += 2) {
            unsigned long long n;
            if (named_uid(pairs.items[i]))
                return imap_number(pairs.items[i + 1], std::numeric_limits<uint32_t>::max(), &n) ? waiting(n)
                                                                                                   : nullptr;
        }
        return due();
    }
    static bool named_uid(const ImapItem& item) {
        return item.kind == ImapItem::ATOM && equal_nocase(std::string_view(item.text), "UID");
    }
    InFlight* streaming = nullptr;  // whose body is streaming

    bool send(uint32_t uid) {
        InFlight f{imap_next_tag(s), uid};
        std::string line = f.tag + " UID FETCH " + std::to_string(uid) + " (UID BODY.PEEK[])\r\n";
        if (send_command(s, line.c_str()) != 0) return false;
        flight.push_back(f);
        return true;
    }

    // A FETCH response that carries a body: false when it is out of step.
    bool take_body(const ImapResponse& r, const ImapItem& body) {
        const ImapItem* uid = imap_fetch_item(r, "UID");
        unsigned long long n;
        if (!uid || !imap_number(*uid, std::numeric_limits<uint32_t>::max(), &n)) return false;
        // A streamed body went to the message named before it.
        InFlight* d = body.kind == ImapItem::STREAMED ? streaming : waiting(n);
        streaming = nullptr;
        if (!d || n != d->uid) return false;
        if (body.kind == ImapItem::STRING && !body.text.empty() &&
            !sinks.body(d->uid, body.text.data(), static_cast<int>(body.text.size()))) {
            stopped = true;
            s.close();
            return true;
        }
        d->got = body.kind == ImapItem::NIL ? InFlight::NONE : InFlight::BODY;
        return true;
    }

    // Reads one response; false when the session ended.
    bool step() {
        ImapBodyStart starting = [this](const ImapItem& so_far) {
            streaming = owner(so_far);
            return streaming || !(stray = true);
        };
        ImapBodySink streamed = [this](const char* bytes, int length) {
            if (sinks.body(streaming->uid, bytes, length)) return true;
            stopped = true;
            return false;
        };
        ImapResponse r;
        streaming = nullptr;
        if (imap_read_response(s, &r, &streamed, &starting) != 0) {
            if (stray) s.status.error("Malformed response from IMAP server.\r\n");
            return false;
        }
        if (r.kind == ImapResponse::CONTINUATION) {
            imap_out_of_step(s);
            return false;
        }
        if (r.kind == ImapResponse::UNTAGGED) {
            if (r.name == "BYE") {
                imap_ended(s, r);
                return false;
            }
            const ImapItem* body = imap_fetch_item(r, "BODY[]");
            if (body && !take_body(r, *body)) {
                imap_out_of_step(s);
                return false;
            }
            return s.is_open();
        }
        if (flight.empty() || r.tag != flight.front().tag) {
            imap_out_of_step(s);
            return false;
        }
        InFlight answered = flight.front();
        flight.pop_front();
        // A message that came whole counts even after another was refused.
        if (r.name != "OK") {
            imap_refused(s, r);
            refused = true;
        } else if (!stopped &&
                   !sinks.done(answered.uid, answered.got == InFlight::BODY ? IMAP_FETCHED : IMAP_GONE)) {
            stopped = true;
        }
        return true;
    }
};

}  // namespace

int imap_fetch_messages(MailSession& s, const std::vector<uint32_t>& uids, int window, const ImapFetchSinks& sinks) {
    if (!s.is_open()) return -1;
    window = std::clamp(window, 1, imap_pipeline_window);
    Fetch f{s, sinks, {}};
    size_t next = 0;
    for (;;) {
        while (!f.refused && !f.stopped && next < uids.size() && f.flight.size() < static_cast<size_t>(window))
            if (!f.send(uids[next++])) return -1;
        if (f.flight.empty()) break;
        if (!f.step()) return -1;
    }
    return f.refused || f.stopped || next < uids.size() ? -1 : 0;
}

int imap_fetch_message(MailSession& s, uint32_t uid, const ImapBodySink& sink) {
    int result = IMAP_GONE;
    ImapFetchSinks sinks{.body = [&sink](uint32_t, const char* bytes, int length) { return sink(bytes, length); },
                         .done = [&result](uint32_t, int got) {
                             result = got;
                             return true;
                         }};
    return imap_fetch_messages(s, {uid}, 1, sinks) == 0 ? result : -1;
}
