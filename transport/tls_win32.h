// The client's own judgement of a server's certificate on Windows, shared
// by the mail connections (SChannel) and the token endpoint (WinHTTP):
// neither takes the system's word for it.
#pragma once

#include <windows.h>
#include <wincrypt.h>

// Builds the certificate's chain for server use and runs the SSL policy for
// `host` (as the user wrote it: an address never matches a name). Null when
// accepted, else the reason for "Server certificate not accepted: %s.".
const char* server_certificate_problem(PCCERT_CONTEXT certificate, const char* host);
