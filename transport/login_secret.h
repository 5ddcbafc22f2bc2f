// The secret an account logs in with: its password, or for an OAuth 2.0
// account an access token. Access tokens live in memory only, one per
// account with its expiry, and are renewed from the account's grant
// (format/oauth_grant.h) at the token endpoint shortly before they expire
// and once more when a server refuses one.
#pragma once

#include <functional>
#include <string>

#include "transport/session.h"
#include "transport/status_sink.h"

// POSTs a form body to a token endpoint over HTTPS and gives back the reply
// body, also for an error status (RFC 6749 section 5.2 replies come with
// 400). 0, or -1 when no reply came, with *error the text for the user (an
// endpoint that is not https://, one that cannot be reached, its
// certificate refused as a mail server's would be).
using TokenEndpoint = int (*)(const std::string& endpoint, const std::string& body, std::string* reply,
                              std::string* error);
// The endpoint in effect: the system's unless a test installed its own;
// null goes back to the system's.
void token_endpoint_install(TokenEndpoint endpoint);
TokenEndpoint token_endpoint_in_effect();
// The system's: WinHTTP on Windows, with the client's own check of the
// server's certificate; elsewhere there is none and every exchange fails.
int system_token_endpoint(const std::string& endpoint, const std::string& body, std::string* reply,
                          std::string* error);
// The longest reply body taken; a token reply is a few kilobytes.
constexpr size_t token_reply_limit = 64 * 1024;
// The bound of each step of one exchange: resolving the name, connecting,
// sending, and each wait for the reply.
constexpr int token_exchange_ms = 30000;

// A token is renewed when fewer than this many seconds of its life remain,
// so that it cannot run out between the check and the server's look at it.
constexpr int token_renew_margin_seconds = 120;
// The life of a token whose endpoint did not say (RFC 6749 leaves it to the
// provider); a server that refuses it sooner gets a renewed one.
constexpr int token_default_seconds = 3600;

enum { LOGIN_OK = 0, LOGIN_FAILED = -1, LOGIN_EXPIRED = -2 };

// Shown (through the status sink, with "\r\n") when an OAuth 2.0 account
// has no usable grant or its refresh failed; %s is the account's name.
extern const char sign_in_expired_format[];

// The account's secret for its next login: the password field, or a valid
// access token. LOGIN_OK, or LOGIN_EXPIRED with the text shown.
int login_secret(int account, StatusSink& status, std::string* secret);
// Keeps a token that a sign-in just received.
void login_token_keep(const char* server, const char* user, const std::string& token, long expires_in);
// Forgets every access token (the tests start from none).
void login_tokens_forget();

// The one way every POP3 and SMTP login of an account goes: `attempt` logs
// in with the secret; `again` is true on the second try, after the server
// refused an access token (MailSession::token_refused) and a fresh one was
// fetched, so that the caller can start over where it must. LOGIN_OK,
// LOGIN_FAILED or LOGIN_EXPIRED.
using LoginAttempt = std::function<int(const char* secret, bool again)>;
int account_login(MailSession& s, int account, const LoginAttempt& attempt);
