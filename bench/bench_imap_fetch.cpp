// The IMAP session against the real dovecot on loopback (tests/servers/
// start.sh): the memory that fetching one 50 MB message into a file takes
// (its body is streamed, so the peak should hardly move), and 1,000
// messages of about 20 KB listed above UID 0 and fetched into files, one
// command at a time and with 16 in flight, in messages per second. The session alone: the download
// job with its durable writes and the comparison beside mbsync belong to the
// job's own benchmark.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/peak_memory.h"
#include "core/log.h"
#include "transport/imap.h"
#include "transport/status_sink.h"
#include "transport/sys_socket.h"

namespace {

namespace fs = std::filesystem;

// The servers' catch-all mailbox, which no test reads.
const char* const user = "sink";
const char* const password = "sinkpw";

fs::path mailbox() { return fs::path(std::getenv("ZM_MAILDIR_ROOT")) / user / "Maildir"; }

// Into the Maildir as a delivery would, line by line: the benchmark itself
// never holds a large message.
void deliver(int number, size_t body_bytes) {
    std::string name = std::to_string(std::time(nullptr)) + ".imapbench" + std::to_string(number) + ".local";
    {
        std::ofstream out(mailbox() / "tmp" / name, std::ios::binary);
        out << "From: carol@example.test\r\nTo: sink@example.test\r\nSubject: bench " << number << "\r\n\r\n";
        const std::string line = std::string(76, 'Q') + "\r\n";
        for (size_t written = 0; written + line.size() <= body_bytes; written += line.size()) out << line;
    }
    fs::rename(mailbox() / "tmp" / name, mailbox() / "new" / name);
}


double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Logs in, selects INBOX, and fetches every message above UID 0 into a file
// of its own; then deletes them all. The number fetched, or -1.
int fetch_all(StatusSink& status, int port, const fs::path& into, int window) {
    MailSession s(status);
    std::string capabilities;
    ImapFolder inbox;
    std::vector<ImapMessage> listed;
    std::string server = "127.0.0.1:" + std::to_string(port);
    if (!s.open() || imap_login(s, server.c_str(), user, password, {}, &capabilities) != 0 ||
        imap_select(s, "INBOX", false, &inbox) != 0 || imap_list_above(s, 0, 100000, &listed) != 0)
        return -1;
    std::vector<uint32_t> uids, whole;
    for (const ImapMessage& m : listed) uids.push_back(m.uid);
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

}  // namespace

int main() {
    const char* port_text = std::getenv("ZM_IMAP_PORT");
    if (!port_text || !std::getenv("ZM_MAILDIR_ROOT")) {
        std::printf("bench_imap_fetch: skipped, the mail servers are not running (source the env.sh of tests/servers/start.sh)\n");
        return 0;
    }
    const int port = std::atoi(port_text);
    fs::path folder = fs::temp_directory_path() /
                      ("zm_bench_imap_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder);
    fs::current_path(folder);
    log_open("zmlog.txt");
    sys_net_startup();
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

    log_close();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    return failed ? 1 : 0;
}
