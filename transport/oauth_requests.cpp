#include "transport/oauth_requests.h"

#include <cstring>

#include "core/random.h"
#include "format/base64.h"
#include "format/json.h"
#include "format/percent_encoding.h"
#include "transport/sha256.h"

namespace {

std::string random_text(size_t bytes) {
    unsigned char random[32];
    if (bytes > sizeof random || sys_random_bytes(random, bytes) != 0) return std::string();
    std::string text = base64url_string(random, bytes);
    std::memset(random, 0, sizeof random);
    return text;
}

// One "name=value" of a query or form body, the value percent-encoded.
void add_field(std::string* out, const char* name, const std::string& value) {
    if (!out->empty() && out->back() != '?') *out += '&';
    *out += name;
    *out += '=';
    *out += percent_encode(value);
}

// Printable ASCII and at least one character: the token characters of RFC
// 6749 appendix A (VSCHAR), and all an error code may hold.
bool printable(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < 0x20 || c > 0x7e) return false;
    return true;
}

}  // namespace

const char token_endpoint_not_https[] = "The token endpoint must be an https:// address.";

bool https_address(const std::string& url) {
    constexpr size_t scheme = 8;  // "https://"
    if (url.size() <= scheme) return false;
    for (size_t i = 0; i < scheme; i++)
        if (static_cast<char>(url[i] | (i < 5 ? 0x20 : 0)) != "https://"[i]) return false;
    if (url[scheme] == '/' || url[scheme] == '?' || url[scheme] == '#') return false;
    for (char c : url)
        if (c <= ' ' || c > '~' || c == '"') return false;
    return true;
}

bool pkce_make(Pkce* out) {
    out->verifier = random_text(32);
    out->challenge = out->verifier.empty() ? std::string() : pkce_challenge(out->verifier);
    return !out->verifier.empty();
}

std::string pkce_challenge(const std::string& verifier) {
    unsigned char digest[32];
    sha256(verifier.data(), verifier.size(), digest);
    return base64url_string(digest, sizeof digest);
}

std::string oauth_state() { return random_text(16); }

std::string loopback_redirect_uri(int port) { return "http://127.0.0.1:" + std::to_string(port) + "/"; }

std::string authorization_url(const AuthorizationRequest& r) {
    std::string query;
    add_field(&query, "response_type", "code");
    add_field(&query, "client_id", r.client_id);
    add_field(&query, "redirect_uri", loopback_redirect_uri(r.port));
    add_field(&query, "scope", r.scopes);
    add_field(&query, "code_challenge", r.challenge);
    add_field(&query, "code_challenge_method", "S256");
    add_field(&query, "state", r.state);
    if (!r.login_hint.empty()) add_field(&query, "login_hint", r.login_hint);
    return r.endpoint + (r.endpoint.find('?') == std::string::npos ? "?" : "&") + query;
}

std::string token_request_for_code(const std::string& client_id, const std::string& client_secret,
                                   const std::string& code, const std::string& verifier, int port) {
    std::string body;
    add_field(&body, "grant_type", "authorization_code");
    add_field(&body, "code", code);
    add_field(&body, "redirect_uri", loopback_redirect_uri(port));
    add_field(&body, "client_id", client_id);
    if (!client_secret.empty()) add_field(&body, "client_secret", client_secret);
    add_field(&body, "code_verifier", verifier);
    return body;
}

std::string token_request_for_refresh(const std::string& client_id, const std::string& client_secret,
                                      const std::string& refresh_token) {
    std::string body;
    add_field(&body, "grant_type", "refresh_token");
    add_field(&body, "refresh_token", refresh_token);
    add_field(&body, "client_id", client_id);
    if (!client_secret.empty()) add_field(&body, "client_secret", client_secret);
    return body;
}

int read_token_reply(const std::string& body, TokenReply* out) {
    *out = TokenReply{};
    JsonValue reply;
    if (!json_parse(body, &reply) || reply.kind != JsonValue::OBJECT) return -1;
    const JsonValue& error = reply["error"];
    if (error.kind == JsonValue::STRING && printable(error.text)) {
        out->error = error.text;
        const JsonValue& description = reply["error_description"];
        if (description.kind == JsonValue::STRING) out->error_description = description.text;
        return 1;
    }
    const JsonValue& access = reply["access_token"];
    const JsonValue& refresh = reply["refresh_token"];
    const JsonValue& expires = reply["expires_in"];
    if (access.kind != JsonValue::STRING || !printable(access.text)) return -1;
    if (refresh.kind != JsonValue::NUL && (refresh.kind != JsonValue::STRING || !printable(refresh.text))) return -1;
    // Some servers send the lifetime as a string of digits.
    long seconds = 0;
    if (expires.kind == JsonValue::NUMBER && expires.number >= 0 && expires.number < 1e9) {
        seconds = static_cast<long>(expires.number);
    } else if (expires.kind == JsonValue::STRING && !expires.text.empty() && expires.text.size() < 10 &&
               expires.text.find_first_not_of("0123456789") == std::string::npos) {
        seconds = std::stol(expires.text);
    } else if (expires.kind != JsonValue::NUL) {
        return -1;
    }
    out->access_token = access.text;
    out->refresh_token = refresh.text;
    out->expires_in = seconds;
    return 0;
}
