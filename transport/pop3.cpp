#include "transport/pop3.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "format/text_search.h"
#include "transport/connect.h"
#include "transport/socket_lines.h"
#include "transport/stream.h"
#include "transport/tls.h"

namespace {

// Reads a reply line by line, up to its dot line (or its first line when
// that begins with "-"); whatever came behind it is left for the next
// reply. `visit` gets each line with its line end, at most line_kept bytes
// of it, and the first line's flag; it returns false to end the reading as
// a failure. A closed or failed connection fails too.
template <class Visit>
int read_reply_lines(Socket s, Visit visit) {
    char line[line_kept + 1];
    size_t length = 0;
    bool first_line = true;
    ReplyBytes bytes(s);
    for (;;) {
        char c;
        if (!bytes.next(&c)) return -1;
        if (length < line_kept) line[length++] = c;
        if (c != '\n') continue;
        line[length] = 0;
        if (!visit(line, first_line)) return -1;
        if ((first_line && line[0] == '-') || line[0] == '.') return 0;
        first_line = false;
        length = 0;
    }
}

// Reads the reply to AUTH into `reply`, whole.
int read_auth_list(Socket s, Array* reply) {
    array_clear(reply);
    size_t length = 0;
    return read_reply_lines(s, [&](const char* line, bool) {
        size_t n = std::strlen(line);
        // A list that no longer fits cannot end in a dot line we could see.
        if (length + n > line_kept) return false;
        std::memcpy(reply->chars + length, line, n);
        length += n;
        return true;
    });
}

// STLS (RFC 2595) after the greeting: the server's "+" and nothing behind
// it, then the handshake.
int start_tls(Socket s, WindowRef window, Array* reply, const char* host) {
    if (send_pop3_command(s, "stls\r\n", window, true) != 0) return -1;
    if (recv_line(s, reply, nullptr) != 0) {
        status_append(window, "receiveline error\r\n");
        return -1;
    }
    if (reply->text[0] != '+') {
        status_append(window, reply->text);
        status_append(window, "POP3 server does not support STLS.\r\n");
        return -1;
    }
    // The line was read in chunks: what came with it is still in the buffer.
    const char* end = std::strchr(reply->text, '\n');
    if (!go_ahead_alone(s, end ? end + 1 : "", window)) return -1;
    return tls_begin(s, host, window);
}

}  // namespace

int pop3_login(Socket s, WindowRef window, Array* reply, Array* command, const char* server, const char* user,
               const char* password, LoginOptions options) {
    Array* host = array_new(server_text_capacity);
    array_copy(host, server);
    int port = split_server_port(host, pop3_default_port(options.tls));
    NetAddress address;
    int result = -1;
    if (port == 0) {
        status_append(window, "Invalid POP3 port number.\r\n");
    } else if (resolve_server(host->text, &address.address) != 0) {
        status_append(window, "Cannot resolve POP3 server name.\r\nSee readme file for explanation.\r\n");
    } else if (address.port = port_to_network(port), net_connect(s, address) != 0) {
        status_append(window, "Cannot connect to POP3 server.\r\nSee readme file for explanation.\r\n");
    } else {
        status_append(window, "Connected to server.\r\n");
        if (options.tls == TLS_IMPLICIT && tls_begin(s, host->text, window) != 0) {
            // Nothing is sent on a connection that could not be secured.
        } else if (recv_line(s, reply, nullptr) != 0) {
            status_append(window, "receiveline error\r\n");
        } else if (options.tls == TLS_UPGRADE && start_tls(s, window, reply, host->text) != 0) {
            // Nor on one whose upgrade failed: no fallback to plain.
        } else if (!options.use_auth) {
            array_printf(command, "user %.80s\r\n", user);
            if (send_pop3_command(s, command->text, window, false) == 0) {
                array_printf(command, "pass %.80s\r\n", password);
                if (send_pop3_command(s, command->text, window, false) == 0) result = 0;
            }
        } else if (send_pop3_command(s, "auth\r\n", window, true) == 0) {
            if (read_auth_list(s, reply) != 0) {
                status_append(window, "receiveline error\r\n");
            } else if (reply->text[0] == '-') {
                status_append(window, reply->text);
                status_append(window, "POP3 server does not support authentication.\r\n");
            } else {
                result = sasl_login(pop3_sasl, window, s, reply->text, user, password, options.encrypted_only);
            }
        }
    }
    array_clear(reply);
    delete_arrays(host);
    return result;
}

int pop3_list(Socket s, WindowRef window, Array* sizes) {
    if (send_pop3_command(s, "list\r\n", window, true) != 0) return -1;
    char last[5] = {};
    int line_feeds = 0;
    int stored = 0;
    bool in_size = false;
    char field[1000];
    int field_length = 0;
    bool first_byte = true;
    ReplyBytes bytes(s);
    for (;;) {
        char c;
        if (!bytes.next(&c)) return -1;  // closed before the end
        // An error instead of a listing is the whole reply.
        if (first_byte && c == '-') {
            bytes.give_back();
            Array* rest = array_new(line_capacity);
            recv_line(s, rest, nullptr);
            status_append(window, "-");
            status_append(window, rest->text);
            delete_arrays(rest);
            return -1;
        }
        first_byte = false;
        std::memmove(last, last + 1, 4);
        last[4] = c;
        if (c == '\n') line_feeds++;
        if (sizes && line_feeds >= 1) {
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
        if (std::memcmp(last, "\r\n.\r\n", 5) == 0) break;
    }
    return line_feeds - 2;
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

int pop3_uidl(Socket s, WindowRef window, int count, std::vector<std::string>* ids) {
    ids->assign(static_cast<size_t>(count), std::string());
    if (send_pop3_command(s, "uidl\r\n", window, true) != 0) return UIDL_FAILED;
    bool refused = false, malformed = false;
    std::unordered_set<std::string> taken;
    int result = read_reply_lines(s, [&](const char* line, bool first) {
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

int pop3_uidl_one(Socket s, WindowRef window, int number, std::string* id) {
    id->clear();
    Array* text = array_new(40);
    array_printf(text, "uidl %i\r\n", number);
    int result = send_pop3_command(s, text->text, window, true);
    delete_arrays(text);
    if (result != 0) return UIDL_FAILED;
    Array* reply = array_new(line_capacity);
    result = recv_line(s, reply, nullptr) != 0 ? UIDL_FAILED : UIDL_REFUSED;
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

bool pop3_pipelining(Socket s, WindowRef window) {
    if (send_pop3_command(s, "capa\r\n", window, true) != 0) return false;
    bool announced = false;
    int result = read_reply_lines(s, [&](const char* line, bool first) {
        if (!first && find_text_nocase(line, "PIPELINING") == line) announced = true;
        return true;
    });
    return result == 0 && announced;
}

int pop3_quit(Socket s, WindowRef window) {
    // A server that stopped answering hears nothing more, and so keeps
    // every message of the session.
    int result = stream_timed_out(s) ? -1 : send_pop3_command(s, "quit\r\n", window, false);
    stream_close(s);
    return result;
}
