// What an OAuth 2.0 account needs to get access tokens without the user:
// the refresh token and where and as whom to use it. It is kept in a file
// of its own per mailbox beside accountdata.cfg, sealed for the Windows
// user (core/user_secret.h): never in the account table, whose passwords
// any user of the folder can read with pwdkey.dat, and never in the log.
#pragma once

#include <string>

struct OAuthGrant {
    std::string token_endpoint;
    std::string client_id;
    std::string client_secret;  // empty when the provider wants none
    std::string refresh_token;
};

// "token<16 hexadecimal digits>.dat" in the program folder, named by the
// account's POP3 server and user name as the UIDL state is, so that
// moving accounts in the table does not take a grant to another account.
std::string oauth_grant_path(const char* server, const char* user);

// Written through a scratch file and to the disk before it takes the old
// file's place: a power cut leaves the old grant or the new one. 0 or -1.
int oauth_grant_save(const char* server, const char* user, const OAuthGrant& grant);
// 0, or -1 when there is no grant, or it is not this user's or damaged.
int oauth_grant_load(const char* server, const char* user, OAuthGrant* grant);
// Removes the account's grant; 0 also when it had none.
int oauth_grant_remove(const char* server, const char* user);
