#include "transport/auth_bearer.h"

#include <cstring>
#include <string>

#include "core/arrays.h"
#include "format/base64.h"
#include "format/json.h"
#include "transport/auth_responses.h"
#include "transport/socket_lines.h"

namespace {

// "+ ..." (POP3, IMAP) or "334 ..." (SMTP) that does not let the login in
// is a challenge, which after the token only ever says why it was refused.
bool challenge(const char* reply) { return reply[0] == '+' || std::strncmp(reply, "334", 3) == 0; }

// The "status" of the error challenge's JSON (RFC 7628 section 3.2.2;
// XOAUTH2 servers send the same), in printable characters.
std::string refusal_status(const char* reply) {
    size_t end = std::strcspn(reply, "\r\n");
    const char* space = static_cast<const char*>(std::memchr(reply, ' ', end));
    size_t start = space ? static_cast<size_t>(space - reply) + 1 : end;
    Array* decoded = array_new(line_capacity);
    int n = base64_decode(reply + start, decoded, static_cast<int>(end - start));
    JsonValue json;
    std::string status = "not given";
    if (json_parse(std::string(decoded->text, static_cast<size_t>(n)), &json) &&
        json["status"].kind == JsonValue::STRING && !json["status"].text.empty()) {
        status = json["status"].text.substr(0, 60);
        for (char& c : status)
            if (c < 0x20 || c > 0x7e) c = '?';
    }
    delete_arrays(decoded);
    return status;
}

int bearer_login(MailSession& s, const SaslProtocol& protocol, const char* capabilities, const char* mechanism,
                 const std::string& message, const char* error_answer) {
    if (message.empty()) {
        s.status.error("The access token cannot be sent.\r\n");
        return 0;
    }
    const std::string start = std::string("auth ") + mechanism, encoded = base64_string(message.data(), message.size());
    if (protocol.initial_response && protocol.initial_response(capabilities)) {
        // One round trip fewer where the server takes it: an IMAP command
        // line has no length of its own to keep a token within.
        if (protocol.command(s, (start + " " + encoded + "\r\n").c_str(), true) != 0) return 0;
    } else {
        // Otherwise the first message follows the server's empty challenge,
        // as PLAIN's does: a POP3 command line with a token in it would pass
        // the 255 octets RFC 5034 allows AUTH.
        if (protocol.command(s, (start + "\r\n").c_str(), false) != 0) return 0;
        if (protocol.command(s, (encoded + "\r\n").c_str(), true) != 0) return 0;
    }
    Array* reply = array_new(line_capacity);
    int result = 0;
    if (protocol.read_reply(s, reply) != 0) {
        s.status.error("receiveline error\r\n");
    } else if (protocol.accepted(reply->text)) {
        result = 1;
    } else if (challenge(reply->text)) {
        std::string shown = "The server refused the access token (status: " + refusal_status(reply->text) + ").\r\n";
        s.status.error(shown.c_str());
        // The server ends the exchange only after this answer; the command
        // function shows its refusal.
        protocol.command(s, error_answer, false);
    } else {
        s.status.error(reply->text);
    }
    array_clear(reply);
    delete_arrays(reply);
    return result;
}

}  // namespace

int auth_xoauth2(MailSession& s, const SaslProtocol& protocol, const char* capabilities, const char* user,
                 const char* token) {
    return bearer_login(s, protocol, capabilities, "XOAUTH2", xoauth2_message(user, token), "\r\n");
}

int auth_oauthbearer(MailSession& s, const SaslProtocol& protocol, const char* capabilities, const char* user,
                     const char* token) {
    std::string message = oauthbearer_message(user, s.server_host().c_str(), s.server_port(), token);
    return bearer_login(s, protocol, capabilities, "OAUTHBEARER", message, "AQ==\r\n");
}
