// Receiving from the real dovecot on loopback (tests/servers/start.sh): the
// receive job on 1,000 messages of about 20 KB, in messages per second, into
// an inbox that already holds 0, 10,000 and 30,000 messages, with fetchmail
// fetching the same mailbox into a local BSMTP file in the same run as a
// yardstick. For each inbox size it prints the receive job as the client
// runs it (pipelined, since dovecot announces PIPELINING, with every message
// written through to the disk), the same session one command at a time, and
// fetchmail; for the empty inbox also the job without the durable writes,
// and without only the folder's write-through, which shows what they cost. First the memory that receiving one 50 MB
// message takes (the message is streamed into its file, so the peak should
// hardly move).
//
// Built natively and for Windows; under Wine the mailbox is reached through
// ZM_MAILDIR_ROOT_WIN, fetchmail is not run, and an argument gives the inbox
// sizes to try (for example "10000").
#ifndef _WIN32
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "client/client_accounts.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/arrays.h"
#include "core/log.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/account_table.h"
#include "format/password_key.h"
#include "store/busy_folders.h"
#include "store/durable_files.h"
#include "transport/pop3.h"
#include "transport/pop3_jobs.h"
#include "transport/socket_lines.h"
#include "transport/sys_socket.h"
#include "bench/peak_memory.h"
#include "bench/sink_mailbox.h"

namespace {

namespace fs = std::filesystem;
using bench::deliver;
using bench::seconds_since;
using bench::sink_password;
using bench::sink_user;

size_t files_in(const fs::path& folder) {
    size_t n = 0;
    for (auto it = fs::directory_iterator(folder); it != fs::directory_iterator(); ++it) n++;
    return n;
}

// The inbox holding mm1.eml to mm<count>.eml, small stored messages, and
// nothing else: what a receive added is removed, what is missing is written.
void prefill_inbox(const fs::path& inbox, int count) {
    // Each run stores the whole mailbox again: what was received is forgotten.
    fs::remove_all(inbox.parent_path().parent_path() / "uidl");
    for (const auto& e : fs::directory_iterator(inbox)) {
        std::string name = e.path().filename().string();
        int number = std::atoi(name.c_str() + 2);
        if (number > count) fs::remove(e.path());
    }
    for (int n = 1; n <= count; n++) {
        fs::path p = inbox / ("mm" + std::to_string(n) + ".eml");
        if (fs::exists(p)) continue;
        std::ofstream(p, std::ios::binary) << "X-ZMRead: TRUE\r\nFrom: old@example.test\r\nSubject: older " << n
                                           << "\r\n\r\nAn older message.";
    }
}

// The same session as the receive job, with a chosen window: 1 is one
// command at a time, 0 only lists. Returns the messages stored.
int receive_with_window(int port, int window) {
    LogSink quiet;
    MailSession s(quiet, sys_socket_open());
    Array* reply = array_new(line_capacity);
    Array* command = array_new(line_capacity);
    std::string server = "127.0.0.1:" + std::to_string(port);
    int stored = 0;
    if (pop3_login(s, reply, command, server.c_str(), sink_user, sink_password, {}) == 0) {
        int n = pop3_list(s, nullptr);
        if (n > 0 && window > 0) pop3_retrieve(s, "maildir\\inbox", 1, n + 1, {.window = window}, nullptr, &stored);
        pop3_quit(s);
    }
    delete_arrays(reply, command);
    return stored;
}

// The durable steps left out: what the receive costs without them.
int flush_only(std::FILE* f) { return std::fflush(f) == 0 ? 0 : -1; }
int no_sync(const char*) { return 0; }
const DurableFiles not_durable{flush_only, sys_rename, no_sync, flush_only};
// Everything durable but the folder's own write-through, to show what that costs.
const DurableFiles no_folder_sync{sys_flush_file, sys_rename_through, no_sync, sys_start_flush};

#ifndef _WIN32
// fetchmail over plain POP3 with a password, keeping the messages, into a
// BSMTP file: a local file and no process per message, like the client.
// Returns the number of messages in that file, or -1 when it failed.
int run_fetchmail(const fs::path& folder, int port, double* spent) {
    fs::path rc = folder / "fetchmailrc";
    fs::path out = folder / "fetched.bsmtp";
    fs::remove(out);
    {
        std::ofstream f(rc);
        f << "set no syslog\nset no bouncemail\n"
          << "poll 127.0.0.1 service " << port << " protocol pop3 auth password timeout 60\n"
          << "  user \"" << sink_user << "\" there with password \"" << sink_password << "\" is root here\n"
          << "  fetchall keep sslproto '' no sslcertck bsmtp \"" << out.string() << "\"\n";
    }
    fs::permissions(rc, fs::perms::owner_read | fs::perms::owner_write);
    std::string command = "FETCHMAILHOME='" + folder.string() + "' fetchmail --nodetach --silent --fetchmailrc '" +
                          rc.string() + "'";
    if (!bench::run_yardstick("fetchmail", command, folder / "fetchmail.log", spent)) return -1;
    int count = 0;
    std::ifstream in(out, std::ios::binary);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("MAIL FROM:", 0) == 0) count++;
    return count;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const char* port_text = std::getenv("ZM_POP3_PORT");
    if (!port_text || !std::getenv("ZM_MAILDIR_ROOT")) {
        std::printf("bench_receive: skipped, the mail servers are not running (source the env.sh of tests/servers/start.sh)\n");
        return 0;
    }
    std::vector<int> inbox_sizes{0, 10000, 30000};
    if (argc > 1) inbox_sizes = {std::atoi(argv[1])};
    const int port = std::atoi(port_text);
    LogHost jobs;
    fs::path folder = bench::enter_receive_folder("zm_bench_receive_");
    bench::clear_sink_mailbox();
    bool failed = false;

