#include "transport/mail_checker.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/accounts.h"
#include "core/ui_services.h"
#include "transport/imap.h"
#include "transport/imap_account.h"
#include "transport/login_secret.h"
#include "transport/pop3.h"
#include "transport/sasl.h"
#include "transport/socket_lines.h"
#include "transport/tls.h"

namespace {

// Room kept in the 1024-byte summary for one more account line.
constexpr int summary_limit = 900;

// The round's text is the summary: the sessions' own texts go to the log
// alone, while their sockets are the hidden window's to abort.
class LogOnly final : public StatusSink {
public:
    explicit LogOnly(StatusSink& window) : window_(window) {}
    void hold_socket(Socket s) override { window_.hold_socket(s); }
    bool cancelled() override { return window_.cancelled(); }

protected:
    void show(const char*, bool) override {}

private:
    StatusSink& window_;
};

// The messages in the account's POP3 mailbox, or -1.
int pop3_waiting(MailSession& s, int a, Array* reply, Array* command) {
    int login = account_login(s, a, [&](const char* secret, bool again) {
        if (again && !s.open_for_tray()) return -1;
        return pop3_login(s, reply, command, account_field(a, ACCOUNT_POP3_SERVER), account_field(a, ACCOUNT_USER),
                          secret,
                          {.use_auth = false,
                           .oauth = (account_options(a) & ACCOUNT_OAUTH) != 0,
                           .tls = pop3_tls_mode(account_options(a))});
    });
    if (login != LOGIN_OK) return -1;
    int n = pop3_list(s, nullptr);
    send_pop3_command(s, "quit\r\n", false);
    return n;
}

// The messages in the account's server INBOX, as POP3 counts its mailbox:
// all of them, whether stored before or not. EXAMINE marks nothing.
int imap_waiting(MailSession& s, int a) {
    std::string capabilities;
    ImapFolder inbox;
    int n = -1;
    if (imap_account_login(s, a, &capabilities, true) == LOGIN_OK && imap_select(s, imap_server_inbox, true, &inbox) == 0)
        n = static_cast<int>(inbox.exists);
    if (s.is_open()) imap_logout(s);
    return n;
}

}  // namespace

void mail_check_begin(MailCheckState* state) {
    state->largest_total = 0;
    state->summary = array_new(1024);
    state->overflow = false;
}

void mail_check_end(MailCheckState* state) {
    delete_arrays(state->summary);
    state->summary = nullptr;
}

int mail_check_round(MailCheckState* state, StatusSink& window) {
    LogOnly status(window);
    Array* reply = array_new(line_capacity);
    Array* command = array_new(line_capacity);
    array_clear(state->summary);
    state->overflow = false;
    int total = 0;
    for (int a = 0; a < account_count(); a++) {
        MailSession s(status);
        if (!s.open_for_tray()) {
            show_message("Could not create socket.");
            total = -1;
            break;
        }
        int n = account_options(a) & ACCOUNT_IMAP ? imap_waiting(s, a) : pop3_waiting(s, a, reply, command);
        if (n > 0) {
            int used = static_cast<int>(std::strlen(state->summary->text));
            if (used < summary_limit) {
                array_printf_at(state->summary, used, "%.80s: %i e-mails\r\n", account_field(a, ACCOUNT_NAME), n);
            } else {
                state->overflow = true;
            }
            total += n;
        }
    }
    if (total >= 0) {
        if (!state->summary->text[0]) array_copy(state->summary, "You have no new mail.");
        if (state->overflow)
            array_printf_at(state->summary, static_cast<int>(std::strlen(state->summary->text)), "%s",
                            "Overflow occured.\r\n");
    }
    delete_arrays(reply, command);
    return total;
}

bool mail_check_rose(MailCheckState* state, int total) {
    if (total <= state->largest_total) return false;
    state->largest_total = total;
    return true;
}

void mail_check_tip(char* out, int capacity, int total) {
    std::snprintf(out, static_cast<size_t>(capacity < 64 ? capacity : 64), "Zenth Mail (%i e-mails)", total);
}
