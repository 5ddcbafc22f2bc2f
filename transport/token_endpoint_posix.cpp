#include "transport/login_secret.h"

// No system HTTPS here: the tests install an endpoint of their own, and
// anything else fails as an endpoint out of reach would.
int system_token_endpoint(const std::string&, const std::string&, std::string* reply, std::string* error) {
    reply->clear();
    *error = "Could not reach the token endpoint: this system has no HTTPS.";
    return -1;
}
