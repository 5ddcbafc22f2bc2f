#include "transport/pop3.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "format/text_search.h"
#include "transport/connect.h"
#include "transport/socket_lines.h"
#include "transport/tls.h"

namespace {

// Reads the reply to AUTH into `reply`, whole.
int read_auth_list(MailSession& s, Array* reply) {
    array_clear(reply);
    int kept = 0;
    return read_reply(s, ReplyShape::pop3, line_kept, [&](const char* line, int length, bool) {
        // A list that no longer fits cannot end in a dot line we could see.
        if (kept + length > line_kept) return false;
        std::memcpy(reply->chars + kept, line, static_cast<size_t>(length));
        kept += length;
        return true;
    });
}

// STLS (RFC 2595) after the greeting: the server's "+" and nothing behind
// it, then the handshake.
int start_tls(MailSession& s, Array* reply, const char* host) {
    if (send_pop3_command(s, "stls\r\n", true) != 0) return -1;
    if (recv_line(s, reply) != 0) {
        s.status.error("receiveline error\r\n");
        return -1;
    }
    if (reply->text[0] != '+') {
        s.status.error(reply->text);
        s.status.error("POP3 server does not support STLS.\r\n");
        return -1;
    }
    if (!go_ahead_alone(s)) return -1;
    return tls_begin(s, host);
}

}  // namespace

int pop3_login(MailSession& s, Array* reply, Array* command, const char* server, const char* user,
               const char* password, LoginOptions options) {
    Array* host = array_new(server_text_capacity);
    array_copy(host, server);
    int result = -1;
    if (options.oauth && options.tls == TLS_NONE) {
        // Refused before connecting: not even the user name goes out plain.
        s.status.error(oauth_needs_tls_text);
    } else if (connect_mail_server(s, host, pop3_default_port(options.tls), "POP3") == 0) {
        if (options.tls == TLS_IMPLICIT && tls_begin(s, host->text) != 0) {
            // Nothing is sent on a connection that could not be secured.
        } else if (recv_line(s, reply) != 0) {
            s.status.error("receiveline error\r\n");
        } else if (options.tls == TLS_UPGRADE && start_tls(s, reply, host->text) != 0) {
            // Nor on one whose upgrade failed: no fallback to plain.
        } else if (!options.use_auth && !options.oauth) {
            array_printf(command, "user %.80s\r\n", user);
            if (send_pop3_command(s, command->text, false) == 0) {
                array_printf(command, "pass %.80s\r\n", password);
                if (send_pop3_command(s, command->text, false) == 0) result = 0;
            }
        } else if (send_pop3_command(s, "auth\r\n", true) == 0) {
            if (read_auth_list(s, reply) != 0) {
                s.status.error("receiveline error\r\n");
            } else if (reply->text[0] == '-') {
                s.status.error(reply->text);
                s.status.error("POP3 server does not support authentication.\r\n");
            } else {
                result = sasl_login(pop3_sasl, s, reply->text, user, password, options.encrypted_only, options.oauth);
            }
        }
    }
    array_clear(reply);
    delete_arrays(host);
    return result;
}

int pop3_list(MailSession& s, Array* sizes) {
    if (send_pop3_command(s, "list\r\n", true) != 0) return -1;
    int lines = 0;
    int stored = 0;
    bool in_size = false;
    char field[1000];
    int field_length = 0;
    bool refused = false;
    // The listing's lines up to its dot line; an error instead of a listing
    // is the whole reply. Each size is the text after a line's first space,
    // blanks left out, up to its carriage return.
    int result = read_reply(s, ReplyShape::pop3, line_kept, [&](const char* line, int length, bool first) {
        lines++;
        if (first) {
            refused = line[0] == '-';
            if (refused) s.status.error(line);
            return true;
        }
        for (int i = 0; sizes && i < length; i++) {
            char c = line[i];
            if (c == ' ' && !in_size) {
                in_size = true;
                field_length = 0;
            } else if (c == '\r' && in_size) {
                field[field_length] = 0;
                if (stored < pop3_max_sizes) array_set_int32(sizes, stored++, std::atoi(field));
                in_size = false;
            } else if (in_size && c != ' ' && field_length < 999) {
                field[field_length++] = c;
            }
        }
        return true;
    });
    if (result != 0 || refused) return -1;  // closed before the end, or refused
    return lines - 2;
}

