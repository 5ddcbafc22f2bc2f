#include "core/oauth_providers.h"

#include "core/accounts.h"

namespace {

// POP3 from the first byte on 995 everywhere (RFC 8314); SMTP as each
// provider takes it: Microsoft with STARTTLS on 587, Google and a new
// account of any other provider from the first byte on 465.
constexpr int pop3s = ACCOUNT_POP3_TLS;
constexpr int smtps = ACCOUNT_SMTP_TLS;

const OAuthProvider providers[] = {
    {.id = PROVIDER_MICROSOFT,
     .name = "Microsoft",
     .authorization_endpoint = "https://login.microsoftonline.com/common/oauth2/v2.0/authorize",
     .token_endpoint = "https://login.microsoftonline.com/common/oauth2/v2.0/token",
     .scopes = "https://outlook.office.com/POP.AccessAsUser.All https://outlook.office.com/SMTP.Send offline_access",
     .client_id = "",
     .needs_client_secret = false,
     .pop3_server = "outlook.office365.com",
     .imap_server = "outlook.office365.com",
     .smtp_server = "smtp.office365.com:587",
     .security = pop3s | ACCOUNT_SMTP_STARTTLS},
    {.id = PROVIDER_GOOGLE,
     .name = "Google",
     .authorization_endpoint = "https://accounts.google.com/o/oauth2/v2/auth",
     .token_endpoint = "https://oauth2.googleapis.com/token",
     .scopes = "https://mail.google.com/",
     .client_id = "",
     .needs_client_secret = true,
     .pop3_server = "pop.gmail.com",
     .imap_server = "imap.gmail.com",
     .smtp_server = "smtp.gmail.com",
     .security = pop3s | smtps},
    {.id = PROVIDER_OTHER,
     .name = "Other",
     .authorization_endpoint = "",
     .token_endpoint = "",
     .scopes = "",
     .client_id = "",
     .needs_client_secret = false,
     .pop3_server = "",
     .imap_server = "",
     .smtp_server = "",
     .security = pop3s | smtps},
};

}  // namespace

std::span<const OAuthProvider> oauth_providers() { return providers; }

const OAuthProvider& oauth_provider(int id) {
    for (const OAuthProvider& p : providers)
        if (p.id == id) return p;
    return providers[2];
}
