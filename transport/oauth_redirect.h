// The browser's way back into an OAuth 2.0 sign-in (RFC 8252 section 7.3):
// the request it sends to the loopback listener at the end of the
// authorization, read strictly since any program on the machine may send
// one, and the short page it gets in answer.
#pragma once

#include <string>
#include <string_view>

// The longest request head taken (request line and header lines), and the
// longest authorization code and error description kept.
constexpr size_t redirect_head_limit = 16 * 1024;
constexpr size_t redirect_code_limit = 4096;
constexpr size_t redirect_description_limit = 300;

enum RedirectKind {
    REDIRECT_CODE,         // the authorization code, with the right state
    REDIRECT_REFUSED,      // the provider's error, with the right state
    REDIRECT_WRONG_STATE,  // a code or an error for another sign-in
    REDIRECT_OTHER,        // not an answer at all (another path, a malformed request): answered and passed over
    REDIRECT_CANCELLED,    // the user cancelled the wait
    REDIRECT_TIMED_OUT,    // nothing came back in time
    REDIRECT_FAILED,       // the listener itself failed
};

struct Redirect {
    RedirectKind kind = REDIRECT_OTHER;
    std::string code = {};  // REDIRECT_CODE
    std::string text = {};  // what the user is told when the sign-in ends without a code
};

// Reads the request line ("GET /?code=...&state=... HTTP/1.1", with or
// without its line end) against the state this sign-in sent. The path must
// be "/", the query form-encoded with every parameter once; a code or an
// error with another state is REDIRECT_WRONG_STATE; an error comes back as
// "The provider refused the sign-in: <error_description, else error>.".
Redirect read_redirect(std::string_view request_line, const std::string& state);

// "The provider refused the sign-in: %s." with the description, else the
// error code, cut and made printable: for a refusal in the redirect and
// one from the token endpoint alike.
std::string sign_in_refusal(const std::string& error, const std::string& description);

// The whole HTTP response for the browser: "You can close this window"
// pages for an answer, 404 for anything else; the connection closes after it.
std::string redirect_response(const Redirect& redirect);
