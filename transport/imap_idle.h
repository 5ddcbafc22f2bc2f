// Waiting on an open folder for the server to report new mail: the IDLE
// command (RFC 2177), ended by DONE.
#pragma once

#include <cstdint>
#include <functional>

#include "transport/session.h"

// The longest the wait for the server sits in one system call: a stop is
// seen within this.
constexpr int imap_idle_tick_ms = 250;

// One IDLE as its caller watches it.
struct ImapIdleWatch {
    // The messages in the folder as the connection knows them: each EXISTS
    // sets it and each EXPUNGE takes one off, so that a delivery after a
    // removal still counts as new.
    uint32_t exists = 0;
    // How long the IDLE may run before DONE ends it to be asked again.
    int seconds = 0;
    // Asked between waits: true ends the IDLE at once.
    std::function<bool()> stop;
    // Told when the server's go-ahead came: the IDLE is running.
    std::function<void()> entered;
    // Told each time the server reports more messages than were known.
    std::function<void()> new_mail;
};

enum { IMAP_IDLE_RENEW = 1, IMAP_IDLE_STOPPED = 2 };

// IDLE on the selected folder until `watch->seconds` have passed, then DONE
// and its tagged OK awaited: IMAP_IDLE_RENEW, the session ready for the next
// command. IMAP_IDLE_STOPPED when `stop` said so: DONE has gone out and
// nothing more is read, for the caller to close. IMAP_REFUSED when the
// server answered the IDLE (or the DONE) with NO or BAD, shown as imap_run
// shows it; IMAP_FAILED when the session broke, with its text (BYE, a
// response the reader refuses, a connection closed or a server that stopped
// answering within the session's waits). Untagged responses are read through
// the IMAP reader with its bounds, one at a time as they come.
int imap_idle(MailSession& s, ImapIdleWatch* watch);
