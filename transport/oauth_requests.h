// What the client says to an OAuth 2.0 authorization server and reads back
// from it when an account signs in (RFC 6749 section 4.1, for native
// applications as RFC 8252 has it): the proof key of RFC 7636, the state,
// the authorization URL the browser opens, the token requests and the
// token endpoint's reply. Nothing here talks to the network.
#pragma once

#include <string>

// The proof key of one sign-in (RFC 7636, method S256): a verifier of 32
// random bytes from the system's source (43 characters of base64url) and
// its challenge. false when the system gave no random bytes.
struct Pkce {
    std::string verifier;
    std::string challenge;
};
bool pkce_make(Pkce* out);
// base64url (no padding) of the SHA-256 of the verifier's characters.
std::string pkce_challenge(const std::string& verifier);
// A fresh state for one sign-in: 16 random bytes as base64url; empty when
// the system gave no random bytes.
std::string oauth_state();

// An https:// address with a host, of printable ASCII without blanks or
// quotes: the only kind of endpoint a sign-in talks to or hands to the
// system to open (anything else could name a program or a file).
bool https_address(const std::string& url);
extern const char token_endpoint_not_https[];

// Where the browser comes back to: the loopback listener of the sign-in.
std::string loopback_redirect_uri(int port);

struct AuthorizationRequest {
    std::string endpoint;   // the provider's authorization endpoint
    std::string client_id;
    std::string scopes;     // separated by blanks
    int port = 0;           // of the loopback listener
    std::string challenge;  // Pkce::challenge
    std::string state;
    std::string login_hint;  // the account's address, when known
};
// The endpoint with response_type=code, client_id, redirect_uri, scope,
// code_challenge, code_challenge_method=S256, state and login_hint (only
// when there is one), every value percent-encoded; "?" or "&" before them
// as the endpoint already has a query or not.
std::string authorization_url(const AuthorizationRequest& request);

// The form bodies (application/x-www-form-urlencoded) POSTed to the token
// endpoint: the code exchanged with its verifier, and a refresh. The client
// secret goes only when there is one.
std::string token_request_for_code(const std::string& client_id, const std::string& client_secret,
                                   const std::string& code, const std::string& verifier, int port);
std::string token_request_for_refresh(const std::string& client_id, const std::string& client_secret,
                                      const std::string& refresh_token);

// What the token endpoint answered.
struct TokenReply {
    std::string access_token;
    std::string refresh_token;  // empty when none came (a refresh may keep the old one)
    long expires_in = 0;        // seconds; 0 when not said
    std::string error;          // RFC 6749 section 5.2, with its description
    std::string error_description;
};
// Reads the endpoint's JSON body (at most 64 KB): 0 with an access token,
// 1 with an error, -1 when the body is not a reply of either kind (its
// fields then empty). Tokens and the error code must be printable ASCII
// (RFC 6749 appendix A), so that nothing of them can break a login line.
int read_token_reply(const std::string& body, TokenReply* out);
