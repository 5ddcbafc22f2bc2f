#include "transport/login_secret.h"

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>

#include "core/accounts.h"
#include "core/log.h"
#include "core/sys_time.h"
#include "format/oauth_grant.h"
#include "transport/oauth_requests.h"

namespace {

std::atomic<TokenEndpoint> endpoint_in_effect{system_token_endpoint};

struct CachedToken {
    std::string token;
    uint32_t taken = 0;     // sys_tick_count() when it came
    uint32_t usable_ms = 0;  // its life less the margin
};

// By the grant's file name: the same mailbox whatever its place in the table.
std::mutex cache_lock;
std::map<std::string, CachedToken> cache;

uint32_t usable_ms(long expires_in) {
    if (expires_in <= 0) expires_in = token_default_seconds;
    long usable = expires_in - token_renew_margin_seconds;
    if (usable <= 0) return 0;
    if (usable > 24L * 3600) usable = 24L * 3600;  // well inside the tick count's wrap
    return static_cast<uint32_t>(usable) * 1000u;
}

void keep(const std::string& key, const std::string& token, long expires_in) {
    cache[key] = {token, sys_tick_count(), usable_ms(expires_in)};
}

bool still_good(const CachedToken& t) { return !t.token.empty() && sys_tick_count() - t.taken < t.usable_ms; }

// A new access token from the grant; a new refresh token that comes with it
// replaces the old one on disk. Called with the cache locked, so that two
// jobs never spend one refresh token twice.
bool refresh(const char* server, const char* user, const std::string& key) {
    OAuthGrant grant;
    if (oauth_grant_load(server, user, &grant) != 0) return false;
    std::string reply, why;
    TokenEndpoint endpoint = endpoint_in_effect.load();
    if (endpoint(grant.token_endpoint,
                 token_request_for_refresh(grant.client_id, grant.client_secret, grant.refresh_token), &reply,
                 &why) != 0) {
        log_write(("The sign-in could not be renewed: " + why + "\r\n").c_str());
        return false;
    }
    TokenReply answer;
    if (read_token_reply(reply, &answer) != 0) {
        if (!answer.error.empty())
            log_write(("The token endpoint refused the refresh: " + answer.error + "\r\n").c_str());
        return false;
    }
    if (!answer.refresh_token.empty() && answer.refresh_token != grant.refresh_token) {
        grant.refresh_token = answer.refresh_token;
        // The old refresh token may already be spent: without the new one on
        // disk the next start needs a sign-in, but this token still serves.
        if (oauth_grant_save(server, user, grant) != 0) log_write("The renewed sign-in could not be stored.\r\n");
    }
    keep(key, answer.access_token, answer.expires_in);
    return true;
}

bool is_oauth(int account) { return (account_options(account) & ACCOUNT_OAUTH) != 0; }

int token_for(int account, StatusSink& status, std::string* secret, bool renew) {
    const char* server = account_field(account, ACCOUNT_POP3_SERVER);
    const char* user = account_field(account, ACCOUNT_USER);
    std::string key = oauth_grant_path(server, user);
    std::lock_guard<std::mutex> hold(cache_lock);
    auto found = cache.find(key);
    if (renew && found != cache.end()) cache.erase(found);
    found = cache.find(key);
    if ((found == cache.end() || !still_good(found->second)) && !refresh(server, user, key)) {
        cache.erase(key);
        char text[200];
        std::snprintf(text, sizeof text, sign_in_expired_format, account_field(account, ACCOUNT_NAME));
        status.error((std::string(text) + "\r\n").c_str());
        return LOGIN_EXPIRED;
    }
    *secret = cache[key].token;
    return LOGIN_OK;
}

}  // namespace

const char sign_in_expired_format[] = "Sign-in for %s has expired: open the account manager and sign in again.";

void token_endpoint_install(TokenEndpoint endpoint) {
    endpoint_in_effect = endpoint ? endpoint : system_token_endpoint;
}

TokenEndpoint token_endpoint_in_effect() { return endpoint_in_effect.load(); }

int login_secret(int account, StatusSink& status, std::string* secret) {
    if (!is_oauth(account)) {
        const char* password = account_field(account, ACCOUNT_PASSWORD);
        *secret = password ? password : "";
        return LOGIN_OK;
    }
    return token_for(account, status, secret, false);
}

void login_token_keep(const char* server, const char* user, const std::string& token, long expires_in) {
    std::lock_guard<std::mutex> hold(cache_lock);
    keep(oauth_grant_path(server, user), token, expires_in);
}

void login_tokens_forget() {
    std::lock_guard<std::mutex> hold(cache_lock);
    cache.clear();
}

int account_login(MailSession& s, int account, const LoginAttempt& attempt) {
    std::string secret;
    int got = login_secret(account, s.status, &secret);
    if (got != LOGIN_OK) return got;
    s.token_refused = false;
    if (attempt(secret.c_str(), false) == 0) return LOGIN_OK;
    if (!is_oauth(account) || !s.token_refused) return LOGIN_FAILED;
    // Refused before its time (revoked, or the server's clock runs ahead):
    // one fresh token, and no more, so that a server that refuses every
    // token does not spend the grant in a loop.
    got = token_for(account, s.status, &secret, true);
    if (got != LOGIN_OK) return got;
    s.token_refused = false;
    return attempt(secret.c_str(), true) == 0 ? LOGIN_OK : LOGIN_FAILED;
}
