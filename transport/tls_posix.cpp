#include "transport/tls.h"

int system_tls_begin(MailSession& s, const char*) {
    // No system TLS here: a secured account fails closed, as it would with a
    // server whose handshake fails.
    s.status.error("Secure connection failed (error 0x80090302).\r\n");
    return -1;
}
