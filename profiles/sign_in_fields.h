// What the sign-in dialog offers an account to sign in with: the chosen
// provider's preset, and where the account signed in before, the token
// endpoint and application of its grant, which the user may have entered
// by hand then. Every value stays editable in the dialog.
#pragma once

#include <span>
#include <string>

#include "format/oauth_grant.h"
#include "profiles/account_form.h"

struct SignInFields {
    std::string authorization_endpoint, token_endpoint, scopes, client_id, client_secret;
    bool needs_client_secret = false;  // as the provider's preset says
};

// One edit of the dialog and the member it shows.
struct SignInEdit {
    int control;
    std::string SignInFields::*text;
};
std::span<const SignInEdit> sign_in_edits();

// `provider_entry` is the settings window's provider box entry (an index
// of oauth_providers()); `grant` is null when the account has none.
SignInFields sign_in_fields(int provider_entry, const OAuthGrant* grant);

// Why the dialog cannot sign in with these fields: the text for the user
// and the edit to fill; an empty text when it can.
FormRefusal check_sign_in_fields(const SignInFields& fields);
