#include "tests/unit/smtp_test_support.h"

#include <algorithm>

#include "client/client_accounts.h"
#include "client/client_keys.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/arrays.h"
#include "format/account_table.h"
#include "format/password_key.h"

std::string standard_header(const std::string& subject) {
    return "From: \"Alice\" <alice@example.test>\r\nTo: bob@example.test\r\nSubject: " + subject +
           "\r\nDate: Mon, 1 Jan 2024 10:00:00 +0000\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
}

std::string outgoing_file(const Outgoing& m) {
    return "X-ZMServer: " + m.server + "\r\nX-ZMAccountIndex: " + m.account + "\r\nX-ZMAddress: " + m.address +
           "\r\nX-ZMRecipients: " + m.recipients + "\r\nX-ZMOpts: " + m.options + "\r\n" + without_private_fields(m);
}

std::string without_private_fields(const Outgoing& m) { return standard_header(m.subject) + m.body; }

void load_accounts(const std::vector<TestAccount>& accounts) {
    if (!app.program_folder) create_app_state();
    std::string key;
    for (int i = 0; i < 32; i++) key += static_cast<char>(7 + i * 3);
    write_file("pwdkey.dat", key);
    password_key_load();
    std::string table;
    int n = 0;
    for (const TestAccount& a : accounts) {
        Array* stored = array_new(100);
        encode_password(password_key(), a.password.c_str(), stored);
        table += "account" + std::to_string(n++) + "\r\n" + a.smtp_server + "\r\n\"Alice\" <alice@example.test>\r\n" +
                 a.pop3_server + "\r\n" + a.user + "\r\n" + stored->text + "\r\nmaildir\\inbox\r\n" +
                 std::to_string(a.options) + "\r\n";
        delete_arrays(stored);
    }
    write_file("accountdata.cfg", table);
    accounts_load();
}

std::string server_text(const NetAddress& address) { return server_text(port_from_network(address.port)); }
std::string server_text(int port) { return "127.0.0.1:" + std::to_string(port); }

void make_send_folders() {
    for (const char* folder : {"temp", "maildir/outbox", "maildir/sent items", "maildir/inbox"})
        std::filesystem::create_directories(folder);
}

std::vector<PeerStep> join_steps(std::vector<PeerStep> a, const std::vector<PeerStep>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<PeerStep> plain_session(const std::vector<std::string>& replies) {
    // What the client sends before each reply; the peer waits for it (the
    // received text is cumulative, so each wait names something new).
    static const char* const cues[] = {"", "helo ", "mail from:", "rcpt to:", "data\r\n", "\r\n.\r\n", "quit\r\n"};
    std::vector<PeerStep> script;
    for (size_t i = 0; i < replies.size() && i < 7; i++) {
        if (cues[i][0]) script.push_back(peer_receive(cues[i]));
        script.push_back(peer_send(replies[i]));
    }
    return script;
}

const std::vector<std::string>& good_replies() {
    static const std::vector<std::string> replies = {"220 peer ready\r\n", "250 hello\r\n", "250 sender ok\r\n",
                                                     "250 recipient ok\r\n", "354 go ahead\r\n",
                                                     "250 queued as 1\r\n", "221 bye\r\n"};
    return replies;
}

std::vector<std::string> files_in(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& e : std::filesystem::directory_iterator(folder, ignored)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
