#include "transport/sasl.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/accounts.h"
#include "format/text_search.h"
#include "transport/auth_bearer.h"
#include "transport/imap_command.h"
#include "transport/socket_lines.h"
#include "transport/smtp_reply.h"

namespace {

int cram_md5(MailSession& s, const SaslProtocol& protocol, const char*, const char* user, const char* password) {
    return auth_cram_md5(s, user, password, protocol.command);
}

int plain(MailSession& s, const SaslProtocol& protocol, const char*, const char* user, const char* password) {
    return auth_plain(s, user, password, protocol.command);
}

// In the order of preference: CRAM-MD5 wherever a server offers it, PLAIN
// only when it does not; for OAuth 2.0 accounts the standard OAUTHBEARER
// before the older XOAUTH2. A bearer token crosses the wire, but only
// under TLS, and no password ever does.
const SaslMechanism mechanisms[] = {
    {.name = "CRAM-MD5", .exchange = cram_md5, .encrypted = true, .bearer = false,
     .refused = "Cram-md5 authorisation error!\r\n"},
    {.name = "PLAIN", .exchange = plain, .encrypted = false, .bearer = false, .refused = "Plain authorisation error!\r\n"},
    {.name = "OAUTHBEARER", .exchange = auth_oauthbearer, .encrypted = true, .bearer = true,
     .refused = "Oauthbearer authorisation error!\r\n"},
    {.name = "XOAUTH2", .exchange = auth_xoauth2, .encrypted = true, .bearer = true,
     .refused = "Xoauth2 authorisation error!\r\n"},
};

// A POP3 server answers "auth" with "+OK", one mechanism a line and a dot
// line, so a name counts only as a whole line.
bool pop3_offers(const char* capabilities, const char* mechanism) {
    char line[40];
    std::snprintf(line, sizeof line, "\r\n%s\r\n", mechanism);
    return find_text_nocase(capabilities, line) != nullptr;
}

bool smtp_offers(const char* capabilities, const char* mechanism) {
    return find_text_nocase(capabilities, mechanism) != nullptr;
}

// Whether an IMAP server's list ("CAPABILITY ...\r\n") names a capability:
// a mechanism stands in it as "AUTH=CRAM-MD5", the initial response as
// "SASL-IR".
bool imap_listed(const char* capabilities, const std::string& name) {
    std::string_view list(capabilities);
    while (!list.empty() && (list.back() == '\n' || list.back() == '\r')) list.remove_suffix(1);
    return imap_has(list, name);
}
bool imap_offers(const char* capabilities, const char* mechanism) {
    return imap_listed(capabilities, std::string("AUTH=") + mechanism);
}
bool imap_initial_response(const char* capabilities) { return imap_listed(capabilities, "SASL-IR"); }

bool pop3_accepted(const char* reply) { return std::strncmp(reply, "+OK", 3) == 0; }
bool smtp_accepted(const char* reply) { return reply[0] == '2'; }

}  // namespace

const SaslProtocol pop3_sasl{.name = "POP3",
                             .command = send_pop3_command,
                             .offers = pop3_offers,
                             .read_reply = recv_line,
                             .accepted = pop3_accepted};
const SaslProtocol smtp_sasl{.name = "SMTP",
                             .command = smtp_command,
                             .offers = smtp_offers,
                             .read_reply = smtp_read_reply,
                             .accepted = smtp_accepted};
const SaslProtocol imap_sasl{.name = "IMAP",
                             .command = imap_sasl_command,
                             .offers = imap_offers,
                             .read_reply = imap_sasl_reply,
                             .accepted = imap_sasl_accepted,
                             .initial_response = imap_initial_response};

const char oauth_needs_tls_text[] = "Sign-in with OAuth 2.0 needs a secure connection: set the account to TLS or STARTTLS.\r\n";

LoginOptions account_login_options(int flags, int auth_flag) {
    const bool oauth = (flags & ACCOUNT_OAUTH) != 0;
    return {.use_auth = (flags & auth_flag) != 0 || oauth,
            .encrypted_only = (flags & ACCOUNT_ENCRYPTED_AUTH_ONLY) != 0,
            .oauth = oauth,
            .tls = auth_flag == ACCOUNT_SMTP_AUTH ? smtp_tls_mode(flags) : pop3_tls_mode(flags)};
}

const SaslMechanism* sasl_choose(const SaslProtocol& protocol, const char* capabilities, bool encrypted_only,
                                 bool oauth) {
    for (const SaslMechanism& m : mechanisms) {
        if ((encrypted_only && !m.encrypted) || m.bearer != oauth) continue;
        if (protocol.offers(capabilities, m.name)) return &m;
    }
    return nullptr;
}

int sasl_login(const SaslProtocol& protocol, MailSession& s, const char* capabilities, const char* user,
               const char* secret, bool encrypted_only, bool oauth) {
    if (oauth && !s.secured()) {
        s.status.error(oauth_needs_tls_text);
        return -1;
    }
    const SaslMechanism* chosen = sasl_choose(protocol, capabilities, encrypted_only, oauth);
    if (!chosen) {
        char text[80];
        std::snprintf(text, sizeof text, "%s server does not support requested authentication.\r\n", protocol.name);
        s.status.error(capabilities);
        s.status.error(text);
        return -1;
    }
    if (chosen->exchange(s, protocol, capabilities, user, secret)) return 0;
    // A connection that broke or that the server ended (IMAP's BYE, a reply
    // out of step) refused nothing: a fresh token would not help.
    if (chosen->bearer && !s.broken() && s.is_open()) s.token_refused = true;
    s.status.error(chosen->refused);
    return -1;
}
