#include "transport/smtp_session.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/accounts.h"
#include "core/arrays.h"
#include "core/sys_files.h"
#include "core/sys_time.h"
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
int make_sending_copy(StatusSink& w, const char* path, const char* copy) {
    if (sys_copy_file(path, copy, false) != 0) {
        w.error("CopyFile error.\r\n");
        return -1;
    }
    for (int pass = 0; pass < 8; pass++) {
        if (strip_private_fields(w.scratch_number(), copy) != 0) break;
        if (!has_private_field(copy)) return 0;
    }
    w.error("StripZMFields error.\r\n");
    return -1;
}

int pop_before_smtp(StatusSink& w, const SendPlan& plan) {
    MailSession p(w);
    if (!p.open()) {
        w.error("Cannot create socket.\r\n");
        return -1;
    }
    Array* reply = array_new(line_capacity);
    Array* command = array_new(line_capacity);
    // The POP3 login goes as the account's POP3 sessions go, secured or not.
    LoginOptions login = account_login_options(plan.options, ACCOUNT_POP3_AUTH);
    login.tls = pop3_tls_mode(account_options(plan.account));
    bool logged_in = pop3_login(p, reply, command, account_text(plan.account, ACCOUNT_POP3_SERVER),
                                account_text(plan.account, ACCOUNT_USER), account_text(plan.account, ACCOUNT_PASSWORD),
                                login) == 0 &&
                     send_pop3_command(p, "quit\r\n", false) == 0;
    delete_arrays(reply, command);
    p.close();
    if (!logged_in) return -1;
    w.line("POP3 authorisation successful.\r\n");
    return 0;
}

int connect_to_server(MailSession& s, const char* host, int port) {
    NetAddress target;
    target.port = port_to_network(port);
    if (!parse_ipv4(host, &target.address)) {
        s.status.line("Hostname entered.\r\n");
        if (resolve_server(host, &target.address) != 0) {
            s.status.error("Cannot resolve!\r\n");
            return -1;
        }
    }
    if (net_connect(s, target) != 0) {
        s.status.error("Cannot connect to server.\r\n");
        return -1;
    }
    s.status.line("Connected to server.\r\n");
    return 0;
}

// STARTTLS (RFC 3207): EHLO must list it, the go-ahead must be 220 with
// nothing behind it, then the handshake. The session then starts over at
// HELO or EHLO, without a second greeting.
int start_tls(MailSession& s, int name, const char* host) {
    Array* reply = array_new(line_capacity);
    Array* line = array_new(line_capacity);
    array_printf(line, "ehlo %.5i\r\n", name);
    int result = smtp_command_reply(s, line->text, reply);
    if (result == 0 && (reply->text[0] != '2' || !smtp_reply_lists(reply->text, "STARTTLS"))) {
        s.status.error(reply->text);
        s.status.error("SMTP server does not support STARTTLS.\r\n");
        result = -1;
    }
    if (result == 0) result = smtp_command_reply(s, "starttls\r\n", reply);
    if (result == 0 && std::strncmp(reply->text, "220", 3) != 0) {
        s.status.error(reply->text);
        s.status.error("SMTP server does not support STARTTLS.\r\n");
        result = -1;
    }
    if (result == 0 && !go_ahead_alone(s)) result = -1;
    if (result == 0) result = tls_begin(s, host);
    delete_arrays(reply, line);
    return result;
}

// Greeting, HELO or EHLO with the login.
int open_session(MailSession& s, const SendPlan& plan) {
    if (smtp_command(s, "", false) != 0) return -1;
    // The client's name in HELO or EHLO: five digits.
    std::srand(static_cast<unsigned>(std::time(nullptr)) ^ sys_tick_count());
    int name = std::rand() % 100000;
    LoginOptions login = account_login_options(plan.options, ACCOUNT_SMTP_AUTH);
    if (login.tls == TLS_UPGRADE && start_tls(s, name, plan.server->text) != 0) return -1;
    Array* line = array_new(line_capacity);
    int result;
    if (!login.use_auth) {
        array_printf(line, "helo %.5i\r\n", name);
        result = smtp_command(s, line->text, false);
    } else {
        Array* ehlo = array_new(line_capacity);
        array_printf(line, "ehlo %.5i\r\n", name);
        result = smtp_command_reply(s, line->text, ehlo);
        // A server that refuses EHLO has no extensions to offer.
        if (result == 0 && ehlo->text[0] != '2') {
            s.status.error(ehlo->text);
            result = -1;
        }
        if (result == 0)
            result = sasl_login(smtp_sasl, s, ehlo->text, account_text(plan.account, ACCOUNT_USER),
                                account_text(plan.account, ACCOUNT_PASSWORD), login.encrypted_only);
        delete_arrays(ehlo);
    }
    delete_arrays(line);
    return result;
}

