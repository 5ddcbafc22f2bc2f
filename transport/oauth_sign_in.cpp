#include "transport/oauth_sign_in.h"

#include "core/log.h"
#include "format/oauth_grant.h"
#include "transport/login_secret.h"
#include "transport/oauth_listener.h"
#include "transport/oauth_redirect.h"
#include "transport/oauth_requests.h"

namespace {

std::atomic<OpenBrowser> browser_in_effect{system_open_browser};

int fail(std::string* error, const std::string& text) {
    *error = text;
    log_write(("Sign-in failed: " + text + "\r\n").c_str());
    return -1;
}

}  // namespace

void open_browser_install(OpenBrowser open) { browser_in_effect = open ? open : system_open_browser; }

int oauth_sign_in(const SignInRequest& request, const std::atomic<bool>& cancel, int milliseconds,
                  std::string* error) {
    error->clear();
    if (request.client_id.empty())
        return fail(error, "The sign-in needs the client id of the application registered with the provider.");
    // Both ends over TLS: the authorization address is handed to the shell,
    // and the token endpoint receives the code and later the refresh token.
    if (!https_address(request.authorization_endpoint))
        return fail(error, "The authorization endpoint must be an https:// address.");
    if (!https_address(request.token_endpoint)) return fail(error, token_endpoint_not_https);
    Pkce pkce;
    std::string state = oauth_state();
    if (!pkce_make(&pkce) || state.empty())
        return fail(error, "Could not start the sign-in: the system gave no random numbers.");
    RedirectListener listener;
    if (!listener.open()) return fail(error, "Could not wait for the browser's answer.");
    std::string url = authorization_url({.endpoint = request.authorization_endpoint,
                                         .client_id = request.client_id,
                                         .scopes = request.scopes,
                                         .port = listener.port(),
                                         .challenge = pkce.challenge,
                                         .state = state,
                                         .login_hint = request.login_hint});
    if (!browser_in_effect.load()(url)) return fail(error, "Could not open the browser for the sign-in.");
    Redirect redirect = listener.wait(state, milliseconds, cancel);
    if (redirect.kind != REDIRECT_CODE) return fail(error, redirect.text);

    std::string reply, why;
    if (token_endpoint_in_effect()(request.token_endpoint,
                                   token_request_for_code(request.client_id, request.client_secret, redirect.code,
                                                          pkce.verifier, listener.port()),
                                   &reply, &why) != 0)
        return fail(error, why.empty() ? "Could not reach the token endpoint." : why);
    TokenReply answer;
    int read = read_token_reply(reply, &answer);
    if (read == 1) return fail(error, sign_in_refusal(answer.error, answer.error_description));
    if (read != 0) return fail(error, "The token endpoint's answer could not be read.");
    // Without a refresh token the account could log in for an hour and then
    // ask again: the scopes must ask for lasting access (offline_access).
    if (answer.refresh_token.empty())
        return fail(error, "The provider gave no refresh token: check that the scopes ask for offline access.");
    // Cancelled while the code was being exchanged: the user has given up
    // on this sign-in, so it leaves nothing behind.
    if (cancel) return fail(error, "Sign-in was cancelled.");
    OAuthGrant grant{request.token_endpoint, request.client_id, request.client_secret, answer.refresh_token};
    if (oauth_grant_save(request.server.c_str(), request.user.c_str(), grant) != 0)
        return fail(error, "The sign-in could not be stored.");
    login_token_keep(request.server.c_str(), request.user.c_str(), answer.access_token, answer.expires_in);
    log_write("Sign-in completed.\r\n");
    return 0;
}
