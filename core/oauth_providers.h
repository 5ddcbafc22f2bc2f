// The providers an account can be set up from, in one table: where their
// users sign in with OAuth 2.0 (RFC 6749, RFC 8252) and which servers and
// security their mail takes. The account manager fills an account's
// settings from an entry, and every value stays editable. Code without
// windows reads the same table.
#pragma once

#include <span>

enum OAuthProviderId { PROVIDER_OTHER = 0, PROVIDER_MICROSOFT = 1, PROVIDER_GOOGLE = 2 };

struct OAuthProvider {
    int id;  // its number in the account's option bits (core/accounts.h)
    const char* name;
    const char* authorization_endpoint;
    const char* token_endpoint;
    const char* scopes;  // separated by single spaces, as the authorization URL carries them
    // No client id is registered for this program with any provider: the
    // user registers an application and enters its id.
    const char* client_id;
    // Whether the token endpoint also wants the application's secret, as
    // Google's does from desktop applications.
    bool needs_client_secret;
    const char* pop3_server;  // "host" or "host:port", as the account table holds servers
    const char* imap_server;  // for an account whose incoming server speaks IMAP (IMAPS on 993)
    const char* smtp_server;
    int security;  // the account's TLS option bits for both protocols
};

// "Microsoft", "Google", "Other", in the order the account manager lists them.
std::span<const OAuthProvider> oauth_providers();
// The entry of a provider number; an unknown number (written by a later
// version) gives "Other".
const OAuthProvider& oauth_provider(int id);
