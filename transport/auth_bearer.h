// The OAuth 2.0 logins XOAUTH2 and OAUTHBEARER (RFC 7628), written once for
// POP3, SMTP and IMAP. The access token comes in the argument where the other
// logins take the password (see SaslExchange in transport/sasl.h).
#pragma once

#include "transport/auth.h"

// Each returns 1 when the server accepted the login, 0 otherwise. A token
// the server refuses comes back as an error challenge: its JSON status is
// shown ("The server refused the access token (status: %s).\r\n"), the
// challenge is answered as the mechanism asks (an empty line for XOAUTH2,
// the base64 of one 0x01 byte for OAUTHBEARER, RFC 7628 section 3.2.3) and
// the server's final refusal shown. The first message goes on the line
// that starts the login where the protocol and the server's list allow it
// (SaslProtocol::initial_response), else after the server's empty
// challenge.
int auth_xoauth2(MailSession& s, const SaslProtocol& protocol, const char* capabilities, const char* user,
                 const char* token);
int auth_oauthbearer(MailSession& s, const SaslProtocol& protocol, const char* capabilities, const char* user,
                     const char* token);
