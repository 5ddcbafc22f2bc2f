// The SASL logins CRAM-MD5 and PLAIN, written once for both protocols: the
// caller passes its protocol's command function, which decides what counts
// as a positive reply.
#pragma once

#include "transport/session.h"

using CommandFunction = int (*)(MailSession& s, const char* text, bool send_only);

// Each returns 1 when the server accepted the login, 0 otherwise.
int auth_cram_md5(MailSession& s, const char* user, const char* password, CommandFunction command);
int auth_plain(MailSession& s, const char* user, const char* password, CommandFunction command);
