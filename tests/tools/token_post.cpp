// The system's token endpoint (WinHTTP with the client's certificate check)
// for the end-to-end tests against scripted HTTPS peers:
//
//   zm_token_post <endpoint> <body>
//       POSTs the form body; prints "result=0|-1", "error=<text>" and
//       "reply=<body>", one a line.
//   zm_token_post sign-in|sign-in-system <token endpoint> [<authorization
//                 endpoint> <client id>]
//       a whole sign-in in the current folder, the browser played by the
//       unit tests' one (it approves at once), or the system's browser;
//       prints "result=", "error=" and "grant=<refresh token saved, or
//       none>". The authorization endpoint and client id are made-up ones
//       unless given (those of the test servers' authorization server).
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "format/oauth_grant.h"
#include "tests/unit/played_browser.h"
#include "transport/login_secret.h"
#include "transport/oauth_sign_in.h"
#include "transport/sys_socket.h"

namespace {

int sign_in(const char* token_endpoint, bool system_browser, const char* authorization_endpoint,
            const char* client_id) {
    PlayedBrowser browser;
    played = &browser;
    if (!system_browser) open_browser_install(play_browser);
    sys_net_startup();
    SignInRequest request{.authorization_endpoint = authorization_endpoint,
                          .token_endpoint = token_endpoint,
                          .client_id = client_id,
                          .client_secret = "",
                          .scopes = "mail offline_access",
                          .login_hint = "",
                          .server = "pop.example.test:995",
                          .user = "ann@example.test"};
    std::atomic<bool> cancel{false};
    std::string error;
    int result = oauth_sign_in(request, cancel, 20000, &error);
    OAuthGrant grant;
    bool saved = oauth_grant_load(request.server.c_str(), request.user.c_str(), &grant) == 0;
    std::printf("result=%d\nerror=%s\ngrant=%s\n", result, error.c_str(), saved ? grant.refresh_token.c_str() : "none");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool signs_in = argc >= 2 && (std::strcmp(argv[1], "sign-in") == 0 || std::strcmp(argv[1], "sign-in-system") == 0);
    if (argc != 3 && !(signs_in && argc == 5)) {
        std::fprintf(stderr, "usage: zm_token_post <endpoint> <body> | sign-in|sign-in-system <token endpoint> "
                             "[<authorization endpoint> <client id>]\n");
        return 2;
    }
    if (signs_in)
        return sign_in(argv[2], std::strcmp(argv[1], "sign-in-system") == 0,
                       argc == 5 ? argv[3] : "https://login.example.test/authorize", argc == 5 ? argv[4] : "c-1");
    std::string reply, error;
    int result = system_token_endpoint(argv[1], argv[2], &reply, &error);
    std::printf("result=%d\nerror=%s\nreply=%s\n", result, error.c_str(), reply.c_str());
    return 0;
}
