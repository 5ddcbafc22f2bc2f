// The client side of IMAP (RFC 3501, and what RFC 9051 keeps) for
// downloading: log in, open a folder, list the messages above a UID with
// their sizes, fetch one into a sink, mark messages deleted and expunge
// them, log out. The client never sends ID (RFC 2971): it would tell the
// server about the user's machine for nothing the download needs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "transport/imap_command.h"
#include "transport/sasl.h"
#include "transport/session.h"

// Connects the session to the server ("host" or "host:port"), secures it as
// `options.tls` asks (IMAPS, or STARTTLS after the greeting) and logs in:
// LOGIN, or with `options.use_auth` AUTHENTICATE with the mechanism that
// sasl_choose picks; with `options.oauth` always AUTHENTICATE with a bearer
// mechanism, the access token in `password`, and only over TLS (without
// it nothing is connected). `capabilities` gets the server's list after the login
// (the words after "CAPABILITY"). 0 or -1.
int imap_login(MailSession& s, const char* server, const char* user, const char* password, LoginOptions options,
               std::string* capabilities);

// The CAPABILITY command: the words after "CAPABILITY". 0 or -1.
int imap_capability(MailSession& s, std::string* capabilities);

struct ImapFolder {
    uint32_t uidvalidity = 0;
    uint32_t uidnext = 0;  // 0 when the server did not say
    uint32_t exists = 0;
};
// SELECT, or EXAMINE (read-only: nothing is marked seen or deleted), of the
// folder named in UTF-8. A name that cannot be written in modified UTF-7
// shows "Invalid IMAP folder name.\r\n"; a folder without UIDVALIDITY
// shows "IMAP server did not give the folder's UIDVALIDITY.\r\n". 0, -1,
// or imap_select_refused when the server answered NO or BAD (a folder it
// does not have): its text is shown and the session goes on.
constexpr int imap_select_refused = -2;
int imap_select(MailSession& s, std::string_view folder, bool examine, ImapFolder* out);

struct ImapMessage {
    uint32_t uid;
    long long size;  // RFC822.SIZE
};
// The messages of the open folder whose UID is above `above`, in UID order,
// with their sizes (UID FETCH above+1:* (UID RFC822.SIZE)); at most `most`
// of them, the lowest, so a later check takes the rest. 0 or -1.
int imap_list_above(MailSession& s, uint32_t above, size_t most, std::vector<ImapMessage>* out);

enum { IMAP_FETCHED = 0, IMAP_GONE = 1 };
// What a fetch of several messages does with each of them.
struct ImapFetchSinks {
    // The bytes of the message of `uid`, in pieces as they arrive; false
    // ends the session (its file could not be written).
    std::function<bool(uint32_t uid, const char* bytes, int length)> body;
    // Once its command is answered: IMAP_FETCHED when its whole body came,
    // IMAP_GONE when the server has no such message (any more). Only then
    // does the message count. false sends no more commands, and neither does
    // a command the server refuses; those in flight are answered (whole
    // ones still told here after a refusal) and -1 is returned.
    std::function<bool(uint32_t uid, int result)> done;
};
// The most fetch commands kept in flight: enough to keep the line busy while
// each message is written to the disk, and a few hundred bytes of commands,
// far inside any socket buffer.
constexpr int imap_pipeline_window = 16;
// The messages in the given order, byte for byte (UID FETCH uid (UID
// BODY.PEEK[]): each stays unread on the server), with up to `window`
// commands in flight (RFC 3501 section 5.5). A body goes to the message in
// flight that its response names by UID before the body (the oldest
// waiting when none is named first), since a server may answer the next
// fetch before one whose message is gone; a body no message waits for, or
// one more than was asked for, ends the session as malformed. Tagged
// replies come in the order of the commands. 0 when every message was
// answered and taken, or -1.
int imap_fetch_messages(MailSession& s, const std::vector<uint32_t>& uids, int window, const ImapFetchSinks& sinks);
// One message into the sink: IMAP_FETCHED, IMAP_GONE, or -1.
int imap_fetch_message(MailSession& s, uint32_t uid, const ImapBodySink& sink);

// "1:5,7,9:10" for UIDs in any order; repeats are dropped.
std::string imap_uid_set(std::vector<uint32_t> uids);
// Marks the messages \Deleted (UID STORE +FLAGS.SILENT) and, when the
// server announced UIDPLUS, expunges exactly them (UID EXPUNGE, RFC 4315).
// Without UIDPLUS they stay marked: a plain EXPUNGE would also remove what
// another client marked but meant to keep. 0 or -1.
int imap_delete_messages(MailSession& s, const std::vector<uint32_t>& uids, bool uidplus);

// LOGOUT, then the session is closed. 0 or -1.
int imap_logout(MailSession& s);
