#include "transport/imap.h"

#include <algorithm>
#include <limits>

#include "core/arrays.h"
#include "format/ascii_case.h"
#include "transport/connect.h"
#include "transport/imap_utf7.h"
#include "transport/tls.h"

namespace {

// "[CAPABILITY IMAP4rev1 ...] text" of a greeting or a tagged OK.
bool capability_code(const std::string& text, std::string* capabilities) {
    const std::string_view code = "[CAPABILITY ";
    if (!begins_nocase(text.c_str(), code.data())) return false;
    size_t end = text.find(']');
    if (end == std::string::npos) return false;
    *capabilities = text.substr(code.size(), end - code.size());
    return true;
}

int login(MailSession& s, const char* user, const char* password, LoginOptions options,
          const std::string& capabilities) {
    // An OAuth 2.0 account's secret is an access token: it goes only to a
    // bearer mechanism, never to LOGIN.
    if (options.use_auth || options.oauth) {
        std::string offered = "CAPABILITY " + capabilities + "\r\n";
        return sasl_login(imap_sasl, s, offered.c_str(), user, password, options.encrypted_only, options.oauth);
    }
    if (imap_has(capabilities, "LOGINDISABLED")) {
        s.status.error("IMAP server does not support LOGIN.\r\n");
        return -1;
    }
    ImapCommand command;
    command.literal_plus = imap_has(capabilities, "LITERAL+");
    command.word("LOGIN").string(user).string(password);
    return imap_run(s, command) == IMAP_OK ? 0 : -1;
}

// STARTTLS (RFC 3501 section 6.2.1): listed, accepted, nothing behind the
// go-ahead, then the handshake. What the server said before it is
// forgotten.
int start_tls(MailSession& s, const char* host, std::string* capabilities) {
    if (capabilities->empty() && imap_capability(s, capabilities) != 0) return -1;
    if (!imap_has(*capabilities, "STARTTLS")) {
        s.status.error(("CAPABILITY " + *capabilities + "\r\n").c_str());
        s.status.error("IMAP server does not support STARTTLS.\r\n");
        return -1;
    }
    if (imap_run(s, ImapCommand().word("STARTTLS")) != IMAP_OK) return -1;
    if (!go_ahead_alone(s) || tls_begin(s, host) != 0) return -1;
    capabilities->clear();
    return 0;
}

int open_session(MailSession& s, const char* host, const char* user, const char* password, LoginOptions options,
                 std::string* capabilities) {
    // Nothing is sent on a connection that could not be secured.
    if (options.tls == TLS_IMPLICIT && tls_begin(s, host) != 0) return -1;
    ImapResponse greeting;
    if (imap_read_response(s, &greeting) != 0) return -1;
    if (greeting.kind == ImapResponse::UNTAGGED && greeting.name == "BYE") {
        imap_ended(s, greeting);
        return -1;
    }
    bool preauth = greeting.name == "PREAUTH";
    if (greeting.kind != ImapResponse::UNTAGGED || (greeting.name != "OK" && !preauth)) {
        s.status.error(imap_response_line(greeting).c_str());
        s.status.error("\r\nIncorrect response from server.\r\n");
        return -1;
    }
    capability_code(greeting.text, capabilities);
    if (options.tls == TLS_UPGRADE) {
        // A session that begins logged in has no room for STARTTLS, and
        // without it nothing may be said in plain.
        if (preauth) {
            s.status.error("IMAP server does not support STARTTLS.\r\n");
            return -1;
        }
        if (start_tls(s, host, capabilities) != 0) return -1;
    }
    if (capabilities->empty() && imap_capability(s, capabilities) != 0) return -1;
    if (!preauth && login(s, user, password, options, *capabilities) != 0) return -1;
    // The list may grow with the login (RFC 3501 section 7.2.1).
    return imap_capability(s, capabilities);
}

}  // namespace

int imap_login(MailSession& s, const char* server, const char* user, const char* password, LoginOptions options,
               std::string* capabilities) {
    capabilities->clear();
    Array* host = array_new(server_text_capacity);
    array_copy(host, server);
    int result = -1;
    if (options.oauth && options.tls == TLS_NONE) {
        // Refused before connecting: not even the user name goes out plain.
        s.status.error(oauth_needs_tls_text);
    } else if (connect_mail_server(s, host, imap_default_port(options.tls), "IMAP") == 0) {
        result = open_session(s, host->text, user, password, options, capabilities);
    }
    delete_arrays(host);
    return result;
}

