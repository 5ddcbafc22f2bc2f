#include "transport/smtp_session.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/accounts.h"
#include "core/arrays.h"
#include "core/sys_files.h"
#include "core/sys_time.h"
#include "core/window_number.h"
#include "format/header_edit.h"
#include "format/header_fields.h"
#include "format/temp_files.h"
#include "transport/connect.h"
#include "transport/sent_items.h"
#include "transport/smtp_data.h"
#include "transport/pop3.h"
#include "transport/sasl.h"
#include "transport/smtp_plan.h"
#include "transport/smtp_reply.h"
#include "transport/socket_lines.h"
#include "transport/socks_config.h"
#include "transport/stream.h"
#include "transport/tls.h"


namespace {

const char* const private_names[] = {"X-ZMMark",    "X-ZMRead",       "X-ZMServer", "X-ZMAccountIndex",
                                     "X-ZMAddress", "X-ZMRecipients", "X-ZMOpts"};

bool has_private_field(const char* path) {
    for (const char* name : private_names) {
        int64_t at = 0;
        if (locate_header_field(path, 0, name, FIELD_FIRST, SCOPE_HEADER, &at) == 0) return true;
    }
    return false;
}

// The copy that goes to the server and to sent items. Each private field is
// removed once per pass; a field written twice takes another pass, since
// nothing of them may leave the machine.
int make_sending_copy(WindowRef w, const char* path, const char* copy) {
    if (sys_copy_file(path, copy, false) != 0) {
        status_append(w, "CopyFile error.\r\n");
        return -1;
    }
    for (int pass = 0; pass < 8; pass++) {
        if (strip_private_fields(window_number(w), copy) != 0) break;
        if (!has_private_field(copy)) return 0;
    }
    status_append(w, "StripZMFields error.\r\n");
    return -1;
}

void forget_socket(WindowRef w, Socket s) {
    // Unregistered before it is closed: Cancel must never close a socket
    // number that the system may already have handed to someone else.
    register_socket(w, static_cast<long long>(no_socket));
    stream_close(s);
}

int pop_before_smtp(WindowRef w, const SendPlan& plan) {
    Socket p = open_mail_socket(w);
    if (p == no_socket) {
        status_append(w, "Cannot create socket.\r\n");
        return -1;
    }
    register_socket(w, static_cast<long long>(p));
    Array* reply = array_new(line_capacity);
    Array* command = array_new(line_capacity);
    // The POP3 login goes as the account's POP3 sessions go, secured or not.
    LoginOptions login = account_login_options(plan.options, ACCOUNT_POP3_AUTH);
    login.tls = pop3_tls_mode(account_options(plan.account));
    bool logged_in = pop3_login(p, w, reply, command, account_text(plan.account, ACCOUNT_POP3_SERVER),
                                account_text(plan.account, ACCOUNT_USER), account_text(plan.account, ACCOUNT_PASSWORD),
                                login) == 0 &&
                     send_pop3_command(p, "quit\r\n", w, false) == 0;
    delete_arrays(reply, command);
    forget_socket(w, p);
    if (!logged_in) return -1;
    status_append(w, "POP3 authorisation successful.\r\n");
    return 0;
}

int connect_to_server(WindowRef w, Socket s, const char* host, int port) {
    NetAddress target;
    target.port = port_to_network(port);
    if (!parse_ipv4(host, &target.address)) {
        status_append(w, "Hostname entered.\r\n");
        if (resolve_server(host, &target.address) != 0) {
            status_append(w, "Cannot resolve!\r\n");
            return -1;
        }
    }
    if (net_connect(s, target) != 0) {
        status_append(w, "Cannot connect to server.\r\n");
        return -1;
    }
    status_append(w, "Connected to server.\r\n");
    return 0;
}

// STARTTLS (RFC 3207): EHLO must list it, the go-ahead must be 220 with
// nothing behind it, then the handshake. The session then starts over at
// HELO or EHLO, without a second greeting.
int start_tls(WindowRef w, Socket s, int name, const char* host) {
    Array* reply = array_new(line_capacity);
    Array* line = array_new(line_capacity);
    array_printf(line, "ehlo %.5i\r\n", name);
    int result = smtp_command_reply(s, line->text, w, reply);
    if (result == 0 && (reply->text[0] != '2' || !smtp_reply_lists(reply->text, "STARTTLS"))) {
        status_append(w, reply->text);
        status_append(w, "SMTP server does not support STARTTLS.\r\n");
        result = -1;
    }
    if (result == 0) result = smtp_command_reply(s, "starttls\r\n", w, reply);
    if (result == 0 && std::strncmp(reply->text, "220", 3) != 0) {
        status_append(w, reply->text);
        status_append(w, "SMTP server does not support STARTTLS.\r\n");
        result = -1;
    }
    // The reply was read byte by byte: whatever came behind it waits on
    // the socket.
    if (result == 0 && !go_ahead_alone(s, "", w)) result = -1;
    if (result == 0) result = tls_begin(s, host, w);
    delete_arrays(reply, line);
    return result;
}

// Greeting, HELO or EHLO with the login.
int open_session(WindowRef w, Socket s, const SendPlan& plan) {
    if (smtp_command(s, "", w, false) != 0) return -1;
    // The client's name in HELO or EHLO: five digits.
    std::srand(static_cast<unsigned>(std::time(nullptr)) ^ sys_tick_count());
    int name = std::rand() % 100000;
    LoginOptions login = account_login_options(plan.options, ACCOUNT_SMTP_AUTH);
    if (login.tls == TLS_UPGRADE && start_tls(w, s, name, plan.server->text) != 0) return -1;
    Array* line = array_new(line_capacity);
    int result;
    if (!login.use_auth) {
        array_printf(line, "helo %.5i\r\n", name);
        result = smtp_command(s, line->text, w, false);
    } else {
        Array* ehlo = array_new(line_capacity);
        array_printf(line, "ehlo %.5i\r\n", name);
        result = smtp_command_reply(s, line->text, w, ehlo);
        // A server that refuses EHLO has no extensions to offer.
        if (result == 0 && ehlo->text[0] != '2') {
            status_append(w, ehlo->text);
            result = -1;
        }
        if (result == 0)
            result = sasl_login(smtp_sasl, w, s, ehlo->text, account_text(plan.account, ACCOUNT_USER),
                                account_text(plan.account, ACCOUNT_PASSWORD), login.encrypted_only);
        delete_arrays(ehlo);
    }
    delete_arrays(line);
    return result;
}

// MAIL FROM and RCPT TO; the number of accepted recipients, or -1 at the
// first refusal.
int send_envelope(WindowRef w, Socket s, const SendPlan& plan) {
    Array* line = array_new(line_capacity);
    array_printf(line, "mail from:<%s>\r\n", plan.address->text);
    int accepted = smtp_command(s, line->text, w, false) == 0 ? 0 : -1;
    for (int i = 0; accepted >= 0 && i < plan.recipients->count; i++) {
        const char* recipient = plan.recipients->items[i]->text;
        if (!recipient[0]) break;
        array_clear(line);
        // Every address whole: a cut one is mail to somebody else.
        array_printf(line, "rcpt to:<%s>\r\n", recipient);
        accepted = smtp_command(s, line->text, w, false) == 0 ? accepted + 1 : -1;
    }
    delete_arrays(line);
    return accepted;
}

// DATA, the sending copy and the server's verdict on it.
int send_message(WindowRef w, Socket s, const char* copy, int recipients) {
    if (smtp_command(s, "data\r\n", w, false) != 0) return -1;
    int64_t size = sys_file_size(copy);
    if (size < 0) size = 0;
    Array* line = array_new(line_capacity);
    array_printf(line, recipients == 1 ? "Sending %.1f KB to %i recipient.\r\n" : "Sending %.1f KB to %i recipients.\r\n",
                 static_cast<double>(size) / 1024.0, recipients);
    status_append(w, line->text);
    int result = -1;
    if (std::FILE* f = sys_fopen(copy, "rb")) {
        register_file(w, f);
        result = smtp_send_body(s, f, size, w);
        register_file(w, nullptr);
        std::fclose(f);
    }
    // Only a 2xx reply to the end of the data means the server took the
    // message.
    if (result == 0 && smtp_command_reply(s, "", w, line) == 0) {
        if (line->text[0] != '2') {
            status_append(w, line->text);
            result = -1;
        }
    } else {
        result = -1;
    }
    delete_arrays(line);
    return result;
}

int run_session(WindowRef w, Socket s, const SendPlan& plan, int port, const char* copy) {
    if (connect_to_server(w, s, plan.server->text, port) != 0) return -1;
    if (smtp_tls_mode(plan.options) == TLS_IMPLICIT && tls_begin(s, plan.server->text, w) != 0) return -1;
    if (open_session(w, s, plan) != 0) return -1;
    int recipients = send_envelope(w, s, plan);
    if (recipients < 0) return -1;
    if (send_message(w, s, copy, recipients) != 0) return -1;
    // The message is the server's now: a QUIT that goes wrong is shown, but
    // the message counts as sent, or it would be sent again.
    smtp_command(s, "quit\r\n", w, false);
    return 0;
}

}  // namespace

