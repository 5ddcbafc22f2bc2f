// IMAP against the real dovecot on loopback (tests/servers/start.sh). The
// session alone: the memory that fetching one 50 MB message into a file
// takes (its body is streamed, so the peak should hardly move), and 1,000
// messages of about 20 KB listed above UID 0 and fetched into files, one
// command at a time and with 16 in flight, in messages per second. Then the
// receive job as the client runs it for an IMAP account (every message
// stored and its UID recorded, each written through to the disk) on the
// same 1,000 messages, with mbsync (isync) fetching them into a Maildir of
// its own in the same run as a yardstick (it too writes through).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/peak_memory.h"
#include "bench/sink_mailbox.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/ui_services.h"
#include "store/busy_folders.h"
#include "transport/imap.h"
#include "transport/pop3_jobs.h"
#include "transport/status_sink.h"
#include "transport/sys_socket.h"

namespace {

namespace fs = std::filesystem;
using bench::deliver;
using bench::seconds_since;
using bench::sink_password;
using bench::sink_user;

// Logs in, selects INBOX, and fetches every message above UID 0 into a file
// of its own; then deletes them all. The number fetched, or -1. A window of
// 0 only lists (and fetches and deletes nothing): the first session after a
// delivery has dovecot index the new messages, which is not the client's time.
int fetch_all(StatusSink& status, int port, const fs::path& into, int window) {
    MailSession s(status);
    std::string capabilities;
    ImapFolder inbox;
    std::vector<ImapMessage> listed;
    std::string server = "127.0.0.1:" + std::to_string(port);
    if (!s.open() || imap_login(s, server.c_str(), sink_user, sink_password, {}, &capabilities) != 0 ||
        imap_select(s, "INBOX", false, &inbox) != 0 || imap_list_above(s, 0, 100000, &listed) != 0)
        return -1;
    std::vector<uint32_t> uids, whole;
    for (const ImapMessage& m : listed) uids.push_back(m.uid);
    if (window == 0) {
        imap_logout(s);
        return static_cast<int>(uids.size());
    }
    std::FILE* f = nullptr;
    uint32_t open_uid = 0;
    ImapFetchSinks sinks{.body = [&](uint32_t uid, const char* b, int n) {
                             if (!f || uid != open_uid) {
                                 if (f) std::fclose(f);
                                 f = std::fopen((into / ("mm" + std::to_string(uid) + ".eml")).c_str(), "wb");
                                 open_uid = uid;
                             }
                             return f && std::fwrite(b, 1, static_cast<size_t>(n), f) == static_cast<size_t>(n);
                         },
                         .done = [&](uint32_t uid, int result) {
                             whole.push_back(uid);
                             return result == IMAP_FETCHED;
                         }};
    int r = imap_fetch_messages(s, uids, window, sinks);
    if (f) std::fclose(f);
    if (r != 0 || whole != uids) return -1;
    if (imap_delete_messages(s, uids, imap_has(capabilities, "UIDPLUS")) != 0) return -1;
    imap_logout(s);
    return static_cast<int>(uids.size());
}

size_t messages_in(const fs::path& maildir) {
    size_t n = 0;
    for (const char* sub : {"new", "cur"})
        if (fs::exists(maildir / sub))
            for (auto it = fs::directory_iterator(maildir / sub); it != fs::directory_iterator(); ++it) n++;
    return n;
}

// mbsync pulling INBOX over plain IMAP into a fresh Maildir, leaving the
// server as it was; -1 when it failed, else the messages it stored.
int run_mbsync(const fs::path& folder, int port, double* spent) {
    fs::path local = folder / "mbsync";
    fs::remove_all(local);
    fs::create_directories(local);
    fs::path rc = folder / "mbsyncrc";
    std::ofstream(rc) << "IMAPAccount bench\nHost 127.0.0.1\nPort " << port << "\nUser " << sink_user << "\nPass "
                      << sink_password << "\nSSLType None\nAuthMechs LOGIN\n\n"
                      << "IMAPStore far\nAccount bench\n\nMaildirStore near\nPath " << local.string()
                      << "/\nInbox " << (local / "INBOX").string() << "\n\n"
                      << "Channel bench\nFar :far:\nNear :near:\nPatterns INBOX\nSync Pull\nCreate Near\n"
                      << "SyncState *\n";
    if (!bench::run_yardstick("mbsync", "mbsync -q -c '" + rc.string() + "' bench", folder / "mbsync.log", spent))
        return -1;
    return static_cast<int>(messages_in(local / "INBOX"));
}

}  // namespace

