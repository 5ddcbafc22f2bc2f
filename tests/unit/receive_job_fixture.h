// The fixture of the job tests: a working folder with a password key, the
// account table written by the test, and the recorders of what the user
// sees.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/arrays.h"
#include "client/client_keys.h"
#include "format/account_table.h"
#include "format/password_key.h"
#include "store/busy_folders.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/smtp_test_support.h"
#include "tests/unit/test_support.h"
#include "transport/imap.h"
#include "transport/imap_utf7.h"
#include "transport/status_sink.h"

class ReceiveJobTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        std::filesystem::create_directories(folder_ / "maildir" / "inbox");
        std::filesystem::create_directories(folder_ / "maildir" / "bob");
        array_copy(app.current_folder, "maildir\\drafts");
        std::string key(32, 'p');
        write_file(folder_ / "pwdkey.dat", key);
        ASSERT_EQ(password_key_load(), 0);
        busy_folders_init();
    }
    void TearDown() override {
        std::filesystem::remove(folder_ / "pwdkey.dat");
        password_key_load();
        StoreTest::TearDown();
    }
    std::string account(const std::string& name, const std::string& user, const std::string& password,
                        const std::string& inbox, int options, int at_port = 0) {
        Array* stored = array_new(100);
        encode_password(password_key(), password.c_str(), stored);
        std::string port = std::to_string(at_port ? at_port : real_servers().pop3_port);
        std::string a = name + "\r\n127.0.0.1\r\n\"" + name + "\" <" + user + "@example.test>\r\n127.0.0.1:" + port +
                        "\r\n" + user + "\r\n" + stored->text + "\r\n" + inbox + "\r\n" + std::to_string(options) + "\r\n";
        delete_arrays(stored);
        return a;
    }
    std::vector<std::string> files(const char* folder) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder_ / "maildir" / folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    UiRecorder ui;
};

// What another client does on the server meanwhile: marks the messages of
// the UIDs (none: every message) \Deleted, and expunges them when asked
// (UID EXPUNGE: only them). Alice's inbox is emptied this way around the
// test: files taken from under dovecot's feet may stay in its index for the
// second they were taken in. Another folder than INBOX is made first when
// the server has none of that name.
inline void elsewhere(std::vector<uint32_t> uids, bool expunge, const std::string& folder = "INBOX") {
    LogSink log;
    MailSession s{log};
    std::string capabilities;
    ASSERT_TRUE(s.open());
    ASSERT_EQ(imap_login(s, server_text(real_servers().imap_port).c_str(), "alice", "alicepw", {}, &capabilities), 0);
    std::string wire;
    ASSERT_TRUE(imap_utf7_encode(folder, &wire));
    ImapCommand create;
    create.word("CREATE").string(wire);
    if (folder != "INBOX") imap_run(s, create);  // refused when it is there already
    ImapFolder inbox;
    ASSERT_EQ(imap_select(s, folder, false, &inbox), 0);
    if (uids.empty()) {
        std::vector<ImapMessage> listed;
        ASSERT_EQ(imap_list_above(s, 0, 1000, &listed), 0);
        for (const ImapMessage& m : listed) uids.push_back(m.uid);
    }
    if (!uids.empty()) {
        ASSERT_EQ(imap_delete_messages(s, uids, expunge), 0);
    }
    imap_logout(s);
}
