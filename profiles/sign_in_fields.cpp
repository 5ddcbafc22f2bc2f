#include "profiles/sign_in_fields.h"

#include "core/oauth_providers.h"
#include "profiles/sign_in_ids.h"

namespace {

constexpr SignInEdit edits[] = {
    {IDC_AUTHORIZATION_ENDPOINT, &SignInFields::authorization_endpoint},
    {IDC_TOKEN_ENDPOINT, &SignInFields::token_endpoint},
    {IDC_SCOPES, &SignInFields::scopes},
    {IDC_CLIENT_ID, &SignInFields::client_id},
    {IDC_CLIENT_SECRET, &SignInFields::client_secret},
};

}  // namespace

std::span<const SignInEdit> sign_in_edits() { return edits; }

SignInFields sign_in_fields(int provider_entry, const OAuthGrant* grant) {
    std::span<const OAuthProvider> providers = oauth_providers();
    size_t entry = provider_entry >= 0 && static_cast<size_t>(provider_entry) < providers.size()
                       ? static_cast<size_t>(provider_entry)
                       : providers.size() - 1;
    const OAuthProvider& preset = providers[entry];
    SignInFields fields{preset.authorization_endpoint, preset.token_endpoint, preset.scopes, preset.client_id, "",
                        preset.needs_client_secret};
    if (grant) {
        // The application the account signed in with last time, which the
        // preset cannot know.
        fields.token_endpoint = grant->token_endpoint;
        fields.client_id = grant->client_id;
        fields.client_secret = grant->client_secret;
    }
    return fields;
}

FormRefusal check_sign_in_fields(const SignInFields& fields) {
    if (fields.authorization_endpoint.empty())
        return {"Please enter the provider's authorization endpoint.", IDC_AUTHORIZATION_ENDPOINT};
    if (fields.token_endpoint.empty()) return {"Please enter the provider's token endpoint.", IDC_TOKEN_ENDPOINT};
    if (fields.client_id.empty())
        return {"Please enter the client id of the application you registered with the provider.", IDC_CLIENT_ID};
    if (fields.client_secret.empty() && fields.needs_client_secret)
        return {"Please enter the client secret of that application: this provider asks for it.", IDC_CLIENT_SECRET};
    return {};
}
