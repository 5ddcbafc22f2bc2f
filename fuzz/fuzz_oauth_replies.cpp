// What comes back to an OAuth 2.0 sign-in from outside: the request line on
// the loopback listener and the token endpoint's body. Neither may crash
// the reader, and what it passes on is always within its bounds.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "format/json.h"
#include "transport/oauth_redirect.h"
#include "transport/oauth_requests.h"

namespace {
void check(bool condition) {
    if (!condition) std::abort();
}

bool printable(const std::string& text) {
    for (char c : text)
        if (c < 0x20 || c > 0x7e) return false;
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    Redirect r = read_redirect(text, "S1");
    if (r.kind == REDIRECT_CODE) check(!r.code.empty() && r.code.size() <= redirect_code_limit && printable(r.code));
    check(printable(r.text));
    check(r.kind == REDIRECT_CODE || r.code.empty());
    check(!redirect_response(r).empty());

    TokenReply reply;
    int result = read_token_reply(text, &reply);
    if (result == 0) check(!reply.access_token.empty() && printable(reply.access_token) && printable(reply.refresh_token));
    if (result == 1) check(!reply.error.empty() && reply.access_token.empty());
    if (result == -1) check(reply.access_token.empty() && reply.error.empty());
    JsonValue v;
    json_parse(text, &v, {.max_bytes = 1 << 20, .max_depth = 64});
    return 0;
}
