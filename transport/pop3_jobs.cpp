#include "transport/pop3_jobs.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/processes.h"
#include "core/sys_time.h"
#include "core/ui_services.h"
#include "store/busy_folders.h"
#include "store/folders.h"
#include "store/uidl_state.h"
#include "transport/header_listing.h"
#include "transport/login_secret.h"
#include "transport/pop3.h"
#include "transport/receive_account.h"
#include "transport/socket_lines.h"

namespace {

Array* listing_sizes = nullptr;

// A connection of a job to an account's POP3 server.
struct Pop3Login {
    MailSession session;
    Array* reply = array_new(line_capacity);
    Array* command = array_new(line_capacity);
    explicit Pop3Login(StatusSink& status) : session(status) {}
    ~Pop3Login() { delete_arrays(reply, command); }
    bool expired = false;  // the account's sign-in has expired (shown already)
    // A socket handed to the status window, logged in to the account.
    bool login(int account) {
        if (!session.open()) return false;
        int result = account_login(session, account, [&](const char* secret, bool again) {
            // A second try starts on a new connection, as the first did.
            if (again && !session.open()) return -1;
            return pop3_login(session, reply, command, account_field(account, ACCOUNT_POP3_SERVER),
                              account_field(account, ACCOUNT_USER), secret,
                              account_login_options(account_options(account), ACCOUNT_POP3_AUTH));
        });
        expired = result == LOGIN_EXPIRED;
        return result == LOGIN_OK;
    }
    void quit() {
        if (session.is_open()) pop3_quit(session);
    }
    // Closed without QUIT: the server keeps what was marked.
    void drop() { session.close(); }
};

// What the server and the state file say of a mailbox of n messages.
struct Mailbox {
    bool listed = false;           // the server listed an id for every message
    std::vector<std::string> ids;  // entry k-1 for message k
    UidlState state;
    int already = 0;  // messages stored by an earlier session
};

// Asks the server for the mailbox's ids and compares them with those stored
// before; ids the server no longer has leave the state. A server that does
// not list them leaves `listed` false: the session then stores every
// message, as without a state, and records nothing. -1 when the connection
// failed.
int learn_mailbox(MailSession& session, int account, int n, Mailbox* box) {
    int listing = pop3_uidl(session, n, &box->ids);
    if (listing == UIDL_FAILED) return -1;
    box->listed = listing == UIDL_LISTED;
    if (!box->listed) return 0;
    uidl_state_load(&box->state, account_field(account, ACCOUNT_POP3_SERVER), account_field(account, ACCOUNT_USER));
    // Only from a complete listing: a failed one never drops an id. A
    // rewrite that fails keeps the old file, whose extra ids do no harm.
    uidl_state_keep_only(&box->state, box->ids);
    for (const std::string& id : box->ids)
        if (box->state.seen.contains(id)) box->already++;
    return 0;
}

// A receive without any account: the account manager starts beside the
// client, which goes on running.
void offer_account_manager_for_receiving() {
    if (ui_message_box(nullptr,
                       "You must set up an email account before you can receive email. Would you like to do that "
                       "now?",
                       "Zenth Mail", UI_YESNO | UI_ICON_QUESTION) == UI_ANSWER_YES)
        sys_start_program("zenth-profiles.exe");
}

// The account's POP3 mailbox: the messages not stored before into its
// inbox, deleted from the server when the account asks.
bool receive_pop3_mailbox(JobStatus& window, int account, bool alone, Array* sizes, Array* text,
                          ReceiveTally* tally) {
    Pop3Login pop3{window};
    MailSession& session = pop3.session;
    if (!pop3.login(account)) {
        if (pop3.expired)
            ++tally->errors;  // its own text is shown; the other accounts go on
        else if (!session.is_open())
            receive_error(window, "Error %i: Cannot create socket.\r\n", tally);
        else
            receive_error(window, "Error %i: Cannot logon to POP3 server.\r\n", tally);
        return false;
    }
    // A server that announces pipelining gets its commands a window at
    // a time; the others one at a time.
    int in_flight = pop3_pipelining(session) ? pop3_pipeline_window : 1;
    array_clear(sizes);
    int n = pop3_list(session, sizes);
    if (n < 0) {
        receive_error(window, "Error %i: Cannot retrieve message list.\r\n", tally);
        return false;
    }
    bool delete_after = account_options(account) & ACCOUNT_DELETE_FROM_SERVER;
    Mailbox box;
    if (n > 0 && learn_mailbox(session, account, n, &box) != 0) {
        receive_error(window, "Error %i: Cannot retrieve message list.\r\n", tally);
        return false;
    }
    show_found(window, n);
    if (n > 0 && !box.listed && !delete_after)
        window.line("Server does not support UIDL: every message is downloaded.\r\n");
    if (box.already > 0) {
        array_printf(text, "Already received: %i\r\n", box.already);
        window.line(text->text);
    }
    if (n == box.already && alone) window.line("You have no new mail.\r\n");
    bool quit = true, wrote = false;
    // Messages stored before are still marked for deletion when asked.
    if (n > box.already || (delete_after && n > 0)) {
        int stored = 0;
        const char* inbox = account_field(account, ACCOUNT_INBOX);
        RetrieveOptions options{.delete_after = delete_after, .window = in_flight};
        if (box.listed) {
            options.ids = &box.ids;
            options.state = &box.state;
        }
        int result = pop3_retrieve(session, inbox, 1, n + 1, options, sizes, &stored);
        if (result != 0) {
            receive_error(window, "Error %i: Cannot download messages.\r\n", tally);
            // A download that broke off leaves the connection in no state
            // for QUIT, which would also carry out deletions marked so
            // far; those messages are stored and on the disk, so QUIT is
            // still right when the server can hear it. Not so when what
            // was stored may not be on the disk, or the replies no longer
            // match the commands: then the server keeps everything.
            quit = result != pop3_no_quit;
        }
        wrote = true;
        tally->stored += stored;
    }
    // A cancelled job's socket is dead already; nothing more is said.
    if (window.cancelled() || !quit)
        pop3.drop();
    else
        pop3.quit();
    return wrote;
}

}  // namespace

