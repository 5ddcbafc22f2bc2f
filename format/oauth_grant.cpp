#include "format/oauth_grant.h"

#include <cstdio>

#include "core/file_reads.h"
#include "core/file_replace.h"
#include "core/name_hash.h"
#include "core/user_secret.h"

namespace {

// The sealed text: a version line, then one field a line. None of the
// fields may hold a line break (tokens are printable ASCII, endpoints and
// ids come from edit fields of one line).
constexpr char grant_version[] = "zenth-grant-1";

bool one_line(const std::string& s) { return s.find_first_of("\r\n") == std::string::npos; }

std::string grant_text(const OAuthGrant& g) {
    return std::string(grant_version) + "\n" + g.token_endpoint + "\n" + g.client_id + "\n" + g.client_secret +
           "\n" + g.refresh_token + "\n";
}

bool read_grant_text(const std::string& text, OAuthGrant* g) {
    std::string* fields[] = {nullptr, &g->token_endpoint, &g->client_id, &g->client_secret, &g->refresh_token};
    size_t at = 0;
    for (size_t f = 0; f < std::size(fields); f++) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) return false;
        std::string field = text.substr(at, end - at);
        if (f == 0 && field != grant_version) return false;
        if (fields[f]) *fields[f] = field;
        at = end + 1;
    }
    return at == text.size() && !g->refresh_token.empty();
}

void wipe(std::string* s) {
    for (char& c : *s) c = 0;
    s->clear();
}

}  // namespace

std::string oauth_grant_path(const char* server, const char* user) {
    return mailbox_file_name("token", server, user, ".dat");
}

int oauth_grant_save(const char* server, const char* user, const OAuthGrant& grant) {
    if (!one_line(grant.token_endpoint) || !one_line(grant.client_id) || !one_line(grant.client_secret) ||
        !one_line(grant.refresh_token) || grant.refresh_token.empty())
        return -1;
    std::string plain = grant_text(grant), sealed;
    int sealed_ok = user_seal(plain, &sealed);
    wipe(&plain);
    if (sealed_ok != 0) return -1;
    std::string path = oauth_grant_path(server, user);
    int result = replace_file_with(
        path.c_str(),
        [&](std::FILE* f) { return std::fwrite(sealed.data(), 1, sealed.size(), f) == sealed.size(); }, true);
    return result == REPLACE_OK ? 0 : -1;
}

int oauth_grant_load(const char* server, const char* user, OAuthGrant* grant) {
    std::string sealed, plain;
    if (!read_whole_file(oauth_grant_path(server, user).c_str(), &sealed)) return -1;
    OAuthGrant read;
    bool ok = user_unseal(sealed, &plain) == 0 && read_grant_text(plain, &read);
    wipe(&plain);
    if (!ok) return -1;
    *grant = std::move(read);
    return 0;
}

int oauth_grant_remove(const char* server, const char* user) {
    return mailbox_file_remove(oauth_grant_path(server, user));
}
