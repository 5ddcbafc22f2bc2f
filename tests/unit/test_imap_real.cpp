// IMAP against the real dovecot of tests/servers, on the mailboxes its POP3
// serves: each login, a folder opened, the UIDs above one listed with their
// sizes, messages fetched byte for byte, and deleted ones expunged; and
// folders downloaded by UID into local folders, as POP3 stores them.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "store/imap_state.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/smtp_test_support.h"
#include "tests/unit/test_support.h"
#include "transport/auth.h"
#include "transport/imap.h"
#include "transport/imap_download.h"
#include "transport/pop3.h"
#include "transport/socket_lines.h"

namespace {

class ImapRealTest : public StatusTest {
protected:
    void SetUp() override {
        StatusTest::SetUp();
        if (!real_servers().present || !real_servers().imap_port)
            GTEST_SKIP() << "dovecot's IMAP of tests/servers is not running";
    }
    void TearDown() override {
        s.close();
        StatusTest::TearDown();
    }
    int login(const char* user, const char* password, LoginOptions options) {
        s.close();
        if (!s.open()) return -2;
        return imap_login(s, server_text(real_servers().imap_port).c_str(), user, password, options, &capabilities);
    }
    // Logged in as bob, whose INBOX is emptied through IMAP: files taken
    // from under dovecot's feet may stay in its index for the second they
    // were taken in.
    void empty_bobs_inbox() {
        ASSERT_EQ(login("bob", "bobpw", {}), 0) << shown();
        ImapFolder inbox;
        std::vector<ImapMessage> listed;
        ASSERT_EQ(imap_select(s, "INBOX", false, &inbox), 0) << shown();
        ASSERT_EQ(imap_list_above(s, 0, 1000, &listed), 0);
        std::vector<uint32_t> old;
        for (const ImapMessage& m : listed) old.push_back(m.uid);
        ASSERT_EQ(imap_delete_messages(s, old, true), 0);
    }
    MailSession s{sink};
    std::string capabilities;
};

TEST_F(ImapRealTest, LoginEachWayAndRefusals) {
    const LoginOptions plain{}, auth{.use_auth = true}, encrypted{.use_auth = true, .encrypted_only = true};
    // LOGIN, and AUTHENTICATE with CRAM-MD5 whether or not only encrypted
    // logins are allowed: it is preferred wherever it is offered.
    for (LoginOptions options : {plain, auth, encrypted}) {
        ASSERT_EQ(login("alice", "alicepw", options), 0) << shown();
        // The list after the login is the one that counts: dovecot names
        // UIDPLUS only then.
        EXPECT_TRUE(imap_has(capabilities, "UIDPLUS")) << capabilities;
        EXPECT_EQ(imap_logout(s), 0);
        EXPECT_EQ(shown(), "Connected to server.\r\n");
    }
    std::string log = server_log("log/dovecot.log");
    EXPECT_NE(log.find("imap-login: Info: Login: user=<alice>, method=CRAM-MD5"), std::string::npos);

    EXPECT_EQ(login("alice", "wrong", plain), -1);
    std::string text = shown();
    EXPECT_NE(text.find("\r\nA1 NO [AUTHENTICATIONFAILED]"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("\r\n\r\nIncorrect response from server.\r\n")) << text;
    EXPECT_EQ(login("alice", "wrong", encrypted), -1);
    EXPECT_TRUE(shown().ends_with("\r\nIncorrect response from server.\r\nCram-md5 authorisation error!\r\n"));

    // PLAIN through the login table's exchange, as an account gets it from a
    // server that offers nothing better.
    for (const char* password : {"bobpw", "wrong"}) {
        s.close();
        s.adopt(connect_to(real_servers().imap_port));
        ImapResponse greeting;
        ASSERT_EQ(imap_read_response(s, &greeting), 0);
        EXPECT_EQ(auth_plain(s, "bob", password, imap_sasl_command), password[0] == 'b' ? 1 : 0);
    }
}

TEST_F(ImapRealTest, SelectListFetchAndExpunge) {
    empty_bobs_inbox();
    if (HasFatalFailure()) return;
    ImapFolder inbox;
    std::vector<ImapMessage> listed;
    std::string small = "From: alice@example.test\r\nSubject: caf\xc3\xa9\r\n\r\n.dot line\r\n\x01\x7f\xff\r\n";
    std::string big = "From: alice@example.test\r\nSubject: big\r\n\r\n";
    while (big.size() < 300000) big += "From the start of a line, " + std::to_string(big.size()) + "\r\n.\r\n";
    deliver("bob", small);
    deliver("bob", big);
    ASSERT_EQ(imap_select(s, "INBOX", false, &inbox), 0) << shown();
    EXPECT_EQ(inbox.exists, 2u);
    EXPECT_NE(inbox.uidvalidity, 0u);

    ASSERT_EQ(imap_list_above(s, 0, 1000, &listed), 0);
    ASSERT_EQ(listed.size(), 2u);
    // Both in flight at once, each byte for byte.
    std::vector<std::string> delivered{small, big}, fetched(2);
    std::vector<uint32_t> uids{listed[0].uid, listed[1].uid};
    int whole = 0;
    ImapFetchSinks sinks{.body = [&](uint32_t uid, const char* b, int n) {
                             fetched[uid == uids[0] ? 0 : 1].append(b, static_cast<size_t>(n));
                             return true;
                         },
                         .done = [&](uint32_t, int result) { return result == IMAP_FETCHED && ++whole; }};
    ASSERT_EQ(imap_fetch_messages(s, uids, imap_pipeline_window, sinks), 0) << shown();
    EXPECT_EQ(whole, 2);
    for (size_t i = 0; i < 2; i++) {
        EXPECT_EQ(listed[i].size, static_cast<long long>(delivered[i].size()));
        EXPECT_TRUE(fetched[i] == delivered[i]) << "message " << i << ": " << fetched[i].size() << " bytes";
    }
    EXPECT_EQ(inbox.uidnext, listed[1].uid + 1);
    // Above the first: the second alone; above the last: nothing, though
    // "n:*" always names the highest message.
    std::vector<ImapMessage> above;
    ASSERT_EQ(imap_list_above(s, listed[0].uid, 1000, &above), 0);
    ASSERT_EQ(above.size(), 1u);
    EXPECT_EQ(above[0].uid, listed[1].uid);
    ASSERT_EQ(imap_list_above(s, listed[1].uid, 1000, &above), 0);
    EXPECT_TRUE(above.empty());
    ASSERT_EQ(imap_list_above(s, 0, 1, &above), 0);
    ASSERT_EQ(above.size(), 1u);
    EXPECT_EQ(above[0].uid, listed[0].uid);
    EXPECT_EQ(imap_fetch_message(s, inbox.uidnext + 5, [](const char*, int) { return true; }), IMAP_GONE);
    // Fetched with PEEK: still unread for every other client (no "S" among
    // the flags of the maildir's file names).
    EXPECT_EQ(mailbox_messages("bob").size(), 2u);
    for (const auto& e : std::filesystem::directory_iterator(maildir("bob") / "cur"))
        EXPECT_EQ(e.path().filename().string().find(":2,S"), std::string::npos) << e.path();

    ASSERT_EQ(imap_delete_messages(s, {listed[0].uid, listed[1].uid}, imap_has(capabilities, "UIDPLUS")), 0);
    EXPECT_EQ(mailbox_messages("bob").size(), 0u);
    ASSERT_EQ(imap_select(s, "INBOX", true, &inbox), 0);
    EXPECT_EQ(inbox.exists, 0u);
    ASSERT_EQ(imap_list_above(s, 0, 1000, &above), 0);
    EXPECT_TRUE(above.empty());
    EXPECT_EQ(imap_select(s, "No such folder", true, &inbox), imap_select_refused);
    std::string text = shown();
    EXPECT_NE(text.find(" NO Mailbox doesn't exist: No such folder"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("\r\n\r\nIncorrect response from server.\r\n")) << text;
    EXPECT_EQ(imap_logout(s), 0);
}

// A stored file without its line of when it came, which differs by the
// second it was written in.
std::string without_received_line(const std::string& file) {
    size_t at = file.find("X-Received");
    if (at == std::string::npos) return file;
    return file.substr(0, at) + file.substr(file.find("\r\n", at) + 2);
}

// A message as the client stores it: after its private lines, without the
// line end of its last line (which POP3's terminating line takes).
std::string as_stored(const std::string& message) {
    return "X-ZMRead: FALSE\r\n" + (message.ends_with("\r\n") ? message.substr(0, message.size() - 2) : message);
}

std::string stored(const char* folder, int n) {
    return read_file(std::filesystem::path("maildir") / folder / ("mm" + std::to_string(n) + ".eml"));
}

// A folder left on the server, checked again and again: each message once,
// byte for byte as POP3 stores it from the same mailbox; then delete mode
// takes the new message and removes every stored one from the server.
TEST_F(ImapRealTest, DownloadByUidLeavingThenDeleting) {
    if (!app.program_folder) create_app_state();
    std::filesystem::create_directories("maildir/inbox");
    std::filesystem::create_directories("maildir/pop");
    std::filesystem::create_directories("temp");
    empty_bobs_inbox();
    if (HasFatalFailure()) return;
    std::vector<ImapMessage> listed;
    std::string big = "From: alice@example.test\r\nSubject: big\r\n\r\n";
    while (big.size() < 300000) big += ".From a line, " + std::to_string(big.size()) + "\r\n";
    const std::vector<std::string> delivered{
        "From: alice@example.test\r\nSubject: one\r\n\r\n.dot line\r\n\x01\x7f\xff\r\n", big,
        "From: carol@example.test\r\nSubject: three\r\n\r\nlate\r\n"};
    deliver("bob", delivered[0]);
    deliver("bob", delivered[1]);
    shown();

    const std::string server = server_text(real_servers().imap_port);
    int count = -1;
    ASSERT_EQ(imap_download(s, server.c_str(), "bob", "INBOX", "maildir\\inbox", {}, &count), 0) << shown();
    EXPECT_EQ(count, 2);
    std::string text = shown();
    EXPECT_EQ(text.substr(0, 20), "Found 2.\r\n#1 (0.1 KB") << text;
    EXPECT_NE(text.find(" done\r\n#2 (293.0 KB)  done\r\n"), std::string::npos) << text;
    for (int n = 1; n <= 2; n++) {
        std::string file = stored("inbox", n);
        EXPECT_TRUE(file.starts_with("X-ZMRead: FALSE\r\nX-ReceivedDate: ")) << file.substr(0, 80);
        EXPECT_TRUE(without_received_line(file) == as_stored(delivered[n - 1])) << n;
    }
    // Left on the server, unread, as EXAMINE leaves a folder.
    EXPECT_EQ(mailbox_messages("bob").size(), 2u);
    for (const auto& e : std::filesystem::directory_iterator(maildir("bob") / "cur"))
        EXPECT_EQ(e.path().filename().string().find(":2,S"), std::string::npos) << e.path();
    ImapState state;
    ASSERT_EQ(imap_state_load(&state, server.c_str(), "bob", "INBOX"), 0);
    ASSERT_EQ(imap_list_above(s, 0, 1000, &listed), 0);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(state.highest, listed[1].uid);
    // Each UID recorded in its turn.
    EXPECT_EQ(read_file("uidl/" + state.path.substr(5)),
              "Server: " + server + "\r\nUser: bob\r\nFolder: INBOX\r\nUIDVALIDITY " +
                  std::to_string(state.uidvalidity) + "\r\nUID " + std::to_string(listed[0].uid) + "\r\nUID " +
                  std::to_string(state.highest) + "\r\n");

    // Nothing new: nothing stored again.
    ASSERT_EQ(imap_download(s, server.c_str(), "bob", "INBOX", "maildir\\inbox", {}, &count), 0) << shown();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(shown(), "Found 0.\r\n");
    // Delivered between two checks: fetched on the second, and numbered on;
    // one delivered while that check stores its message (after its listing)
    // is left to the next check, which fetches it and nothing else.
    const std::string during = "From: erin@example.test\r\nSubject: during\r\n\r\nmeanwhile\r\n";
    struct DeliveringSink : RecorderSink {
        const std::string* message = nullptr;
        void hold_file(std::FILE* file) override {
            if (file && message) deliver("bob", *std::exchange(message, nullptr));
            RecorderSink::hold_file(file);
        }
    } delivering;
    delivering.message = &during;
    deliver("bob", delivered[2]);
    MailSession checking(delivering);
    ASSERT_TRUE(checking.open());
    ASSERT_EQ(imap_login(checking, server.c_str(), "bob", "bobpw", {}, &capabilities), 0);
    ASSERT_EQ(imap_download(checking, server.c_str(), "bob", "INBOX", "maildir\\inbox", {.window = 1}, &count), 0);
    EXPECT_EQ(imap_logout(checking), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(without_received_line(stored("inbox", 3)), as_stored(delivered[2]));
    EXPECT_EQ(mailbox_messages("bob").size(), 4u);
    ASSERT_EQ(imap_download(s, server.c_str(), "bob", "INBOX", "maildir\\inbox", {}, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(shown(), "Connected to server.\r\nFound 1.\r\n#1 (0.0 KB)  done\r\nFound 1.\r\n#1 (0.1 KB)  done\r\n");
    EXPECT_EQ(without_received_line(stored("inbox", 4)), as_stored(during));
    EXPECT_FALSE(std::filesystem::exists("maildir/inbox/mm5.eml"));
    EXPECT_EQ(imap_logout(s), 0);

    // POP3 from the same mailbox stores the same bytes.
    MailSession pop{sink};
    ASSERT_TRUE(pop.open());
    Array* reply = array_new(line_capacity);
    Array* command = array_new(line_capacity);
    ASSERT_EQ(pop3_login(pop, reply, command, server_text(real_servers().pop3_port).c_str(), "bob", "bobpw", {}), 0);
    delete_arrays(reply, command);
    ASSERT_EQ(pop3_list(pop, nullptr), 4);
    ASSERT_EQ(pop3_retrieve(pop, "maildir\\pop", 1, 5, {}, nullptr, &count), 0) << shown();
    pop3_quit(pop);
    for (int n = 1; n <= 4; n++)
        EXPECT_TRUE(without_received_line(stored("pop", n)) == without_received_line(stored("inbox", n)))
            << n;

    // Delete mode: the message delivered since is stored, and it and those
    // stored before leave the server.
    const std::string fourth = "From: dave@example.test\r\nSubject: four\r\n\r\nlast\r\n";
    deliver("bob", fourth);
    ASSERT_EQ(login("bob", "bobpw", {}), 0) << shown();
    ImapDownloadOptions removing{.delete_after = true, .uidplus = imap_has(capabilities, "UIDPLUS")};
    ASSERT_EQ(imap_download(s, server.c_str(), "bob", "INBOX", "maildir\\inbox", removing, &count), 0) << shown();
    EXPECT_EQ(count, 1);
    EXPECT_EQ(without_received_line(stored("inbox", 5)), as_stored(fourth));
    EXPECT_EQ(mailbox_messages("bob").size(), 0u);
    ASSERT_EQ(imap_download(s, server.c_str(), "bob", "INBOX", "maildir\\inbox", removing, &count), 0) << shown();
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(std::filesystem::exists("maildir/inbox/mm6.eml"));
    EXPECT_EQ(imap_logout(s), 0);
}

}  // namespace