void show_found(StatusSink& status, int n) {
    Array* text = array_new(100);
    array_printf(text, "Found %i.\r\n", n);
    status.line(text->text);
    delete_arrays(text);
}

void receive_error(StatusSink& status, const char* format, ReceiveTally* tally) {
    Array* text = array_new(100);
    array_printf(text, format, ++tally->errors);
    status.error(text->text);
    delete_arrays(text);
}

Array* header_listing_sizes() {
    if (!listing_sizes) listing_sizes = array_new_elements(pop3_size_entries, 4);
    return listing_sizes;
}

bool receive_pop3_account(JobStatus& window, int account, bool alone, ReceiveTally* tally) {
    Array* sizes = array_new_elements(pop3_size_entries, 4);
    Array* text = array_new(200);
    bool wrote = receive_pop3_mailbox(window, account, alone, sizes, text, tally);
    delete_arrays(sizes, text);
    return wrote;
}

int receive_job(JobHost& host, int account) {
    if (account_count() == 0) {
        offer_account_manager_for_receiving();
        return 0;
    }
    int first = account < 0 ? 0 : account, last = account < 0 ? account_count() : account + 1;
    // The list of a folder on show stops filling before mail is written
    // into it, and is filled again once the job is done.
    unsigned on_show = 0;
    for (int a = first; a < last; a++)
        for (const std::string& folder : receive_folders(a))
            if (host.before_folder_write(folder.c_str())) on_show |= 1u << a;
    bool redisplay = false;

    JobStatus& window = host.open_status(account < 0 ? STATUS_ALL_ACCOUNTS : account);
    Array* text = array_new(200);
    ReceiveTally tally;
    for (int a = first; a < last && !window.cancelled(); a++) {
        window.progress_reset(1);
        window.enable_ok(false);
        window.enable_skip(true);
        array_printf(text, "Checking %.80s:\r\n", account_field(a, ACCOUNT_POP3_SERVER));
        window.line(text->text);
        if (server_protocol(a).receive(window, a, account >= 0, &tally) && (on_show & 1u << a)) redisplay = true;
    }
    const int errors = tally.errors, total = tally.stored;
    if (account < 0) {
        array_printf(text, "New messages: %i\r\n", total);
        window.line(text->text);
        array_printf(text, "Errors: %i\r\n", errors);
        window.line(text->text);
    }
    window.enable_ok(true);
    for (int a = first; a < last; a++) busy_folders_remove(account_field(a, ACCOUNT_INBOX));
    if (account >= 0 && errors == 0 && total > 0) window.close();
    if (redisplay) host.redisplay();
    delete_arrays(text);
    return total;
}

