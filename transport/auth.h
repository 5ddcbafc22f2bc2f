// The SASL logins CRAM-MD5 and PLAIN, written once for both protocols: the
// caller passes its protocol's command function, which decides what counts
// as a positive reply.
#pragma once

#include "core/ui_services.h"
#include "transport/sys_socket.h"

using CommandFunction = int (*)(Socket s, const char* text, WindowRef status_window, bool send_only);

// Each returns 1 when the server accepted the login, 0 otherwise.
int auth_cram_md5(WindowRef status_window, Socket s, const char* user, const char* password, CommandFunction command);
int auth_plain(WindowRef status_window, Socket s, const char* user, const char* password, CommandFunction command);
