// The client side of POP3 (RFC 1939, with AUTH for CRAM-MD5 and PLAIN).
#pragma once

#include <string>
#include <vector>

#include "core/arrays.h"
#include "store/folder_numbers.h"
#include "store/uidl_state.h"
#include "transport/sasl.h"
#include "transport/session.h"

// The size table of a listing: 32-bit entries, entry k-1 for the k-th
// listed message; the sizes of at most the first 999 messages are kept.
constexpr int pop3_size_entries = 1000;
constexpr int pop3_max_sizes = 999;

// Connects the session to the server ("host" or "host:port") and logs in:
// USER and PASS, or with `options.use_auth` AUTH with the mechanism that
// sasl_choose picks. `reply` and `command` are line buffers
// (line_capacity bytes). 0 or -1.
int pop3_login(MailSession& s, Array* reply, Array* command, const char* server, const char* user,
               const char* password, LoginOptions options);
// The number of messages, or -1. With a size table (pop3_size_entries) the
// listed sizes go into it, entry k-1 for the k-th line.
int pop3_list(MailSession& s, Array* sizes);

// The unique-ids of a mailbox of `count` messages (UIDL, RFC 1939 section
// 7), entry k-1 for message k. The listing is read whole, however it ends,
// so the session stays in step.
enum { UIDL_LISTED = 0, UIDL_FAILED = -1, UIDL_REFUSED = -2 };
// UIDL_LISTED with every message's id; UIDL_REFUSED when the server answered
// "-ERR" or the listing is malformed (a line that is not "number id", a
// number outside 1 to count or given twice, an id that is not 1 to 70
// printable characters or repeats, a message without an id): the ids are
// then not to be used. UIDL_FAILED when the connection failed first.
int pop3_uidl(MailSession& s, int count, std::vector<std::string>* ids);
// The unique-id of one message ("uidl number"): UIDL_LISTED with it in `id`,
// UIDL_REFUSED for "-ERR" or a malformed reply, UIDL_FAILED.
int pop3_uidl_one(MailSession& s, int number, std::string* id);

struct RetrieveOptions {
    bool headers_only = false;  // the header and ten body lines (TOP) instead of RETR
    bool delete_after = false;  // DELE each message once its file is safely stored
    // The target folder's numbers when the job stores into it more than
    // once (a download of chosen messages); else they are looked up here.
    FolderNumbers* numbers = nullptr;
    // How many commands may be in flight at once: 1 waits for each reply
    // before the next command, as every server allows; more only for a
    // server that announced PIPELINING.
    int window = 1;
    // The unique-ids of the messages when the server listed them, entry k-1
    // for message k; with `state` a message already in it is not downloaded
    // (with delete_after it is marked with DELE all the same, being stored),
    // and the id of each stored message is recorded in it before its DELE
    // and before the next message goes into the folder.
    const std::vector<std::string>* ids = nullptr;
    UidlState* state = nullptr;
    // false: download the messages asked for even when stored before (the
    // user chose them), recording them all the same.
    bool skip_stored = true;
};
// The most commands a receive keeps in flight on a pipelining server: a few
// dozen bytes of commands, well inside any socket buffer, and enough to keep
// the line busy while each message is written to the disk.
constexpr int pop3_pipeline_window = 16;
// pop3_retrieve's result when the session must end without QUIT, so that
// the server deletes nothing: a message could not be written through to the
// disk, or a reply did not fit the command it answered.
constexpr int pop3_no_quit = -2;

// Downloads messages first to end - 1 into the folder, each in a new file
// mm<N>.eml that appears only once the message is complete and written
// through to the disk. With delete_after each stored message is marked with
// DELE, and the folder is made durable before this returns, so QUIT may
// follow. `stored` counts the files made. 0, -1, or pop3_no_quit.
int pop3_retrieve(MailSession& s, const char* folder, int first, int end, RetrieveOptions options, Array* sizes,
                  int* stored);
// Asks the server for its capabilities (CAPA, RFC 2449): true when it
// announces PIPELINING, false when not or when it knows no CAPA.
bool pop3_pipelining(MailSession& s);

// "quit", then the session is closed. 0 or -1.
int pop3_quit(MailSession& s);