int imap_capability(MailSession& s, std::string* capabilities) {
    capabilities->clear();
    return imap_run(s, ImapCommand().word("CAPABILITY"), [capabilities](const ImapResponse& r) {
               if (r.name != "CAPABILITY") return;
               capabilities->clear();
               for (const ImapItem& item : r.data.items) {
                   if (item.kind != ImapItem::ATOM) continue;
                   if (!capabilities->empty()) *capabilities += ' ';
                   *capabilities += item.text;
               }
           }) == IMAP_OK
               ? 0
               : -1;
}

int imap_select(MailSession& s, std::string_view folder, bool examine, ImapFolder* out) {
    *out = ImapFolder();
    std::string wire;
    if (!imap_utf7_encode(folder, &wire) || wire.empty()) {
        s.status.error("Invalid IMAP folder name.\r\n");
        return -1;
    }
    bool valid = false;
    ImapCommand command;
    command.word(examine ? "EXAMINE" : "SELECT").string(wire);
    int r = imap_run(s, command, [&](const ImapResponse& u) {
        if (u.name == "EXISTS" && u.number >= 0 && u.number <= std::numeric_limits<uint32_t>::max()) {
            out->exists = static_cast<uint32_t>(u.number);
        } else if (u.name == "OK") {
            if (imap_code_number(u.text, "UIDVALIDITY", &out->uidvalidity)) valid = out->uidvalidity != 0;
            imap_code_number(u.text, "UIDNEXT", &out->uidnext);
        }
    });
    if (r == IMAP_REFUSED) return imap_select_refused;
    if (r != IMAP_OK) return -1;
    if (!valid) {
        s.status.error("IMAP server did not give the folder's UIDVALIDITY.\r\n");
        return -1;
    }
    return 0;
}

int imap_list_above(MailSession& s, uint32_t above, size_t most, std::vector<ImapMessage>* out) {
    out->clear();
    if (above == std::numeric_limits<uint32_t>::max()) return 0;
    ImapCommand command;
    // "n:*" names the highest message even when its UID is below n, so
    // every answer is checked against `above`.
    command.word("UID FETCH").word(std::to_string(above + 1) + ":*").word("(UID RFC822.SIZE)");
    int r = imap_run(s, command, [&](const ImapResponse& u) {
        const ImapItem* uid = imap_fetch_item(u, "UID");
        const ImapItem* size = imap_fetch_item(u, "RFC822.SIZE");
        unsigned long long id, bytes;
        if (!uid || !size || !imap_number(*uid, std::numeric_limits<uint32_t>::max(), &id) ||
            !imap_number(*size, static_cast<unsigned long long>(imap_body_limit), &bytes) || id <= above ||
            out->size() >= most)
            return;
        out->push_back({static_cast<uint32_t>(id), static_cast<long long>(bytes)});
    });
    std::sort(out->begin(), out->end(), [](const ImapMessage& a, const ImapMessage& b) { return a.uid < b.uid; });
    out->erase(std::unique(out->begin(), out->end(),
                           [](const ImapMessage& a, const ImapMessage& b) { return a.uid == b.uid; }),
               out->end());
    return r == IMAP_OK ? 0 : -1;
}

std::string imap_uid_set(std::vector<uint32_t> uids) {
    std::sort(uids.begin(), uids.end());
    uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
    std::string set;
    for (size_t i = 0; i < uids.size();) {
        size_t j = i;
        while (j + 1 < uids.size() && uids[j + 1] == uids[j] + 1) j++;
        if (!set.empty()) set += ',';
        set += std::to_string(uids[i]);
        if (j > i) set += ":" + std::to_string(uids[j]);
        i = j + 1;
    }
    return set;
}

int imap_delete_messages(MailSession& s, const std::vector<uint32_t>& uids, bool uidplus) {
    // A few hundred UIDs a command keep every line far below what servers
    // take (8 KB at the least, RFC 7162 section 4).
    constexpr size_t batch = 200;
    for (size_t at = 0; at < uids.size(); at += batch) {
        std::vector<uint32_t> part(uids.begin() + static_cast<long>(at),
                                   uids.begin() + static_cast<long>(std::min(uids.size(), at + batch)));
        std::string set = imap_uid_set(part);
        if (imap_run(s, ImapCommand().word("UID STORE").word(set).word("+FLAGS.SILENT (\\Deleted)")) != IMAP_OK)
            return -1;
        if (uidplus && imap_run(s, ImapCommand().word("UID EXPUNGE").word(set)) != IMAP_OK) return -1;
    }
    return 0;
}

int imap_logout(MailSession& s) {
    // A server that stopped answering hears nothing more.
    int result = s.timed_out() || !s.is_open() ? -1 : imap_run(s, ImapCommand().word("LOGOUT"), {}, nullptr, true);
    s.close();
    return result == IMAP_OK ? 0 : -1;
}