const ServerProtocol& server_protocol(int account) {
    static const ServerProtocol pop3{receive_pop3_account, list_pop3_headers, download_pop3_rows, delete_pop3_rows};
    static const ServerProtocol imap{receive_imap_account, list_imap_headers, download_imap_rows, delete_imap_rows};
    return account_options(account) & ACCOUNT_IMAP ? imap : pop3;
}

bool list_pop3_headers(JobStatus& window, int account, Array* sizes) {
    header_listing_set({.account = account, .imap = false});
    Pop3Login pop3{window};
    int n = -1;
    if (pop3.login(account) && (n = pop3_list(pop3.session, sizes)) >= 0) {
        show_found(window, n);
        int stored = 0;
        if (n > 0) pop3_retrieve(pop3.session, "temp", 1, n + 1, {.headers_only = true}, nullptr, &stored);
        pop3.quit();
        return true;
    }
    if (!pop3.session.is_open()) window.error("Cannot create socket.\r\n");
    return false;
}

void header_listing_job(JobHost& host, int account) {
    Array* sizes = header_listing_sizes();
    array_clear(sizes);
    bool on_show = host.before_folder_write("temp");
    clear_folder("temp", ".eml");
    if (account < 0 || account >= account_count()) {
        header_listing_set({});
        busy_folders_remove("temp");
        return;
    }
    JobStatus& window = host.open_status(STATUS_TEMP);
    window.enable_ok(false);
    // After a failure the window stays open for the user to read.
    if (server_protocol(account).list_headers(window, account, sizes)) window.close();
    if (on_show) host.redisplay();
    busy_folders_remove("temp");
}

bool download_pop3_rows(JobStatus& window, int account, const int* numbers, int count) {
    HeaderListing listing;
    if (!header_listing_rows(window, account, false, numbers, count, &listing)) return false;
    const char* inbox = account_field(account, ACCOUNT_INBOX);
    Pop3Login pop3{window};
    MailSession& session = pop3.session;
    if (!pop3.login(account)) return false;
    FolderNumbers inbox_numbers{inbox};
    // What it stores is recorded, so that a later receive does not
    // store it again.
    UidlState state;
    uidl_state_load(&state, account_field(account, ACCOUNT_POP3_SERVER), account_field(account, ACCOUNT_USER));
    for (int i = 0; i < count && !window.cancelled() && !session.timed_out(); i++) {
        int stored = 0;
        RetrieveOptions options{.headers_only = false, .delete_after = false, .numbers = &inbox_numbers};
        std::vector<std::string> ids(static_cast<size_t>(numbers[i]));
        if (pop3_uidl_one(session, numbers[i], &ids.back()) == UIDL_LISTED) {
            options.ids = &ids;
            options.state = &state;
            options.skip_stored = false;
        }
        pop3_retrieve(session, inbox, numbers[i], numbers[i] + 1, options, header_listing_sizes(), &stored);
    }
    pop3.quit();
    return true;
}

void download_job(JobHost& host, int account, const int* numbers, int count) {
    if (account < 0 || account >= account_count()) return;
    const char* inbox = account_field(account, ACCOUNT_INBOX);
    JobStatus& window = host.open_status(account);
    window.enable_ok(false);
    if (server_protocol(account).download(window, account, numbers, count)) window.close();
    busy_folders_remove(inbox);
}

bool delete_pop3_rows(JobStatus& window, int account, const int* numbers, int count) {
    HeaderListing listing;
    if (!header_listing_rows(window, account, false, numbers, count, &listing)) return false;
    Pop3Login pop3{window};
    if (!pop3.login(account)) return false;
    bool failed = false;
    for (int i = 0; i < count && !failed && !window.cancelled(); i++) {
        array_printf(pop3.command, "dele %i\r\n", numbers[i]);
        failed = send_pop3_command(pop3.session, pop3.command->text, false) != 0;
    }
    // Without QUIT the server forgets every deletion of this connection.
    if (failed || window.cancelled())
        pop3.drop();
    else
        pop3.quit();
    return true;
}

void delete_job(JobHost& host, int account, const int* numbers, int count) {
    if (account < 0 || account >= account_count()) return;
    JobStatus& window = host.open_status(STATUS_TEMP);
    window.enable_ok(false);
    if (server_protocol(account).remove(window, account, numbers, count)) {
        window.close();
        // The list shows the mailbox as it now is.
        if (!window.cancelled()) {
            header_listing_job(host, account);
            return;
        }
    }
    busy_folders_remove("temp");
}