namespace {

// One line of a UIDL listing, "number id" and its line end, into the table;
// false when it is malformed.
bool take_uidl_line(const char* line, int count, std::vector<std::string>* ids,
                    std::unordered_set<std::string>* taken) {
    std::string_view text(line);
    if (!text.ends_with("\r\n")) return false;  // cut at line_kept, or a bare line feed
    text.remove_suffix(2);
    size_t space = text.find(' ');
    if (space == 0 || space == std::string_view::npos || space > 9) return false;
    int number = 0;
    for (char c : text.substr(0, space)) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    std::string_view id = text.substr(space + 1);
    if (number < 1 || number > count || !(*ids)[number - 1].empty() || !uidl_id_valid(id)) return false;
    if (!taken->emplace(id).second) return false;  // two messages, one id
    (*ids)[number - 1] = id;
    return true;
}

}  // namespace

int pop3_uidl(MailSession& s, int count, std::vector<std::string>* ids) {
    ids->assign(static_cast<size_t>(count), std::string());
    if (send_pop3_command(s, "uidl\r\n", true) != 0) return UIDL_FAILED;
    bool refused = false, malformed = false;
    std::unordered_set<std::string> taken;
    int result = read_reply(s, ReplyShape::pop3, line_kept, [&](const char* line, int, bool first) {
        if (first) {
            if (line[0] == '-') refused = true;
            // A status line that is neither answers some other command.
            return line[0] == '+' || line[0] == '-';
        }
        if (line[0] == '.') return true;
        // Read on to the dot line, but keep nothing more: the table never
        // holds more than the listing's count.
        if (!malformed && !take_uidl_line(line, count, ids, &taken)) malformed = true;
        return true;
    });
    if (result != 0) return UIDL_FAILED;
    if (!refused && !malformed && static_cast<int>(taken.size()) == count) return UIDL_LISTED;
    ids->clear();
    return UIDL_REFUSED;
}

int pop3_uidl_one(MailSession& s, int number, std::string* id) {
    id->clear();
    Array* text = array_new(40);
    array_printf(text, "uidl %i\r\n", number);
    int result = send_pop3_command(s, text->text, true);
    delete_arrays(text);
    if (result != 0) return UIDL_FAILED;
    Array* reply = array_new(line_capacity);
    result = recv_line(s, reply) != 0 ? UIDL_FAILED : UIDL_REFUSED;
    std::vector<std::string> ids(static_cast<size_t>(number));
    std::unordered_set<std::string> taken;
    // "+OK number id": the text after the status word is a listing's line.
    if (result == UIDL_REFUSED && std::strncmp(reply->text, "+OK ", 4) == 0 &&
        take_uidl_line(reply->text + 4, number, &ids, &taken) && !ids[static_cast<size_t>(number) - 1].empty()) {
        *id = ids[static_cast<size_t>(number) - 1];
        result = UIDL_LISTED;
    }
    delete_arrays(reply);
    return result;
}

bool pop3_pipelining(MailSession& s) {
    if (send_pop3_command(s, "capa\r\n", true) != 0) return false;
    bool announced = false;
    int result = read_reply(s, ReplyShape::pop3, line_kept, [&](const char* line, int, bool first) {
        if (!first && find_text_nocase(line, "PIPELINING") == line) announced = true;
        return true;
    });
    return result == 0 && announced;
}

int pop3_quit(MailSession& s) {
    // A server that stopped answering hears nothing more, and so keeps
    // every message of the session.
    int result = s.timed_out() ? -1 : send_pop3_command(s, "quit\r\n", false);
    s.close();
    return result;
}
