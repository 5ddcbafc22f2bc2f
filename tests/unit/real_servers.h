// The real mail servers that the test command starts (tests/servers): their
// ports and accounts come from the environment. Tests that need them skip
// when run by hand without the servers.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "transport/sys_socket.h"

struct RealServers {
    bool present = false;
    int pop3_port = 0, smtp_port = 0, socks_port = 0, socks_auth_port = 0;
    int imap_port = 0, imaps_port = 0;  // 0 with servers of an older start.sh
    std::string socks_user, socks_password;
    // dante asking for a user name and password (checked against a system account).
    int dante_auth_port = 0;
    std::string dante_user, dante_password;
};

const RealServers& real_servers();
NetAddress loopback(int port);

// The user's mailbox on disk, which dovecot serves: messages put into it
// byte for byte, counted, read back and cleared.
std::filesystem::path maildir(const std::string& user);
// Into the folder's directory of the mailbox on disk (".Name" for a folder
// "Name"; empty for INBOX).
void deliver(const std::string& user, const std::string& message, const std::string& folder = "");
std::vector<std::string> mailbox_messages(const std::string& user);
void clear_mailbox(const std::string& user);
// A log of the servers by its path in their folder ("log/dovecot.log"); ""
// when the servers' folder is not known.
std::string server_log(const std::string& relative);
// A connected socket, or no_socket.
Socket connect_to(int port);

#define REQUIRE_REAL_SERVERS()                                                                         \
    do {                                                                                               \
        if (!real_servers().present) GTEST_SKIP() << "real mail servers not running (scripts/test.sh starts them)"; \
    } while (0)
