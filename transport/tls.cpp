#include "transport/tls.h"

#include <atomic>

#include "core/accounts.h"
#include "transport/stream.h"

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

void set_tls_starter(TlsStarter s) { starter.store(s); }

int tls_begin(Socket s, const char* host, WindowRef status_window) {
    TlsStarter begin = starter.load();
    return (begin ? begin : system_tls_begin)(s, host, status_window);
}

bool go_ahead_alone(Socket s, const char* behind, WindowRef status_window) {
    if (!behind[0] && stream_held(s) == 0 && sys_socket_pending(s) == 0) return true;
    status_append(status_window, "Server sent data before the secure connection began.\r\n");
    return false;
}
