// An IMAP account's connection, as every job on its server makes it.
#pragma once

#include <string>

#include "format/imap_folders.h"
#include "transport/session.h"

// Logs in to the account's server on the opened session with the
// account's secret (transport/login_secret.h), a second try on a new
// connection; `capabilities` gets the server's list after the login.
// LOGIN_OK, LOGIN_FAILED or LOGIN_EXPIRED with its text shown. `tray`: the
// second connection gets the tray check's shorter waits, as the first had.
int imap_account_login(MailSession& session, int account, std::string* capabilities, bool tray = false);
