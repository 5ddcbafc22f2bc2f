#include "transport/smtp_plan.h"

#include <cstdlib>
#include <cstring>

#include "core/accounts.h"
#include "core/file_reads.h"
#include "format/address_list.h"
#include "format/header_fields.h"
#include "store/message_summary.h"
#include "transport/connect.h"

namespace {

enum { PRIVATE_READ = 0, PRIVATE_MISSING = -1, PRIVATE_TOO_LONG = -2 };

// Whether the field at `name_at` has a value: its first character after the
// colon and the blanks is not a line end.
bool has_value(const char* path, int64_t name_at) {
    FileRead f;
    if (!file_read_open(&f, path)) return false;
    char start[300] = {};
    bool read = file_read_seek(&f, name_at) && file_read_bytes(&f, start, sizeof start - 1) > 0;
    file_read_close(&f);
    const char* colon = read ? std::strchr(start, ':') : nullptr;
    if (!colon) return false;
    const char* value = colon + 1;
    while (*value == ' ' || *value == '\t') value++;
    return *value && *value != '\r' && *value != '\n';
}

// One private field, at most `max_len` characters (a longer value is cut,
// as the reader does); PRIVATE_MISSING when the header does not carry it.
int read_private(const char* path, const char* name, Array* out, int max_len) {
    return read_header_field(path, nullptr, name, out, max_len, FIELD_FIRST, SCOPE_HEADER) == -1 ? PRIVATE_MISSING
                                                                                                  : PRIVATE_READ;
}

// An envelope field, whole or not at all: a cut value is PRIVATE_TOO_LONG,
// and so is one whose line end lies beyond what the reader reads; a field
// that is absent or empty is PRIVATE_MISSING.
int read_envelope(const char* path, const char* name, Array* out, int max_len) {
    int read = read_header_field(path, nullptr, name, out, max_len, FIELD_FIRST, SCOPE_HEADER);
    if (read == 0) return PRIVATE_READ;
    if (read == -2) return PRIVATE_TOO_LONG;
    int64_t name_at = 0;
    if (locate_header_field(path, 0, name, FIELD_FIRST, SCOPE_HEADER, &name_at) == 0 && has_value(path, name_at))
        return PRIVATE_TOO_LONG;
    return PRIVATE_MISSING;
}

int missing(StatusSink& status, const char* text) {
    status.error(text);
    return -1;
}

}  // namespace

SendPlan* send_plan_new() {
    auto* plan = new SendPlan;
    plan->server = array_new(server_text_capacity);
    plan->address = array_new(send_address_capacity);
    plan->recipients = string_list_new(send_max_recipients, send_recipient_capacity);
    return plan;
}

void send_plan_delete(SendPlan* plan) {
    delete_arrays(plan->server, plan->address);
    string_list_release(plan->recipients);
    delete plan->recipients;
    delete plan;
}

const char* account_text(int account, int field) {
    const char* text = account_field(account, static_cast<AccountField>(field));
    return text ? text : "";
}

int read_send_plan(StatusSink& w, const char* path, SendPlan* plan) {
    MessageSummary* summary = summary_new();
    bool readable = read_summary(0, summary, path) != SUMMARY_UNREADABLE;
    summary_delete(summary);
    if (!readable) return missing(w, "Could not read email header.\r\n");

    Array* index = array_new(10);
    Array* recipients = array_new(send_recipients_text_capacity);
    Array* options = array_new(100);
    int result = -1;
    int address = PRIVATE_MISSING, envelope = PRIVATE_MISSING;
    // Server, index and options are taken as far as they go, as ever; the
    // envelope only whole.
    if (read_private(path, "X-ZMServer", plan->server, server_text_capacity - 1) == PRIVATE_MISSING) {
        missing(w, "File does not contain required header (X-ZMServer).\r\n");
    } else if (read_private(path, "X-ZMAccountIndex", index, 9) == PRIVATE_MISSING) {
        missing(w, "File does not contain required header (X-ZMAccountIndex).\r\n");
    } else if ((address = read_envelope(path, "X-ZMAddress", plan->address, send_address_capacity - 1)) ==
                   PRIVATE_MISSING ||
               (envelope = read_envelope(path, "X-ZMRecipients", recipients, send_recipients_text_capacity - 1)) ==
                   PRIVATE_MISSING) {
        missing(w, "File does not contain required header (X-ZMRecipients).\r\n");
    } else if (address == PRIVATE_TOO_LONG || envelope == PRIVATE_TOO_LONG) {
        missing(w, "Recipient string exceeds capacity.\r\n");
    } else if (read_private(path, "X-ZMOpts", options, 99) == PRIVATE_MISSING) {
        missing(w, "File does not contain required header (X-ZMOpts).\r\n");
    } else if (split_address_list(recipients->text, plan->recipients, send_max_recipients) != 0) {
        missing(w, "Recipient string exceeds capacity.\r\n");
    } else {
        result = 0;
    }
    if (result == 0) {
        plan->options = std::atoi(options->text);
        plan->account = std::atoi(index->text);
        const int login_flags = ACCOUNT_POP_BEFORE_SMTP | ACCOUNT_SMTP_AUTH | ACCOUNT_POP3_AUTH | ACCOUNT_OAUTH;
        // An index the table no longer holds has no SMTP server to match.
        if (plan->account >= 0 && std::strcmp(plan->server->text, account_text(plan->account, ACCOUNT_SMTP_SERVER)) != 0) {
            w.line("The server name and account do not match so authentication will not be used.\r\n");
            plan->options &= ~login_flags;
        } else if (plan->account >= 0 && plan->account < account_count()) {
            // The account's server: it is secured and signed in to as the
            // account says now, whatever the message was queued with.
            const int now_flags = ACCOUNT_SMTP_TLS | ACCOUNT_SMTP_STARTTLS | ACCOUNT_OAUTH;
            plan->options = (plan->options & ~now_flags) | (account_options(plan->account) & now_flags);
            // An IMAP account has no POP3 server to log in to first.
            if (account_options(plan->account) & ACCOUNT_IMAP) plan->options &= ~ACCOUNT_POP_BEFORE_SMTP;
        }
        if (plan->options & ACCOUNT_POP_BEFORE_SMTP) {
            if (plan->account < 0) {
                result = missing(w, "'POP before SMTP' is enabled but no accounts have been set up.\r\n");
            } else if (!account_text(plan->account, ACCOUNT_POP3_SERVER)[0]) {
                result = missing(w,
                                 "'POP before SMTP' is enabled but the selected account does not have a POP3 "
                                 "server associated with it.\r\n");
            }
        }
    }
    delete_arrays(index, recipients, options);
    return result;
}