int smtp_send_file(WindowRef w, const char* path, SentItems* sent) {
    SendPlan* plan = send_plan_new();
    Array* copy = array_new(100);
    int result = -1;
    if (read_send_plan(w, path, plan) == 0) {
        int port = split_server_port(plan->server, smtp_default_port(smtp_tls_mode(plan->options)));
        if (port == 0) {
            status_append(w, "Port error.\r\n");
        } else {
            progress_reset(w, 1);
            temp_file_name(copy, "out", window_number(w));
            if (make_sending_copy(w, path, copy->text) == 0 &&
                (!(plan->options & ACCOUNT_POP_BEFORE_SMTP) || pop_before_smtp(w, *plan) == 0)) {
                Socket s = open_mail_socket(w);
                if (s == no_socket) {
                    status_append(w, "Cannot create socket.\r\n");
                } else {
                    register_socket(w, static_cast<long long>(s));
                    result = run_session(w, s, *plan, port, copy->text);
                    forget_socket(w, s);
                }
            }
        }
    }
    if (result == 0 && (plan->options & SEND_SAVE_SENT_ITEM)) {
        SentItems own;
        save_sent_item(w, copy->text, sent ? sent : &own);
    }
    delete_arrays(copy);
    send_plan_delete(plan);
    return result;
}
