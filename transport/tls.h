// TLS for the mail sessions, through the system's own TLS: how an account
// asks for it, the ports that go with it, and laying it over a connected
// socket. A secured account never falls back to plain: every failure here
// ends the session before a command (and so a password) is sent.
#pragma once

#include "transport/session.h"

enum TlsMode {
    TLS_NONE = 0,
    TLS_IMPLICIT = 1,  // TLS from the first byte (POP3S, SMTPS; RFC 8314)
    TLS_UPGRADE = 2,   // plain greeting, then STLS (RFC 2595) or STARTTLS (RFC 3207, RFC 3501)
};

// The mode an account's option bits ask for; both bits mean TLS from the
// first byte.
TlsMode tls_mode(int flags, int implicit_bit, int upgrade_bit);
TlsMode pop3_tls_mode(int flags);
TlsMode smtp_tls_mode(int flags);
// The port when the server text names none.
int pop3_default_port(TlsMode mode);  // 995 or 110
int smtp_default_port(TlsMode mode);  // 465 or 25
int imap_default_port(TlsMode mode);  // 993 or 143

// Shakes hands over the connected session with `host` as the server's name
// (for SNI and the certificate check), checks the certificate, and from then
// on the session's bytes go through TLS. Tells the status sink
// "Secure connection established (TLS 1.x).\r\n", or why it failed. 0 or -1.
int tls_begin(MailSession& s, const char* host);

// The layer tls_begin uses; tests put a stand-in in its place (null: the
// system's).
using TlsStarter = int (*)(MailSession& s, const char* host);
void set_tls_starter(TlsStarter starter);
// The system's TLS: SChannel on Windows; elsewhere there is none and every
// secured session fails closed.
int system_tls_begin(MailSession& s, const char* host);

// After the server's go-ahead for an upgrade, nothing may follow it before
// the handshake: bytes that came behind it (held by the session after the
// go-ahead's line end) or that already wait on the socket would be plain
// text taken for secured text. Tells the status sink and gives false when
// there are any.
bool go_ahead_alone(MailSession& s);
