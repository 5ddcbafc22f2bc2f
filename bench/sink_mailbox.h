// The receive benchmarks' mailbox: the test servers' catch-all "sink"
// (tests/servers/start.sh), which no test reads, filled straight on the
// disk as a delivery would, and the client's account table naming it.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "client/client_accounts.h"
#include "core/app_state.h"
#include "core/arrays.h"
#include "core/log.h"
#include "core/ui_services.h"
#include "format/account_table.h"
#include "format/password_key.h"
#include "store/busy_folders.h"
#include "transport/sys_socket.h"

namespace bench {

namespace fs = std::filesystem;

inline const char* const sink_user = "sink";
inline const char* const sink_password = "sinkpw";

inline fs::path sink_mailbox() {
#ifdef _WIN32
    // Under Wine the Linux folder is reached through its drive letter.
    return fs::path(std::getenv("ZM_MAILDIR_ROOT_WIN")) / sink_user / "Maildir";
#else
    return fs::path(std::getenv("ZM_MAILDIR_ROOT")) / sink_user / "Maildir";
#endif
}

// Written in tmp, then moved into new, line by line: the benchmark itself
// never holds a large message.
inline void deliver(int number, size_t body_bytes) {
    std::string name = std::to_string(std::time(nullptr)) + ".bench" + std::to_string(number) + ".local";
    {
        std::ofstream out(sink_mailbox() / "tmp" / name, std::ios::binary);
        out << "From: carol@example.test\r\nTo: sink@example.test\r\nSubject: bench " << number
            << "\r\nDate: Mon, 1 Jan 2024 10:00:00 +0000\r\nMIME-Version: 1.0\r\n\r\n";
        const std::string line = std::string(76, 'Q') + "\r\n";
        for (size_t written = 0; written + line.size() <= body_bytes; written += line.size()) out << line;
    }
    fs::rename(sink_mailbox() / "tmp" / name, sink_mailbox() / "new" / name);
}

// Every message gone, and dovecot's index of them with it, so that a
// session after this one sees the mailbox as it is on the disk.
inline void clear_sink_mailbox() {
    for (const char* sub : {"new", "cur"})
        for (const auto& e : fs::directory_iterator(sink_mailbox() / sub)) fs::remove(e.path());
    for (const auto& e : fs::directory_iterator(sink_mailbox())) {
        std::string name = e.path().filename().string();
        if (name == "dovecot-uidlist" || name.rfind("dovecot.index", 0) == 0) fs::remove(e.path());
    }
}

// The account table of the current folder with one account, the sink
// mailbox at `server` ("127.0.0.1:port") with these option bits, and loads it.
inline void write_sink_account(const std::string& server, int options) {
    std::string key(32, 'b');
    std::ofstream("pwdkey.dat", std::ios::binary) << key;
    read_password_key();
    Array* stored = array_new(100);
    encode_password(password_key(), sink_password, stored);
    std::ofstream("accountdata.cfg", std::ios::binary)
        << "bench\r\n127.0.0.1\r\n\"Sink\" <sink@example.test>\r\n" << server << "\r\n" << sink_user << "\r\n"
        << stored->text << "\r\nmaildir\\inbox\r\n" << options << "\r\n";
    delete_arrays(stored);
    accounts_load();
}

// A fresh folder under the system's temporary folder, made the current one
// and set up as the client's program folder for a receive job: "temp", the
// inbox, the log, the network, the busy folders, and message boxes that
// only log. Returns the folder.
inline fs::path enter_receive_folder(const std::string& name) {
    fs::path folder = fs::temp_directory_path() /
                      (name + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder / "temp");
    fs::create_directories(folder / "maildir" / "inbox");
    fs::current_path(folder);
    create_app_state();
    log_open("zmlog.txt");
    sys_net_startup();
    busy_folders_init();
    static UiServices quiet = quiet_ui_services(nullptr);
    ui_install(&quiet);
    array_copy(app.current_folder, "maildir\\drafts");
    return folder;
}

inline double seconds_since(std::chrono::steady_clock::time_point start);

// Runs a yardstick program's shell command with its output in `log`, and
// times it. false, after printing that output, when it failed.
inline bool run_yardstick(const char* name, const std::string& command, const fs::path& log, double* spent) {
    auto start = std::chrono::steady_clock::now();
    int status = std::system((command + " >'" + log.string() + "' 2>&1").c_str());
    *spent = seconds_since(start);
    if (status == 0) return true;
    std::printf("%s failed (status %d); its output:\n", name, status);
    std::ifstream lines(log);
    for (std::string line; std::getline(lines, line);) std::printf("  %s\n", line.c_str());
    return false;
}

inline double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace bench
