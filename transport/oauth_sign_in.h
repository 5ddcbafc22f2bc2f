// One OAuth 2.0 sign-in of an account (RFC 6749 section 4.1 for native
// applications, RFC 8252): the system's browser opened on the authorization
// URL with PKCE and a fresh state, the redirect taken on the loopback
// listener, the code exchanged at the token endpoint, the grant saved for
// the account and its first access token kept in memory.
#pragma once

#include <atomic>
#include <string>

struct SignInRequest {
    std::string authorization_endpoint;
    std::string token_endpoint;
    std::string client_id;
    std::string client_secret;  // empty when the provider wants none
    std::string scopes;         // separated by single spaces
    std::string login_hint;     // the account's address, when known
    // Whose grant it becomes: the account's POP3 server and user name, as
    // format/oauth_grant.h names grants.
    std::string server;
    std::string user;
};

// Opens the user's browser on the URL; false when none could be started.
using OpenBrowser = bool (*)(const std::string& url);
// The browser in effect: the system's unless a test installed its own;
// null goes back to the system's.
void open_browser_install(OpenBrowser open);
// The system's: the shell's "open" on an https:// address on Windows; none
// elsewhere.
bool system_open_browser(const std::string& url);

// Runs the sign-in for at most `milliseconds`, ending early when `cancel`
// turns true (the wait for the browser; the exchange at the token endpoint
// that may follow is bounded by its own time-outs, token_exchange_ms a step, and a
// cancel during it still leaves nothing stored). 0 with the grant saved; -1 with *error the text for the user
// ("Sign-in was cancelled.", "The provider refused the sign-in: %s.", ...),
// and nothing stored.
int oauth_sign_in(const SignInRequest& request, const std::atomic<bool>& cancel, int milliseconds,
                  std::string* error);