    // First, while the process is still small: one 50 MB message.
    deliver(0, 50u * 1024 * 1024);
    bench::write_sink_account("127.0.0.1:" + std::to_string(port), ACCOUNT_DELETE_FROM_SERVER);
    long before = peak_kb();
    auto start = std::chrono::steady_clock::now();
    int received = receive_job(jobs, 0);
    double spent = seconds_since(start);
    long after = peak_kb();
    std::printf("one 50 MB message: %s in %.2f s (%.1f MB/s); peak memory %ld KB before, %ld KB after (+%ld KB)\n",
                received == 1 ? "received" : "FAILED", spent, 50.0 / spent, before, after, after - before);
    failed |= received != 1;
    if (received != 1) {
        // What the job said, from its log.
        log_close();
        std::ifstream log("zmlog.txt", std::ios::binary);
        for (std::string line; std::getline(log, line);) std::printf("  %s\n", line.c_str());
        log_open("zmlog.txt");
    }
    fs::remove_all(folder / "maildir" / "inbox");
    fs::create_directories(folder / "maildir" / "inbox");
    bench::clear_sink_mailbox();

    const int count = 1000;
    const size_t body = 20 * 1024;
    for (int i = 1; i <= count; i++) deliver(i, body);
    bench::write_sink_account("127.0.0.1:" + std::to_string(port), 0);
    // The first session after a delivery has dovecot index the new
    // messages, and the first write through to the disk would carry the
    // delivery's own data with it; neither is the client's time.
    receive_with_window(port, 0);
#ifndef _WIN32
    sync();
#endif
    const fs::path inbox = folder / "maildir" / "inbox";
    std::printf("%d messages of %.1f KB from dovecot, kept on the server, in messages per second:\n", count,
                body / 1024.0);
    for (int size : inbox_sizes) {
        prefill_inbox(inbox, size);
        start = std::chrono::steady_clock::now();
        received = receive_job(jobs, 0);
        double job = received / seconds_since(start);
        failed |= received != count || files_in(inbox) != static_cast<size_t>(size + count);

        prefill_inbox(inbox, size);
        start = std::chrono::steady_clock::now();
        received = receive_with_window(port, 1);
        double single = received / seconds_since(start);
        failed |= received != count || files_in(inbox) != static_cast<size_t>(size + count);

        std::printf("  inbox of %5d: receive job (pipelined, durable) %7.1f; one command at a time (durable) %7.1f",
                    size, job, single);
        if (size == 0) {
            for (auto [files, what] : {std::pair{&not_durable, "receive job without the durable writes"},
                                       std::pair{&no_folder_sync, "without the folder written through"}}) {
                prefill_inbox(inbox, size);
                durable_files_install(files);
                start = std::chrono::steady_clock::now();
                received = receive_job(jobs, 0);
                double rate = received / seconds_since(start);
                durable_files_install(nullptr);
                failed |= received != count;
                std::printf("; %s %7.1f", what, rate);
            }
        }
#ifndef _WIN32
        int fetched = run_fetchmail(folder, port, &spent);
        if (fetched >= 0) std::printf("; fetchmail %7.1f", fetched / spent);
        failed |= fetched != count;
#else
        std::printf("; fetchmail not run under Wine");
#endif
        std::printf("\n");
        std::fflush(stdout);
    }

    bench::clear_sink_mailbox();
    fs::current_path(fs::temp_directory_path());
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return failed ? 1 : 0;
}
