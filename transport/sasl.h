// The SASL mechanisms the client logs in with, in one table, and the one
// choice between them that the POP3 login (AUTH, RFC 1734) and the SMTP
// login (AUTH, RFC 4954) and the IMAP login (AUTHENTICATE, RFC 3501)
// share. The exchanges themselves are in
// transport/auth.h.
#pragma once

#include "transport/auth.h"
#include "transport/tls.h"

// Whether an account logs in with AUTH at all, and whether it takes only
// mechanisms that keep the password off the wire. Without `use_auth` POP3
// sends USER and PASS and SMTP sends HELO with no login, whatever
// `encrypted_only` says.
struct LoginOptions {
    bool use_auth = false;
    bool encrypted_only = false;
    // The account signs in with OAuth 2.0: it always logs in with AUTH, only
    // with a bearer mechanism and only over TLS, and the password argument
    // of the login carries the access token.
    bool oauth = false;
    TlsMode tls = TLS_NONE;  // how the session is secured before the login
};
// What an account's flags word asks of one protocol's login and session;
// `auth_flag` is ACCOUNT_POP3_AUTH or ACCOUNT_SMTP_AUTH, and names the
// protocol whose TLS bits apply.
LoginOptions account_login_options(int flags, int auth_flag);

// One exchange. `secret` is the account's password, or for the bearer
// mechanisms its OAuth 2.0 access token: the exchanges of both kinds take
// one secret where the account's password always went, so that every
// caller of a login keeps its arguments. `capabilities` is the server's
// list the mechanism was chosen from.
using SaslExchange = int (*)(MailSession& s, const SaslProtocol& protocol, const char* capabilities, const char* user,
                             const char* secret);

struct SaslMechanism {
    const char* name;      // as servers list it; letter case does not matter
    SaslExchange exchange;
    bool encrypted;        // the password never crosses the wire, so "only encrypted logins" allows it
    bool bearer;           // takes an OAuth 2.0 access token, and is the only kind an OAuth 2.0 account uses
    const char* refused;   // shown after the exchange failed
};


// POP3: the reply to a bare "auth", one mechanism per line.
extern const SaslProtocol pop3_sasl;
// SMTP: the EHLO reply, where the mechanism may stand anywhere in it
// ("250-AUTH LOGIN PLAIN", "250-AUTH=CRAM-MD5").
extern const SaslProtocol smtp_sasl;
// IMAP: the capability list, where a mechanism stands as "AUTH=<name>";
// with "SASL-IR" listed a bearer login's first message goes on the
// AUTHENTICATE line.
extern const SaslProtocol imap_sasl;

// The first mechanism of the client's table that the server's list offers
// and the account allows, or null when there is none: for a password
// account CRAM-MD5, then PLAIN; for an OAuth 2.0 account OAUTHBEARER, then
// XOAUTH2, and never a password mechanism.
const SaslMechanism* sasl_choose(const SaslProtocol& protocol, const char* capabilities, bool encrypted_only,
                                 bool oauth = false);

// Chooses and runs the exchange. With no mechanism to use, the server's list
// and "<protocol> server does not support requested authentication.\r\n"
// are shown; a failed exchange adds the mechanism's own text. An OAuth 2.0
// login on a session without TLS sends nothing and shows
// oauth_needs_tls_text. 0 or -1.
int sasl_login(const SaslProtocol& protocol, MailSession& s, const char* capabilities, const char* user,
               const char* secret, bool encrypted_only, bool oauth = false);

// Shown when an OAuth 2.0 account would log in without TLS: the access
// token is as good as a password to whoever reads it.
extern const char oauth_needs_tls_text[];