// MAIL FROM and RCPT TO; the number of accepted recipients, or -1 at the
// first refusal.
int send_envelope(MailSession& s, const SendPlan& plan) {
    Array* line = array_new(line_capacity);
    array_printf(line, "mail from:<%s>\r\n", plan.address->text);
    int accepted = smtp_command(s, line->text, false) == 0 ? 0 : -1;
    for (int i = 0; accepted >= 0 && i < plan.recipients->count; i++) {
        const char* recipient = plan.recipients->items[i]->text;
        if (!recipient[0]) break;
        array_clear(line);
        // Every address whole: a cut one is mail to somebody else.
        array_printf(line, "rcpt to:<%s>\r\n", recipient);
        accepted = smtp_command(s, line->text, false) == 0 ? accepted + 1 : -1;
    }
    delete_arrays(line);
    return accepted;
}

// DATA, the sending copy and the server's verdict on it.
int send_message(MailSession& s, const char* copy, int recipients) {
    if (smtp_command(s, "data\r\n", false) != 0) return -1;
    int64_t size = sys_file_size(copy);
    if (size < 0) size = 0;
    Array* line = array_new(line_capacity);
    array_printf(line, recipients == 1 ? "Sending %.1f KB to %i recipient.\r\n" : "Sending %.1f KB to %i recipients.\r\n",
                 static_cast<double>(size) / 1024.0, recipients);
    s.status.line(line->text);
    int result = -1;
    if (std::FILE* f = sys_fopen(copy, "rb")) {
        s.status.hold_file(f);
        result = smtp_send_body(s, f, size);
        s.status.hold_file(nullptr);
        std::fclose(f);
    }
    // Only a 2xx reply to the end of the data means the server took the
    // message.
    if (result == 0 && smtp_command_reply(s, "", line) == 0) {
        if (line->text[0] != '2') {
            s.status.error(line->text);
            result = -1;
        }
    } else {
        result = -1;
    }
    delete_arrays(line);
    return result;
}

int run_session(MailSession& s, const SendPlan& plan, int port, const char* copy) {
    if (connect_to_server(s, plan.server->text, port) != 0) return -1;
    if (smtp_tls_mode(plan.options) == TLS_IMPLICIT && tls_begin(s, plan.server->text) != 0) return -1;
    if (open_session(s, plan) != 0) return -1;
    int recipients = send_envelope(s, plan);
    if (recipients < 0) return -1;
    if (send_message(s, copy, recipients) != 0) return -1;
    // The message is the server's now: a QUIT that goes wrong is shown, but
    // the message counts as sent, or it would be sent again.
    smtp_command(s, "quit\r\n", false);
    return 0;
}

}  // namespace

int smtp_send_file(StatusSink& w, const char* path, SentItems* sent) {
    SendPlan* plan = send_plan_new();
    Array* copy = array_new(100);
    int result = -1;
    if (read_send_plan(w, path, plan) == 0) {
        int port = split_server_port(plan->server, smtp_default_port(smtp_tls_mode(plan->options)));
        if (port == 0) {
            w.error("Port error.\r\n");
        } else {
            w.progress_reset(1);
            temp_file_name(copy, "out", w.scratch_number());
            if (make_sending_copy(w, path, copy->text) == 0 &&
                (!(plan->options & ACCOUNT_POP_BEFORE_SMTP) || pop_before_smtp(w, *plan) == 0)) {
                MailSession s(w);
                if (!s.open()) {
                    w.error("Cannot create socket.\r\n");
                } else {
                    result = run_session(s, *plan, port, copy->text);
                    s.close();
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
