// New mail pushed in tray mode: for each IMAP account whose server offers
// IDLE (RFC 2177), a thread keeps one connection idling on the account's
// INBOX and wakes the tray's check as soon as the server reports a
// delivery. A connection that breaks or an IDLE the server refuses leaves
// the account to the check's rounds until IDLE is tried again after a
// back-off; an account whose server does not offer IDLE is left to them
// for the rest of the tray session. Everything the threads say goes to the
// log, as the tray check's texts do.
#pragma once

#include <atomic>
#include <memory>

// How long one IDLE runs before DONE ends it and it is asked again. A
// server may drop a connection that said nothing for 30 minutes (RFC 2177
// asks for a new IDLE at least every 29), and routers between often forget
// one sooner. A test shortens it.
extern std::atomic<int> imap_idle_renew_seconds;
// The first wait before IDLE is tried again after a failure; each failure in
// a row that never reached IDLE doubles it, up to 16 times this. A test
// shortens it.
extern std::atomic<int> imap_push_retry_seconds;

struct ImapPush;

// Starts the threads, one for each IMAP account of the table; the threads
// and the caller share the record. With `connect` false no thread starts and
// no server is contacted (the tray's dial-up check keeps a line that may not
// be up, or costs by the minute, free of standing connections); the record
// then only waits.
std::shared_ptr<ImapPush> imap_push_start(bool connect = true);
// Waits up to `milliseconds` for a report of new mail: true when one came
// since the last call, which takes it.
bool imap_push_wait(ImapPush* push, int milliseconds);
// Every thread ends its IDLE, and a connection still being made or answered
// is aborted: each thread ends within a tick of its wait. Returns at once.
void imap_push_stop(ImapPush* push);

// For the log and the tests: whether the account's connection is idling
// now, how many IDLEs its server has let start, and how many threads still
// run.
bool imap_push_idling(ImapPush* push, int account);
int imap_push_entered(ImapPush* push, int account);
int imap_push_running(ImapPush* push);
