#include "transport/oauth_sign_in.h"

namespace {

bool no_browser(const std::string&) { return false; }

std::atomic<OpenBrowser> browser_in_effect{no_browser};

}  // namespace

void open_browser_install(OpenBrowser open) { browser_in_effect = open ? open : no_browser; }

// Not built yet: the browser and the HTTPS exchange come next.
int oauth_sign_in(const SignInRequest&, const std::atomic<bool>&, int, std::string* error) {
    *error = "Sign-in is not available in this version.";
    return -1;
}
