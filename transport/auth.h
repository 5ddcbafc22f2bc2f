// The SASL logins CRAM-MD5 and PLAIN, written once for both protocols: the
// caller passes its protocol's command function, which decides what counts
// as a positive reply.
#pragma once

#include "core/arrays.h"
#include "transport/session.h"

using CommandFunction = int (*)(MailSession& s, const char* text, bool send_only);

// What a protocol brings to the logins: its name in the refusal text, its
// command function, how its server's list of mechanisms reads, how one
// whole reply of its server is read (every line of a multi-line SMTP reply;
// IMAP's continuation or tagged reply, past untagged responses) and which
// reply lets the login in.
struct SaslProtocol {
    const char* name;
    CommandFunction command;
    bool (*offers)(const char* capabilities, const char* mechanism);
    int (*read_reply)(MailSession& s, Array* reply);
    bool (*accepted)(const char* reply);
    // Whether the server's list lets a mechanism's first message go on the
    // line that starts it (IMAP's SASL-IR, RFC 4959); null where the client
    // always waits for the server's empty challenge.
    bool (*initial_response)(const char* capabilities) = nullptr;
};

// Each returns 1 when the server accepted the login, 0 otherwise.
int auth_cram_md5(MailSession& s, const char* user, const char* password, CommandFunction command);
int auth_plain(MailSession& s, const char* user, const char* password, CommandFunction command);
