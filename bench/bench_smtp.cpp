// Sending through the real exim on loopback (tests/servers/start.sh): 200
// messages of about 20 KB sent one connection each (as Send Queued sent them
// before it kept one connection per server) and then by the Send Queued job,
// in messages per second, and the memory that sending one 50 MB message
// takes (the body is streamed from the file, so it should be next to
// nothing).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/app_state.h"
#include "store/busy_folders.h"
#include "transport/send_queued.h"
#include "transport/smtp_session.h"
#include "bench/peak_memory.h"

namespace {

namespace fs = std::filesystem;

std::string message(int port, const std::string& subject, size_t body_bytes) {
    std::string m = "X-ZMServer: 127.0.0.1:" + std::to_string(port) +
                    "\r\nX-ZMAccountIndex: -1\r\nX-ZMAddress: alice@example.test\r\nX-ZMRecipients: "
                    "sink@example.test\r\nX-ZMOpts: 0\r\nFrom: alice@example.test\r\nTo: sink@example.test\r\n"
                    "Subject: " +
                    subject + "\r\nDate: Mon, 1 Jan 2024 10:00:00 +0000\r\nMIME-Version: 1.0\r\n\r\n";
    std::string line = std::string(76, 'Q') + "\r\n";
    while (body_bytes >= line.size()) {
        m += line;
        body_bytes -= line.size();
    }
    return m;
}

void write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

}  // namespace

int main() {
    const char* port_text = std::getenv("ZM_SMTP_PORT");
    if (!port_text) {
        std::printf("bench_smtp: skipped, the mail servers are not running (source the env.sh of tests/servers/start.sh)\n");
        return 0;
    }
    const int port = std::atoi(port_text);
    fs::path folder = fs::temp_directory_path() / ("zm_bench_smtp_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder / "temp");
    fs::create_directories(folder / "maildir" / "outbox");
    fs::create_directories(folder / "maildir" / "sent items");
    fs::current_path(folder);
    create_app_state();
    busy_folders_init();

    const int count = 200;
    size_t bytes = 0;
    for (int i = 1; i <= count; i++) {
        std::string m = message(port, "bench " + std::to_string(i), 20 * 1024);
        bytes += m.size();
        write(folder / "maildir" / "outbox" / ("mm" + std::to_string(i) + ".eml"), m);
    }
    LogSink quiet;
    auto start = std::chrono::steady_clock::now();
    int errors = 0;
    for (int i = 1; i <= count; i++) {
        std::string path = "maildir\\outbox\\mm" + std::to_string(i) + ".eml";
        if (smtp_send_file(quiet, path.c_str()) != 0) errors++;
    }
    std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    std::printf("one connection per message, %d messages of %.1f KB through exim: %.2f s, %.1f messages/s, %d errors\n",
                count, bytes / 1024.0 / count, spent.count(), count / spent.count(), errors);
    start = std::chrono::steady_clock::now();
    LogHost host;
    errors += send_queued(host);
    spent = std::chrono::steady_clock::now() - start;
    std::printf("Send Queued (one connection per server), the same %d messages: %.2f s, %.1f messages/s, %d errors\n",
                count, spent.count(), count / spent.count(), errors);

    {
        // Written line by line: the benchmark itself must not hold the 50 MB.
        std::ofstream big(folder / "big.eml", std::ios::binary);
        big << message(port, "bench big", 0);
        const std::string line = std::string(76, 'Q') + "\r\n";
        for (size_t written = 0; written < 50u * 1024 * 1024; written += line.size()) big << line;
    }
    long before = peak_kb();
    start = std::chrono::steady_clock::now();
    int result = smtp_send_file(quiet, "big.eml");
    spent = std::chrono::steady_clock::now() - start;
    std::printf("one 50 MB message: %s in %.2f s (%.1f MB/s); peak memory of the process %ld KB before, %ld KB after\n",
                result == 0 ? "sent" : "FAILED", spent.count(), 50.0 / spent.count(), before, peak_kb());

    fs::current_path(fs::temp_directory_path());
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return errors == 0 && result == 0 ? 0 : 1;
}
