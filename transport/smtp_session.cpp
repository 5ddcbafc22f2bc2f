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
#include "transport/login_secret.h"
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
    bool logged_in = account_login(p, plan.account, [&](const char* secret, bool again) {
                         if (again && !p.open()) return -1;
                         return pop3_login(p, reply, command, account_text(plan.account, ACCOUNT_POP3_SERVER),
                                           account_text(plan.account, ACCOUNT_USER), secret, login);
                     }) == LOGIN_OK &&
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
    s.name_server(host, port);
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
        // SMTP takes another AUTH after a refused one (RFC 4954), so the
        // second try goes on the same connection.
        if (result == 0)
            result = account_login(s, plan.account, [&](const char* secret, bool) {
                return sasl_login(smtp_sasl, s, ehlo->text, account_text(plan.account, ACCOUNT_USER), secret,
                                  login.encrypted_only, login.oauth);
            }) == LOGIN_OK ? 0 : -1;
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

// What became of a transaction, and of the connection it went over.
enum { SENT = 0, REFUSED = -1, BROKEN = -2 };

// A step that failed refused the transaction, unless the connection went.
int failed(const MailSession& s) { return s.broken() ? BROKEN : REFUSED; }

// DATA, the sending copy and the server's verdict on it.
int send_message(MailSession& s, const char* copy, int recipients) {
    if (smtp_command(s, "data\r\n", false) != 0) return failed(s);
    int64_t size = sys_file_size(copy);
    if (size < 0) size = 0;
    Array* line = array_new(line_capacity);
    array_printf(line, recipients == 1 ? "Sending %.1f KB to %i recipient.\r\n" : "Sending %.1f KB to %i recipients.\r\n",
                 static_cast<double>(size) / 1024.0, recipients);
    s.status.line(line->text);
    // A body that did not go out whole leaves the server reading data: the
    // connection is of no more use.
    int result = BROKEN;
    if (std::FILE* f = sys_fopen(copy, "rb")) {
        s.status.hold_file(f);
        if (smtp_send_body(s, f, size) == 0) result = SENT;
        s.status.hold_file(nullptr);
        std::fclose(f);
    }
    // Only a 2xx reply to the end of the data means the server took the
    // message.
    if (result == SENT) {
        if (smtp_command_reply(s, "", line) != 0) {
            result = BROKEN;
        } else if (line->text[0] != '2') {
            s.status.error(line->text);
            result = REFUSED;
        }
    }
    delete_arrays(line);
    return result;
}

// Connected, secured as asked, greeted and logged in. 0 or -1.
int open_connection(MailSession& s, const SendPlan& plan, int port) {
    if ((plan.options & ACCOUNT_OAUTH) && smtp_tls_mode(plan.options) == TLS_NONE) {
        s.status.error(oauth_needs_tls_text);
        return -1;
    }
    if (connect_to_server(s, plan.server->text, port) != 0) return -1;
    if (smtp_tls_mode(plan.options) == TLS_IMPLICIT && tls_begin(s, plan.server->text) != 0) return -1;
    return open_session(s, plan);
}

// One message over the open connection: SENT, REFUSED or BROKEN.
int transaction(MailSession& s, const SendPlan& plan, const char* copy) {
    int recipients = send_envelope(s, plan);
    if (recipients < 0) return failed(s);
    return send_message(s, copy, recipients);
}

}  // namespace

SmtpConnection::SmtpConnection(StatusSink& status)
    : status_(status), session_(status), copy_(array_new(100)) {}

SmtpConnection::~SmtpConnection() {
    close();
    delete_arrays(copy_);
}

int SmtpConnection::send(const char* path) {
    SendPlan* plan = send_plan_new();
    int result = read_send_plan(status_, path, plan) == 0 ? send_planned(path, plan) : -1;
    save_copy_ = result == 0 && (plan->options & SEND_SAVE_SENT_ITEM);
    send_plan_delete(plan);
    return result;
}

int SmtpConnection::send_planned(const char* path, SendPlan* plan) {
    int port = split_server_port(plan->server, smtp_default_port(smtp_tls_mode(plan->options)));
    if (port == 0) {
        status_.error("Port error.\r\n");
        return -1;
    }
    status_.progress_reset(1);
    temp_file_name(copy_, "out", status_.scratch_number());
    if (make_sending_copy(status_, path, copy_->text) != 0) return -1;
    // The connection serves the next message when it names the same
    // server, account and way of logging in.
    char key[server_text_capacity + 40];
    std::snprintf(key, sizeof key, "%s:%i|%i|%i", plan->server->text, port, plan->account,
                  plan->options & ~SEND_SAVE_SENT_ITEM);
    if (session_.is_open() && key_ != key) quit();
    // The last transaction went wrong: the server forgets it before the next.
    if (session_.is_open() && reset_due_ && smtp_command(session_, "rset\r\n", false) != 0) close();
    reset_due_ = false;
    if (!session_.is_open()) {
        if ((plan->options & ACCOUNT_POP_BEFORE_SMTP) && pop_before_smtp(status_, *plan) != 0) return -1;
        if (!session_.open()) {
            status_.error("Cannot create socket.\r\n");
            return -1;
        }
        if (open_connection(session_, *plan, port) != 0) {
            close();
            return -1;
        }
        key_ = key;
    }
    int result = transaction(session_, *plan, copy_->text);
    if (result == SENT) return 0;
    if (result == BROKEN) close();
    reset_due_ = result == REFUSED;
    return -1;
}

void SmtpConnection::quit() {
    // The message is the server's once accepted: a QUIT that goes wrong is
    // shown, but changes nothing. A cancelled job or a broken connection
    // says nothing more.
    if (session_.is_open() && !session_.broken() && !status_.cancelled()) smtp_command(session_, "quit\r\n", false);
    close();
}

void SmtpConnection::close() {
    session_.close();
    key_.clear();
    reset_due_ = false;
}

int smtp_send_file(StatusSink& w, const char* path, SentItems* sent) {
    SmtpConnection connection(w);
    int result = connection.send(path);
    // One message, one connection: a refused one is not reset but left.
    if (result == 0)
        connection.quit();
    else
        connection.close();
    if (connection.wants_sent_item()) {
        SentItems own;
        save_sent_item(w, connection.sending_copy(), sent ? sent : &own);
    }
    return result;
}
