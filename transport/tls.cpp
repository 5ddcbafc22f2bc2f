#include "transport/tls.h"

#include <atomic>

#include "core/accounts.h"

namespace {

std::atomic<TlsStarter> starter{nullptr};

}  // namespace

TlsMode tls_mode(int flags, int implicit_bit, int upgrade_bit) {
    if (flags & implicit_bit) return TLS_IMPLICIT;
    return flags & upgrade_bit ? TLS_UPGRADE : TLS_NONE;
}

TlsMode pop3_tls_mode(int flags) { return tls_mode(flags, ACCOUNT_POP3_TLS, ACCOUNT_POP3_STLS); }
TlsMode smtp_tls_mode(int flags) { return tls_mode(flags, ACCOUNT_SMTP_TLS, ACCOUNT_SMTP_STARTTLS); }

int pop3_default_port(TlsMode mode) { return mode == TLS_IMPLICIT ? 995 : 110; }
int smtp_default_port(TlsMode mode) { return mode == TLS_IMPLICIT ? 465 : 25; }
int imap_default_port(TlsMode mode) { return mode == TLS_IMPLICIT ? 993 : 143; }

void set_tls_starter(TlsStarter s) { starter.store(s); }

int tls_begin(MailSession& s, const char* host) {
    TlsStarter begin = starter.load();
    return (begin ? begin : system_tls_begin)(s, host);
}

bool go_ahead_alone(MailSession& s) {
    if (s.behind() == 0 && sys_socket_pending(s.socket()) == 0) return true;
    s.status.error("Server sent data before the secure connection began.\r\n");
    return false;
}
