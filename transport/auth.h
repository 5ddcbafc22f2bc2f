// The SASL logins CRAM-MD5 and PLAIN, written once for both protocols: the
// caller passes its protocol's command function, which decides what counts
// as a positive reply.
#pragma once

#include "core/arrays.h"
#include "transport/session.h"

using CommandFunction = int (*)(MailSession& s, const char* text, bool send_only);

// What a protocol brings to the logins: its name in the refusal text, its
// command function, how its server's list of mechanisms reads, and how one
// whole reply of its server is read (every line of a multi-line SMTP reply).
struct SaslProtocol {
    const char* name;
    CommandFunction command;
    bool (*offers)(const char* capabilities, const char* mechanism);
    int (*read_reply)(MailSession& s, Array* reply);
};

// Each returns 1 when the server accepted the login, 0 otherwise.
int auth_cram_md5(MailSession& s, const char* user, const char* password, CommandFunction command);
int auth_plain(MailSession& s, const char* user, const char* password, CommandFunction command);