int main() {
    const char* port_text = std::getenv("ZM_IMAP_PORT");
    if (!port_text || !std::getenv("ZM_MAILDIR_ROOT")) {
        std::printf("bench_imap_fetch: skipped, the mail servers are not running (source the env.sh of tests/servers/start.sh)\n");
        return 0;
    }
    const int port = std::atoi(port_text);
    fs::path folder = bench::enter_receive_folder("zm_bench_imap_");
    LogSink status;
    bool failed = false;

    // Whatever the tests left in the mailbox goes first.
    if (fetch_all(status, port, folder, 1) < 0) {
        std::printf("bench_imap_fetch: FAILED, the mailbox could not be emptied\n");
        return 1;
    }
    deliver(0, 50u * 1024 * 1024);
    long before = peak_kb();
    auto start = std::chrono::steady_clock::now();
    int fetched = fetch_all(status, port, folder, 1);
    double spent = seconds_since(start);
    long after = peak_kb();
    std::printf("one 50 MB message: %s in %.2f s (%.1f MB/s); peak memory %ld KB before, %ld KB after (+%ld KB)\n",
                fetched == 1 ? "fetched" : "FAILED", spent, 50.0 / spent, before, after, after - before);
    failed |= fetched != 1;

    const int count = 1000;
    for (int window : {1, imap_pipeline_window}) {
        for (int i = 1; i <= count; i++) deliver(i, 20 * 1024);
        start = std::chrono::steady_clock::now();
        fetched = fetch_all(status, port, folder, window);
        spent = seconds_since(start);
        std::printf("%d messages of 20 KB, %d command%s in flight: %s in %.2f s (%.0f messages/s)\n", count, window,
                    window == 1 ? "" : "s", fetched == count ? "fetched" : "FAILED", spent, count / spent);
        failed |= fetched != count;
    }

    // The receive job for an IMAP account and mbsync on the same messages
    // left on the server, in both orders: whichever reads a message from
    // dovecot first pays for its cache, which the other then finds warm.
    for (int i = 1; i <= count; i++) deliver(i, 20 * 1024);
    bench::write_sink_account("127.0.0.1:" + std::to_string(port), ACCOUNT_IMAP);
    fetch_all(status, port, folder, 0);
    auto run_job = [&] {
        // What the job stored before goes, so that it fetches every message again.
        fs::remove_all(folder / "uidl");
        fs::create_directories(folder / "uidl");
        fs::remove_all(folder / "maildir" / "inbox");
        fs::create_directories(folder / "maildir" / "inbox");
        LogHost jobs;
        auto began = std::chrono::steady_clock::now();
        int received = receive_job(jobs, 0);
        double took = seconds_since(began);
        size_t stored = 0;
        for (auto it = fs::directory_iterator(folder / "maildir" / "inbox"); it != fs::directory_iterator(); ++it)
            stored++;
        std::printf("receive job, IMAP account, %d messages of 20 KB kept on the server (durable): %s in %.2f s "
                    "(%.0f messages/s)",
                    count, received == count && stored == static_cast<size_t>(count) ? "stored" : "FAILED", took,
                    received / took);
        return received == count && stored == static_cast<size_t>(count);
    };
    auto run_reference = [&] {
        double took = 0;
        int pulled = run_mbsync(folder, port, &took);
        if (pulled >= 0)
            std::printf("mbsync %s in %.2f s (%.0f messages/s)", pulled == count ? "stored" : "FAILED", took,
                        pulled / took);
        return pulled == count;
    };
    failed |= !run_job();
    std::printf("; ");
    failed |= !run_reference();
    std::printf("\n");
    failed |= !run_reference();
    std::printf("; ");
    failed |= !run_job();
    std::printf("\n");
    bench::clear_sink_mailbox();

    log_close();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    return failed ? 1 : 0;
}
