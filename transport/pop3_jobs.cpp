#include "transport/pop3_jobs.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/processes.h"
#include "core/sys_time.h"
#include "store/folders.h"
#include "store/uidl_state.h"
#include "transport/connect.h"
#include "transport/pop3.h"
#include "transport/socket_lines.h"
#include "transport/stream.h"

namespace {

Array* listing_sizes = nullptr;

struct Session {
    WindowRef window;
    Socket socket = no_socket;
    Array* reply = array_new(line_capacity);
    Array* command = array_new(line_capacity);
    ~Session() {
        drop();
        delete_arrays(reply, command);
    }
    // A socket registered with the status window, logged in to the account.
    bool login(int account) {
        socket = open_mail_socket(window);
        if (socket == no_socket) return false;
        register_socket(window, socket);
        return pop3_login(socket, window, reply, command, account_field(account, ACCOUNT_POP3_SERVER),
                          account_field(account, ACCOUNT_USER), account_field(account, ACCOUNT_PASSWORD),
                          account_login_options(account_options(account), ACCOUNT_POP3_AUTH)) == 0;
    }
    // The status window forgets the socket as it closes, so that Cancel
    // never aborts a number the system has handed out again.
    void quit() {
        if (socket == no_socket) return;
        pop3_quit(socket, window);
        register_socket(window, static_cast<long long>(no_socket));
        socket = no_socket;
    }
    void drop() {
        if (socket == no_socket) return;
        register_socket(window, static_cast<long long>(no_socket));
        stream_close(socket);
        socket = no_socket;
    }
};

void append_error(WindowRef window, const char* format, int errors) {
    Array* text = array_new(100);
    array_printf(text, format, errors);
    status_append(window, text->text);
    delete_arrays(text);
}

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
int learn_mailbox(Session* session, int account, int n, Mailbox* box) {
    int listing = pop3_uidl(session->socket, session->window, n, &box->ids);
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

void offer_account_manager() {
    if (ui_message_box(nullptr,
                       "You must set up an email account before you can receive email. Would you like to do that "
                       "now?",
                       "Zenth Mail", UI_YESNO | UI_ICON_QUESTION) == UI_ANSWER_YES)
        sys_start_program("zenth-profiles.exe");
}

}  // namespace

Array* header_listing_sizes() {
    if (!listing_sizes) listing_sizes = array_new_elements(pop3_size_entries, 4);
    return listing_sizes;
}

int receive_job(WindowRef owner, int account) {
    if (account_count() == 0) {
        offer_account_manager();
        return 0;
    }
    int first = account < 0 ? 0 : account, last = account < 0 ? account_count() : account + 1;
    // The list of a folder on show stops filling before mail is written
    // into it, and is filled again once the job is done.
    unsigned on_show = 0;
    for (int a = first; a < last; a++)
        if (before_folder_write(account_field(a, ACCOUNT_INBOX))) on_show |= 1u << a;
    bool redisplay = false;

    WindowRef window = open_status_window(owner, account < 0 ? STATUS_ALL_ACCOUNTS : account);
    Array* sizes = array_new_elements(pop3_size_entries, 4);
    Array* text = array_new(200);
    int errors = 0, total = 0;
    for (int a = first; a < last && !job_cancelled(window); a++) {
        progress_reset(window, 1);
        enable_ok(window, false);
        enable_skip(window, true);
        array_printf(text, "Checking %.80s:\r\n", account_field(a, ACCOUNT_POP3_SERVER));
        status_append(window, text->text);
        Session session{window};
        if (!session.login(a)) {
            if (session.socket == no_socket)
                append_error(window, "Error %i: Cannot create socket.\r\n", ++errors);
            else
                append_error(window, "Error %i: Cannot logon to POP3 server.\r\n", ++errors);
            continue;
        }
        // A server that announces pipelining gets its commands a window at
        // a time; the others one at a time.
        int in_flight = pop3_pipelining(session.socket, window) ? pop3_pipeline_window : 1;
        array_clear(sizes);
        int n = pop3_list(session.socket, window, sizes);
        if (n < 0) {
            append_error(window, "Error %i: Cannot retrieve message list.\r\n", ++errors);
            continue;
        }
        bool delete_after = account_options(a) & ACCOUNT_DELETE_FROM_SERVER;
        Mailbox box;
        if (n > 0 && learn_mailbox(&session, a, n, &box) != 0) {
            append_error(window, "Error %i: Cannot retrieve message list.\r\n", ++errors);
            continue;
        }
        array_printf(text, "Found %i.\r\n", n);
        status_append(window, text->text);
        if (n > 0 && !box.listed && !delete_after)
            status_append(window, "Server does not support UIDL: every message is downloaded.\r\n");
        if (box.already > 0) {
            array_printf(text, "Already received: %i\r\n", box.already);
            status_append(window, text->text);
        }
        if (n == box.already && account >= 0) status_append(window, "You have no new mail.\r\n");
        bool quit = true;
        // Messages stored before are still marked for deletion when asked.
        if (n > box.already || (delete_after && n > 0)) {
            int stored = 0;
            const char* inbox = account_field(a, ACCOUNT_INBOX);
            RetrieveOptions options{.delete_after = delete_after, .window = in_flight};
            if (box.listed) {
                options.ids = &box.ids;
                options.state = &box.state;
            }
            int result = pop3_retrieve(session.socket, window, inbox, 1, n + 1, options, sizes, &stored);
            if (result != 0) {
                append_error(window, "Error %i: Cannot download messages.\r\n", ++errors);
                // A download that broke off leaves the connection in no state
                // for QUIT, which would also carry out deletions marked so
                // far; those messages are stored and on the disk, so QUIT is
                // still right when the server can hear it. Not so when what
                // was stored may not be on the disk, or the replies no longer
                // match the commands: then the server keeps everything.
                quit = result != pop3_no_quit;
            }
            if (on_show & 1u << a) redisplay = true;
            total += stored;
        }
        // A cancelled job's socket is dead already; nothing more is said.
        if (job_cancelled(window) || !quit)
            session.drop();
        else
            session.quit();
    }
    if (account < 0) {
        array_printf(text, "New messages: %i\r\n", total);
        status_append(window, text->text);
        array_printf(text, "Errors: %i\r\n", errors);
        status_append(window, text->text);
    }
    enable_ok(window, true);
    for (int a = first; a < last; a++) main_command(MAIN_BUSY_REMOVE, account_field(a, ACCOUNT_INBOX));
    if (account >= 0 && errors == 0 && total > 0) close_status_window(window);
    if (redisplay) main_command(MAIN_REDISPLAY, nullptr);
    delete_arrays(sizes, text);
    return total;
}

void header_listing_job(WindowRef owner, int account) {
    Array* sizes = header_listing_sizes();
    array_clear(sizes);
    bool on_show = before_folder_write("temp");
    clear_folder("temp", ".eml");
    if (account < 0 || account >= account_count()) {
        main_command(MAIN_BUSY_REMOVE, "temp");
        return;
    }
    WindowRef window = open_status_window(owner, STATUS_TEMP);
    enable_ok(window, false);
    Session session{window};
    int n = -1;
    if (session.login(account) && (n = pop3_list(session.socket, window, sizes)) >= 0) {
        Array* text = array_new(100);
        array_printf(text, "Found %i.\r\n", n);
        status_append(window, text->text);
        delete_arrays(text);
        int stored = 0;
        if (n > 0) pop3_retrieve(session.socket, window, "temp", 1, n + 1, {.headers_only = true}, nullptr, &stored);
        session.quit();
        close_status_window(window);
    } else if (session.socket == no_socket) {
        status_append(window, "Cannot create socket.\r\n");
    }
    // After a failure the window stays open for the user to read.
    if (on_show) main_command(MAIN_REDISPLAY, nullptr);
    main_command(MAIN_BUSY_REMOVE, "temp");
}

void download_job(WindowRef owner, int account, const int* numbers, int count) {
    if (account < 0 || account >= account_count()) return;
    const char* inbox = account_field(account, ACCOUNT_INBOX);
    WindowRef window = open_status_window(owner, account);
    enable_ok(window, false);
    Session session{window};
    if (session.login(account)) {
        FolderNumbers inbox_numbers{inbox};
        // What it stores is recorded, so that a later receive does not
        // store it again.
        UidlState state;
        uidl_state_load(&state, account_field(account, ACCOUNT_POP3_SERVER), account_field(account, ACCOUNT_USER));
        for (int i = 0; i < count && !job_cancelled(window) && !stream_timed_out(session.socket); i++) {
            int stored = 0;
            RetrieveOptions options{.headers_only = false, .delete_after = false, .numbers = &inbox_numbers};
            std::vector<std::string> ids(numbers[i] > 0 ? static_cast<size_t>(numbers[i]) : 0);
            if (numbers[i] > 0 && pop3_uidl_one(session.socket, window, numbers[i], &ids.back()) == UIDL_LISTED) {
                options.ids = &ids;
                options.state = &state;
                options.skip_stored = false;
            }
            pop3_retrieve(session.socket, window, inbox, numbers[i], numbers[i] + 1, options, header_listing_sizes(),
                          &stored);
        }
        session.quit();
        close_status_window(window);
    }
    main_command(MAIN_BUSY_REMOVE, inbox);
}

void delete_job(WindowRef owner, int account, const int* numbers, int count) {
    if (account < 0 || account >= account_count()) return;
    WindowRef window = open_status_window(owner, STATUS_TEMP);
    enable_ok(window, false);
    Session session{window};
    if (session.login(account)) {
        bool failed = false;
        for (int i = 0; i < count && !failed && !job_cancelled(window); i++) {
            array_printf(session.command, "dele %i\r\n", numbers[i]);
            failed = send_pop3_command(session.socket, session.command->text, window, false) != 0;
        }
        // Without QUIT the server forgets every deletion of this connection.
        if (failed || job_cancelled(window))
            session.drop();
        else
            session.quit();
        close_status_window(window);
        if (!job_cancelled(window)) {
            header_listing_job(owner, account);
            return;
        }
    }
    main_command(MAIN_BUSY_REMOVE, "temp");
}
