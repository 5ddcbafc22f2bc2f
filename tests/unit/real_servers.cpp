#include "tests/unit/real_servers.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

namespace {
int port_from(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : 0;
}
std::string text_from(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}
}  // namespace

const RealServers& real_servers() {
    static const RealServers servers = [] {
        RealServers s;
        s.pop3_port = port_from("ZM_POP3_PORT");
        s.smtp_port = port_from("ZM_SMTP_PORT");
        s.imap_port = port_from("ZM_IMAP_PORT");
        s.imaps_port = port_from("ZM_IMAPS_PORT");
        s.socks_port = port_from("ZM_SOCKS_PORT");
        s.socks_auth_port = port_from("ZM_SOCKS_AUTH_PORT");
        s.socks_user = text_from("ZM_SOCKS_USER");
        s.socks_password = text_from("ZM_SOCKS_PASS");
        s.dante_auth_port = port_from("ZM_SOCKS_DANTE_AUTH_PORT");
        s.dante_user = text_from("ZM_SOCKS_DANTE_USER");
        s.dante_password = text_from("ZM_SOCKS_DANTE_PASS");
        s.present = s.pop3_port && s.smtp_port && s.socks_port && s.socks_auth_port && s.dante_auth_port;
        return s;
    }();
    return servers;
}

NetAddress loopback(int port) { return NetAddress{0x0100007f, port_to_network(port)}; }

Socket connect_to(int port) {
    Socket s = sys_socket_open();
    if (sys_connect(s, loopback(port)) != 0) {
        sys_socket_close(s);
        return no_socket;
    }
    return s;
}

std::string server_log(const std::string& relative) {
    std::string dir = text_from("ZM_SERVERS_DIR");
    if (dir.empty()) return "";
#ifdef _WIN32
    // Through Wine's drive for the root.
    std::string path = "Z:" + dir + "/" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
#else
    std::string path = dir + "/" + relative;
#endif
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::filesystem::path maildir(const std::string& user) {
#ifdef _WIN32
    std::string root = text_from("ZM_MAILDIR_ROOT_WIN");
#else
    std::string root = text_from("ZM_MAILDIR_ROOT");
#endif
    return std::filesystem::path(root) / user / "Maildir";
}

void deliver(const std::string& user, const std::string& message, const std::string& folder) {
    static std::atomic<int> n{0};
    std::filesystem::path box = folder.empty() ? maildir(user) : maildir(user) / folder;
    // The counter is padded: dovecot takes new files in the order of their
    // names, and "zmtest10" would come before "zmtest9".
    std::string count = std::to_string(n++);
    std::string name = std::to_string(std::time(nullptr)) + ".zmtest" + std::string(8 - std::min<size_t>(count.size(), 8), '0') +
                       count + ".local";
    {
        std::ofstream out(box / "tmp" / name, std::ios::binary);
        out << message;
    }
    // Maildir: written in tmp, moved into new when complete.
    std::filesystem::rename(box / "tmp" / name, box / "new" / name);
}

std::vector<std::string> mailbox_messages(const std::string& user) {
    std::vector<std::filesystem::path> files;
    for (const char* sub : {"new", "cur"})
        for (const auto& e : std::filesystem::directory_iterator(maildir(user) / sub)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::vector<std::string> messages;
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        messages.push_back(bytes.str());
    }
    return messages;
}

void clear_mailbox(const std::string& user) {
    for (const char* sub : {"new", "cur"})
        for (const auto& e : std::filesystem::directory_iterator(maildir(user) / sub)) std::filesystem::remove(e.path());
}
