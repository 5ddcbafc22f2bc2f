#include "transport/tls.h"

int system_tls_begin(Socket, const char*, WindowRef status_window) {
    // No system TLS here: a secured account fails closed, as it would with a
    // server whose handshake fails.
    status_append(status_window, "Secure connection failed (error 0x80090302).\r\n");
    return -1;
}
