#include "transport/sasl.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "core/accounts.h"
#include "format/text_search.h"
#include "transport/imap_command.h"
#include "transport/socket_lines.h"
#include "transport/smtp_reply.h"

namespace {

// In the order of preference: CRAM-MD5 wherever a server offers it, PLAIN
// only when it does not.
const SaslMechanism mechanisms[] = {
    {.name = "CRAM-MD5", .exchange = auth_cram_md5, .encrypted = true, .refused = "Cram-md5 authorisation error!\r\n"},
    {.name = "PLAIN", .exchange = auth_plain, .encrypted = false, .refused = "Plain authorisation error!\r\n"},
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

// An IMAP server lists "AUTH=CRAM-MD5" among its capabilities.
bool imap_offers(const char* capabilities, const char* mechanism) {
    std::string_view list(capabilities);
    while (!list.empty() && (list.back() == '\n' || list.back() == '\r')) list.remove_suffix(1);
    return imap_has(list, std::string("AUTH=") + mechanism);
}

}  // namespace

const SaslProtocol pop3_sasl{.name = "POP3", .command = send_pop3_command, .offers = pop3_offers};
const SaslProtocol smtp_sasl{.name = "SMTP", .command = smtp_command, .offers = smtp_offers};
const SaslProtocol imap_sasl{.name = "IMAP", .command = imap_sasl_command, .offers = imap_offers};

LoginOptions account_login_options(int flags, int auth_flag) {
    return {.use_auth = (flags & auth_flag) != 0,
            .encrypted_only = (flags & ACCOUNT_ENCRYPTED_AUTH_ONLY) != 0,
            .tls = auth_flag == ACCOUNT_SMTP_AUTH ? smtp_tls_mode(flags) : pop3_tls_mode(flags)};
}

const SaslMechanism* sasl_choose(const SaslProtocol& protocol, const char* capabilities, bool encrypted_only) {
    for (const SaslMechanism& m : mechanisms) {
        if (encrypted_only && !m.encrypted) continue;
        if (protocol.offers(capabilities, m.name)) return &m;
    }
    return nullptr;
}

int sasl_login(const SaslProtocol& protocol, MailSession& s, const char* capabilities, const char* user,
               const char* password, bool encrypted_only) {
    const SaslMechanism* chosen = sasl_choose(protocol, capabilities, encrypted_only);
    if (!chosen) {
        char text[80];
        std::snprintf(text, sizeof text, "%s server does not support requested authentication.\r\n", protocol.name);
        s.status.error(capabilities);
        s.status.error(text);
        return -1;
    }
    if (chosen->exchange(s, user, password, protocol.command)) return 0;
    s.status.error(chosen->refused);
    return -1;
}
