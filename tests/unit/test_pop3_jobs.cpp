// The receive jobs against the real dovecot server.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <regex>
#include <filesystem>
#include <set>
#include <thread>
#include <string>
#include <vector>

#include "client/client_accounts.h"
#include "client/client_keys.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/settings.h"
#include "format/account_table.h"
#include "format/oauth_grant.h"
#include "format/password_key.h"
#include "store/busy_folders.h"
#include "store/imap_state.h"
#include "tests/unit/fake_token_endpoint.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/receive_job_fixture.h"
#include "tests/unit/relay.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/test_support.h"
#include "tests/unit/tls_stand_in.h"
#include "transport/mail_checker.h"
#include "transport/pop3_jobs.h"
#include "transport/socks_config.h"

namespace fs = std::filesystem;

namespace {

TEST_F(ReceiveJobTest, CheckAllAccountsStoresEveryMessageAndEmptiesTheDeletingAccount) {
    REQUIRE_REAL_SERVERS();
    clear_mailbox("alice");
    clear_mailbox("bob");
    const std::string dotted = "From: carol@example.test\r\nTo: alice@example.test\r\nSubject: dots\r\n\r\n"
                               ".a line\r\n.\r\n..\r\nlast line\r\n";
    deliver("alice", dotted);
    deliver("alice", "From: dave@example.test\r\nSubject: second\r\n\r\nhello\r\n");
    deliver("bob", "From: erin@example.test\r\nSubject: for bob\r\n\r\nbody\r\n");
    write_file(folder_ / "accountdata.cfg",
               account("home", "alice", "alicepw", "maildir\\inbox", 0) +
                   account("work", "bob", "bobpw", "maildir\\bob", ACCOUNT_POP3_AUTH | ACCOUNT_DELETE_FROM_SERVER));
    ASSERT_EQ(accounts_load(), 0);
    busy_folders_add("maildir\\inbox");
    busy_folders_add("maildir\\bob");
    recorder_jobs().on_show = {"maildir\\bob"};

    EXPECT_EQ(receive_job(recorder_jobs(), -1), 3);
    // The inbox on show is listed again once, after the job.
    EXPECT_EQ(ui.job_calls.back(), "redisplay");
    EXPECT_EQ(std::count(ui.job_calls.begin(), ui.job_calls.end(), "redisplay"), 1);

    std::string port = std::to_string(real_servers().pop3_port);
    std::string shown = ui.status_text();
    EXPECT_EQ(shown.rfind("Checking 127.0.0.1:" + port + ":\r\nConnected to server.\r\nFound 2.\r\n#1 (", 0), 0u) << shown;
    EXPECT_NE(shown.find("Checking 127.0.0.1:" + port + ":\r\nConnected to server.\r\nFound 1.\r\n"), std::string::npos);
    EXPECT_TRUE(shown.ends_with("\r\nNew messages: 3\r\nErrors: 0\r\n")) << shown;
    EXPECT_EQ(files("inbox"), (std::vector<std::string>{"mm1.eml", "mm2.eml"}));
    EXPECT_EQ(files("bob"), (std::vector<std::string>{"mm1.eml"}));

    // The stored message is what was delivered, without its last line end.
    std::string stored = read_file(folder_ / "maildir/inbox/mm1.eml");
    EXPECT_EQ(stored.rfind("X-ZMRead: FALSE\r\nX-ReceivedDate: ", 0), 0u);
    EXPECT_NE(stored.find(dotted.substr(0, dotted.size() - 2)), std::string::npos) << stored;
    EXPECT_EQ(stored.substr(stored.size() - 9), "last line");

    EXPECT_EQ(mailbox_messages("alice").size(), 2u);  // kept on the server
    EXPECT_TRUE(mailbox_messages("bob").empty());     // deleted after storing
    EXPECT_EQ(busy_folders_contains("maildir\\inbox"), 0);
    EXPECT_EQ(busy_folders_contains("maildir\\bob"), 0);
    std::string log = read_file(folder_ / "zmlog.txt");
    EXPECT_NE(log.find("] Found 2.\r\n"), std::string::npos);
    clear_mailbox("alice");
}

// dovecot's record of the user's next session to end after `from` in its
// log: its counts of TOP, RETR and DELE ("top=0/0, retr=3/96, del=0/3"), and
// where in the log that record ends. dovecot writes it a moment after the
// client's QUIT, so it is waited for.
std::string session_counts(size_t from, const std::string& user, size_t* after = nullptr) {
    const std::string who = "pop3(" + user + ")";
    for (int wait = 0; wait < 50; wait++) {
        std::string log = server_log("log/dovecot.log");
        for (size_t at = log.find(who, from); at != std::string::npos; at = log.find(who, at + 1)) {
            size_t end = log.find('\n', at);
            std::string line = log.substr(at, end - at);
            size_t counts = line.find("top=");
            if (line.find("Logged out") != std::string::npos && counts != std::string::npos) {
                if (after) *after = end == std::string::npos ? log.size() : end + 1;
                return line.substr(counts, line.find(", size") - counts);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "no session in the log";
}

// Each stored file's message from its subject on, counted.
std::multiset<std::string> subjects_in(const fs::path& folder) {
    std::multiset<std::string> found;
    for (const auto& e : fs::directory_iterator(folder)) {
        std::string text = read_file(e.path());
        size_t at = text.find("Subject: ");
        found.insert(text.substr(at, text.find("\r\n", at) - at));
    }
    return found;
}

// A mailbox left on the server: stored once, whatever comes after; only
// what is new follows, also with the accounts in another order and after
// "Download From Server".
TEST_F(ReceiveJobTest, AKeptMailboxIsStoredOnce) {
    REQUIRE_REAL_SERVERS();
    clear_mailbox("alice");
    clear_mailbox("bob");
    for (int n = 1; n <= 3; n++) deliver("alice", "Subject: kept " + std::to_string(n) + "\r\n\r\nbody\r\n");
    const std::string home = account("home", "alice", "alicepw", "maildir\\inbox", 0);
    write_file(folder_ / "accountdata.cfg", home);
    ASSERT_EQ(accounts_load(), 0);
    size_t mark = server_log("log/dovecot.log").size();
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 3) << ui.status_text();
    // The second session's record comes after the first one's.
    EXPECT_EQ(session_counts(mark, "alice", &mark).substr(0, 14), "top=0/0, retr=");

    size_t shown = ui.status_text().size();
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 0);
    EXPECT_NE(ui.status_text().find("Found 3.\r\nAlready received: 3\r\nYou have no new mail.\r\n", shown),
              std::string::npos)
        << ui.status_text().substr(shown);
    EXPECT_EQ(session_counts(mark, "alice"), "top=0/0, retr=0/0, del=0/3");

    deliver("alice", "Subject: kept 4\r\n\r\nbody\r\n");
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 1);
    EXPECT_TRUE(read_file(folder_ / "maildir/inbox/mm4.eml").ends_with("Subject: kept 4\r\n\r\nbody"));

    // The account's index moves; its mailbox is the same.
    write_file(folder_ / "accountdata.cfg", account("work", "bob", "bobpw", "maildir\\bob", 0) + home);
    ASSERT_EQ(accounts_load(), 0);
    shown = ui.status_text().size();
    EXPECT_EQ(receive_job(recorder_jobs(), -1), 0);
    EXPECT_TRUE(ui.status_text().ends_with("Already received: 4\r\nNew messages: 0\r\nErrors: 0\r\n"))
        << ui.status_text().substr(shown);

    // One of two new messages chosen in "E-mail Headers": a check then
    // stores only the other.
    deliver("alice", "Subject: kept 5\r\n\r\nbody\r\n");
    deliver("alice", "Subject: kept 6\r\n\r\nbody\r\n");
    const int chosen[] = {5};
    download_job(recorder_jobs(), 1, chosen, 1);
    EXPECT_EQ(files("inbox").size(), 5u);
    EXPECT_EQ(receive_job(recorder_jobs(), 1), 1) << ui.status_text();
    std::multiset<std::string> expected;
    for (int n = 1; n <= 6; n++) expected.insert("Subject: kept " + std::to_string(n));
    EXPECT_EQ(subjects_in(folder_ / "maildir/inbox"), expected);
    EXPECT_EQ(mailbox_messages("alice").size(), 6u);
    clear_mailbox("alice");
}

// The connection breaks in the middle of the second message of a deleting
// account: the server keeps all three (no QUIT); the next check deletes the
// first without downloading it and stores the other two.
TEST_F(ReceiveJobTest, ADeletingAccountCutMidSessionStoresNothingTwice) {
    REQUIRE_REAL_SERVERS();
    clear_mailbox("bob");
    std::string body;
    for (int line = 0; line < 40; line++) body += "line " + std::to_string(line) + " of the message\r\n";
    for (int n = 1; n <= 3; n++) deliver("bob", "Subject: cut " + std::to_string(n) + "\r\n\r\n" + body);
    Relay cut(real_servers().pop3_port, cutting_after("retr 2\r\n", 300));
    int port = port_from_network(cut.address().port);
    write_file(folder_ / "accountdata.cfg", account("work", "bob", "bobpw", "maildir\\bob", ACCOUNT_DELETE_FROM_SERVER, port));
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 1) << ui.status_text();
    cut.client_bytes();
    EXPECT_EQ(mailbox_messages("bob").size(), 3u);

    RelayOptions same_port;
    same_port.listen_port = port;
    Relay again(real_servers().pop3_port, same_port);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 2) << ui.status_text();
    std::string wire = again.client_bytes();
    EXPECT_NE(wire.find("dele 1\r\n"), std::string::npos) << wire;
    EXPECT_EQ(wire.find("retr 1\r\n"), std::string::npos) << wire;
    EXPECT_EQ(subjects_in(folder_ / "maildir/bob"), (std::multiset<std::string>{"Subject: cut 1", "Subject: cut 2",
                                                                               "Subject: cut 3"}));
    EXPECT_TRUE(mailbox_messages("bob").empty());
}

// An IMAP account and a POP3 account in one "Check All Accounts": each
// inbox gets its own mail, the IMAP account's is deleted from the server as
// the account asks and the POP3 one's kept. A server folder that was
// replaced since the last check is left alone, and the next account goes on.
TEST_F(ReceiveJobTest, AnImapAccountBesideAPop3OneAndAReplacedFolderLeftAlone) {
    REQUIRE_REAL_SERVERS();
    if (!real_servers().imap_port) GTEST_SKIP() << "dovecot's IMAP of tests/servers is not running";
    clear_mailbox("alice");
    clear_mailbox("bob");
    deliver("alice", "From: carol@example.test\r\nSubject: one\r\n\r\n.dot line\r\n");
    deliver("alice", "From: dave@example.test\r\nSubject: two\r\n\r\nhello\r\n");
    deliver("bob", "From: erin@example.test\r\nSubject: for bob\r\n\r\nbody\r\n");
    const std::string imap = "127.0.0.1:" + std::to_string(real_servers().imap_port);
    const std::string pop3 = "127.0.0.1:" + std::to_string(real_servers().pop3_port);
    const std::string pop3_account = account("work", "bob", "bobpw", "maildir\\bob", 0);
    write_file(folder_ / "accountdata.cfg",
               account("home", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP | ACCOUNT_DELETE_FROM_SERVER,
                       real_servers().imap_port) +
                   pop3_account);
    ASSERT_EQ(accounts_load(), 0);
    auto check_all = [&](int expected) {
        busy_folders_add("maildir\\inbox");
        busy_folders_add("maildir\\bob");
        ui.status_calls.clear();
        EXPECT_EQ(receive_job(recorder_jobs(), -1), expected);
        EXPECT_EQ(busy_folders_contains("maildir\\inbox"), 0);
        // The sizes depend on the lines the server adds.
        return std::regex_replace(ui.status_text(), std::regex(R"(#(\d) \([0-9.]+ KB\))"), "#$1");
    };
    EXPECT_EQ(check_all(3), "Checking " + imap + ":\r\nConnected to server.\r\nFound 2.\r\n#1  done\r\n#2  done\r\n"
                            "Checking " + pop3 + ":\r\nConnected to server.\r\nFound 1.\r\n#1  done\r\n"
                            "New messages: 3\r\nErrors: 0\r\n");
    EXPECT_EQ(files("inbox"), (std::vector<std::string>{"mm1.eml", "mm2.eml"}));
    EXPECT_EQ(files("bob"), (std::vector<std::string>{"mm1.eml"}));
    EXPECT_TRUE(read_file(folder_ / "maildir/inbox/mm1.eml").ends_with("\r\n.dot line"));
    EXPECT_TRUE(read_file(folder_ / "maildir/inbox/mm2.eml").ends_with("\r\n\r\nhello"));
    EXPECT_TRUE(mailbox_messages("alice").empty());
    EXPECT_EQ(mailbox_messages("bob").size(), 1u);
    // The IMAP account alone, nothing new: its window stays for the user.
    busy_folders_add("maildir\\inbox");
    ui.status_calls.clear();
    ui.job_calls.clear();
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 0);
    EXPECT_EQ(ui.status_text(),
              "Checking " + imap + ":\r\nConnected to server.\r\nFound 0.\r\nYou have no new mail.\r\n");
    EXPECT_EQ(ui.job_calls.back(), "ok 1");

    // The IMAP account's folder was rebuilt on its server (UIDVALIDITY 9
    // where 7 is recorded): it says so, stores nothing and records nothing.
    ImapState state;
    ScriptedPeer replaced({peer_send("* OK [CAPABILITY IMAP4rev1] ready\r\n"),
                           peer_receive("A1 LOGIN \"alice\" \"alicepw\"\r\n"), peer_send("A1 OK Logged in\r\n"),
                           peer_receive("A2 CAPABILITY\r\n"), peer_send("* CAPABILITY IMAP4rev1\r\nA2 OK\r\n"),
                           peer_receive("A3 EXAMINE \"INBOX\"\r\n"),
                           peer_send("* 5 EXISTS\r\n* OK [UIDVALIDITY 9] UIDs valid\r\nA3 OK [READ-ONLY] done\r\n"),
                           peer_receive("A4 LOGOUT\r\n"), peer_send("* BYE\r\nA4 OK\r\n")});
    const int peer_port = port_from_network(replaced.address().port);
    const std::string peer = "127.0.0.1:" + std::to_string(peer_port);
    ASSERT_EQ(imap_state_load(&state, peer.c_str(), "alice", "INBOX"), 0);
    ASSERT_EQ(imap_state_record(&state, 7, 41), 0);
    const std::string recorded = read_file(folder_ / ("uidl/" + state.path.substr(5)));
    write_file(folder_ / "accountdata.cfg",
               account("home", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP, peer_port) + pop3_account);
    ASSERT_EQ(accounts_load(), 0);
    deliver("bob", "From: erin@example.test\r\nSubject: again\r\n\r\nmore\r\n");
    ui.answers = {UI_ANSWER_NO};  // to downloading the folder again
    EXPECT_EQ(check_all(1), "Checking " + peer + ":\r\nConnected to server.\r\n"
                            "The server's folder INBOX was replaced: nothing was downloaded from it.\r\n"
                            "Checking " + pop3 + ":\r\nConnected to server.\r\nFound 2.\r\nAlready received: 1\r\n"
                            "#2  done\r\nNew messages: 1\r\nErrors: 1\r\n");
    EXPECT_EQ(replaced.received(), "A1 LOGIN \"alice\" \"alicepw\"\r\nA2 CAPABILITY\r\nA3 EXAMINE \"INBOX\"\r\n"
                                   "A4 LOGOUT\r\n");
    EXPECT_EQ(read_file(folder_ / ("uidl/" + state.path.substr(5))), recorded);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"The server's folder INBOX was replaced, so its messages cannot be "
                                                       "told from those received before. Would you like to download "
                                                       "all of them again?"});
    EXPECT_EQ(files("inbox"), (std::vector<std::string>{"mm1.eml", "mm2.eml"}));
    EXPECT_EQ(files("bob"), (std::vector<std::string>{"mm1.eml", "mm2.eml"}));
    clear_mailbox("bob");
}

TEST_F(ReceiveJobTest, WrongPasswordCountsAnErrorAndGoesOn) {
    REQUIRE_REAL_SERVERS();
    clear_mailbox("bob");
    deliver("bob", "Subject: x\r\n\r\ny\r\n");
    write_file(folder_ / "accountdata.cfg", account("bad", "alice", "wrong", "maildir\\inbox", 0) +
                                                account("work", "bob", "bobpw", "maildir\\bob", ACCOUNT_DELETE_FROM_SERVER));
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_EQ(receive_job(recorder_jobs(), -1), 1);
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find("\r\nIncorrect response from server.\r\nError 1: Cannot logon to POP3 server.\r\n"),
              std::string::npos)
        << shown;
    EXPECT_TRUE(shown.ends_with("\r\nNew messages: 1\r\nErrors: 1\r\n")) << shown;
}

TEST_F(ReceiveJobTest, OneAccountWithNoMail) {
    REQUIRE_REAL_SERVERS();
    clear_mailbox("alice");
    write_file(folder_ / "accountdata.cfg", account("home", "alice", "alicepw", "maildir\\inbox", ACCOUNT_POP3_AUTH));
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 0);
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find("Found 0.\r\nYou have no new mail.\r\n"), std::string::npos) << shown;
    EXPECT_EQ(ui.job_calls.front(), "open 0");
    EXPECT_EQ(ui.job_calls.back(), "ok 1");  // no mail: the window stays for the user
}

TEST_F(ReceiveJobTest, WithoutAccountsTheManagerIsOffered) {
    write_file(folder_ / "accountdata.cfg", "");
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_EQ(receive_job(recorder_jobs(), -1), 0);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"You must set up an email account before you can receive "
                                                        "email. Would you like to do that now?"}));
}

// Cancel while the job waits in the middle of a message: the status window
// aborts the socket, the job ends at once by itself, nothing half-received
// is left, no other account is tried, and the server is told nothing more.
TEST_F(ReceiveJobTest, CancelDuringABlockedReceiveEndsTheJobAndKeepsEverything) {
    ScriptedPeer peer({peer_send("+OK ready\r\n"), peer_receive("\r\n"), peer_send("+OK\r\n"),
                       peer_receive("pass"), peer_send("+OK logged in\r\n"), peer_receive("capa\r\n"),
                       peer_send("-ERR unknown command\r\n"), peer_receive("list\r\n"),
                       peer_send("+OK\r\n1 5000\r\n.\r\n"), peer_receive("uidl\r\n"), peer_send("-ERR\r\n"),
                       peer_receive("retr 1\r\n"),
                       peer_send("+OK 5000 octets\r\nSubject: half\r\n\r\nthe first lines\r\n"), peer_pause(6000)});
    int port = port_from_network(peer.address().port);
    write_file(folder_ / "accountdata.cfg",
               account("slow", "alice", "alicepw", "maildir\\inbox", ACCOUNT_DELETE_FROM_SERVER, port) +
                   account("next", "bob", "bobpw", "maildir\\bob", 0, port));
    ASSERT_EQ(accounts_load(), 0);
    busy_folders_add("maildir\\inbox");
    busy_folders_add("maildir\\bob");

    auto job = std::async(std::launch::async, [] { return receive_job(recorder_jobs(), -1); });
    // Until the scratch file of the message exists, and a moment more for
    // the job to block in the body the peer holds back.
    for (int i = 0; i < 100 && fs::is_empty(folder_ / "temp"); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ui.cancel();
    // Well before the peer would let go of the connection.
    ASSERT_EQ(job.wait_for(std::chrono::seconds(3)), std::future_status::ready) << "the job did not end";
    EXPECT_EQ(job.get(), 0);

    std::string shown = ui.status_text();
    EXPECT_EQ(shown.find("Checking", 1), std::string::npos) << shown;  // the second account was never tried
    EXPECT_TRUE(files("inbox").empty());
    EXPECT_TRUE(fs::is_empty(folder_ / "temp"));
    std::string said = peer.received();
    EXPECT_EQ(said.find("dele"), std::string::npos) << said;
    EXPECT_EQ(said.find("quit"), std::string::npos) << said;
    EXPECT_EQ(busy_folders_contains("maildir\\inbox"), 0);
    EXPECT_EQ(busy_folders_contains("maildir\\bob"), 0);
}

// The tray's check counts what waits on every server; the icon and the sound
// follow only a rise above the most seen.
TEST_F(ReceiveJobTest, TrayCheckCountsWaitingMailAndRisesOnlyAboveTheMostSeen) {
    REQUIRE_REAL_SERVERS();
    clear_mailbox("alice");
    clear_mailbox("bob");
    for (int i = 0; i < 3; i++) deliver("alice", "Subject: m" + std::to_string(i) + "\r\n\r\nbody\r\n");
    write_file(folder_ / "accountdata.cfg", account("home", "alice", "alicepw", "maildir\\inbox", 0) +
                                                account("locked out", "bob", "wrong", "maildir\\bob", 0) +
                                                // counted through IMAP, as POP3 counts
                                                account("work", "bob", "bobpw", "maildir\\bob", ACCOUNT_IMAP,
                                                        real_servers().imap_port));
    ASSERT_EQ(accounts_load(), 0);
    MailCheckState state;
    mail_check_begin(&state);
    LogSink quiet;

    EXPECT_EQ(mail_check_round(&state, quiet), 3);
    EXPECT_STREQ(state.summary->text, "home: 3 e-mails\r\n");
    EXPECT_TRUE(mail_check_rose(&state, 3));
    EXPECT_EQ(mail_check_round(&state, quiet), 3);
    EXPECT_FALSE(mail_check_rose(&state, 3));  // the same number: no sound, no new icon

    deliver("bob", "Subject: for bob\r\n\r\nbody\r\n");
    EXPECT_EQ(mail_check_round(&state, quiet), 4);
    EXPECT_STREQ(state.summary->text, "home: 3 e-mails\r\nwork: 1 e-mails\r\n");
    EXPECT_TRUE(mail_check_rose(&state, 4));
    EXPECT_FALSE(mail_check_rose(&state, 2));  // fewer after a receive elsewhere

    clear_mailbox("alice");
    clear_mailbox("bob");
    EXPECT_EQ(mail_check_round(&state, quiet), 0);
    EXPECT_STREQ(state.summary->text, "You have no new mail.");
    EXPECT_EQ(mailbox_messages("alice").size(), 0u);
    mail_check_end(&state);

    char tip[64];
    mail_check_tip(tip, sizeof tip, 12);
    EXPECT_STREQ(tip, "Zenth Mail (12 e-mails)");
}

// Ten accounts with names past the 80 characters shown: every line fits.
TEST_F(ReceiveJobTest, TrayCheckListsTenLongNamedAccounts) {
    ScriptedPeer* peers[10];
    std::string table, expected;
    for (int i = 0; i < 10; i++) {
        peers[i] = new ScriptedPeer({peer_send("+OK\r\n"), peer_receive("\r\n"), peer_send("+OK\r\n"),
                                     peer_receive("\r\n"), peer_send("+OK\r\n"), peer_receive("list\r\n"),
                                     peer_send("+OK\r\n1 10\r\n2 10\r\n.\r\n"), peer_receive("quit\r\n"),
                                     peer_send("+OK bye\r\n")});
        std::string name(80, static_cast<char>('a' + i));
        table += account(name + "-cut", "u", "p", "maildir\\inbox", 0, port_from_network(peers[i]->address().port));
        expected += name + ": 2 e-mails\r\n";
    }
    write_file(folder_ / "accountdata.cfg", table);
    ASSERT_EQ(accounts_load(), 0);
    MailCheckState state;
    mail_check_begin(&state);
    LogSink quiet;
    EXPECT_EQ(mail_check_round(&state, quiet), 20);
    EXPECT_EQ(std::string(state.summary->text), expected);
    mail_check_end(&state);
    for (ScriptedPeer* p : peers) delete p;
}

}  // namespace

// A server that stops answering at any point of a session: the job gives up
// after the time-out, says so in front of the failure of that step, and goes
// on with the next account; nothing is stored and no QUIT commits a DELE.
namespace {

struct SilentCase {
    const char* name;
    std::vector<PeerStep> script;
    int options;            // of the silent account
    const char* failure;    // the step's own failure line, right after the time-out text
    bool through_proxy = false;
};

std::vector<PeerStep> logged_in_until_retr() {
    return {peer_send("+OK ready\r\n"), peer_receive("\r\n"), peer_send("+OK\r\n"), peer_receive("pass"),
            peer_send("+OK logged in\r\n"), peer_receive("capa\r\n"), peer_send("-ERR unknown command\r\n"),
            peer_receive("list\r\n"), peer_send("+OK\r\n1 5000\r\n.\r\n"), peer_receive("uidl\r\n"),
            peer_send("-ERR\r\n"), peer_receive("retr 1\r\n"),
            peer_send("+OK 5000 octets\r\nSubject: half\r\n\r\nthe first lines\r\n")};
}

std::vector<PeerStep> then_silent(std::vector<PeerStep> steps) {
    steps.push_back(peer_silent(15000));
    return steps;
}

}  // namespace

TEST_F(ReceiveJobTest, ASilentServerTimesOutAtEveryStepAndTheNextAccountIsChecked) {
    const int seconds = 1;
    server_timeout_seconds = seconds;
    std::vector<SilentCase> cases;
    cases.push_back({"silent after connect", then_silent({}), 0, "receiveline error\r\n"});
    cases.push_back({"silent after the greeting", then_silent({peer_send("+OK ready\r\n")}), 0, "receiveline error\r\n"});
    cases.push_back({"silent after USER",
                     then_silent({peer_send("+OK ready\r\n"), peer_receive("\r\n"), peer_send("+OK\r\n")}), 0,
                     "receiveline error\r\n"});
    cases.push_back({"silent in the middle of a RETR", then_silent(logged_in_until_retr()), ACCOUNT_DELETE_FROM_SERVER,
                     "Error 1: Cannot download messages.\r\n"});
    cases.push_back({"silent after the STLS go-ahead",
                     then_silent({peer_send("+OK ready\r\n"), peer_receive("stls\r\n"), peer_send("+OK begin\r\n")}),
                     ACCOUNT_POP3_STLS, "Secure connection failed"});
    cases.push_back({"silent during the TLS handshake", then_silent({}), ACCOUNT_POP3_TLS, "Secure connection failed"});
    cases.push_back({"a SOCKS 5 proxy that never answers", then_silent({}), 0,
                     "Cannot connect to POP3 server.\r\n", true});
    for (SilentCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder_ / "maildir" / "inbox");
        fs::create_directories(folder_ / "maildir" / "inbox");
        ScriptedPeer silent(c.script);
        // The next account's server answers and refuses the login. Through
        // the proxy every account waits on the silent proxy, the next one too.
        std::unique_ptr<ScriptedPeer> next;
        if (!c.through_proxy)
            next = std::make_unique<ScriptedPeer>(std::vector<PeerStep>{
                peer_send("+OK ready\r\n"), peer_receive("\r\n"), peer_send("-ERR no such user\r\n")});
        int next_port = next ? port_from_network(next->address().port) : 111;
        // Natively the handshakes are the stand-in's; under Windows the
        // one during the handshake is the system's own (SChannel).
        std::unique_ptr<StandInTls> stand_in;
#ifdef _WIN32
        if (c.options != ACCOUNT_POP3_TLS) stand_in = std::make_unique<StandInTls>();
#else
        stand_in = std::make_unique<StandInTls>();
#endif
        int silent_port = port_from_network(silent.address().port);
        if (c.through_proxy) {
            socks_configure("127.0.0.1", silent_port, "", "", 0);
            settings_flags = SETTING_USE_SOCKS;
            silent_port = 110;  // what the proxy is asked for; it never gets that far
        }
        write_file(folder_ / "accountdata.cfg",
                   account("silent", "alice", "alicepw", "maildir\\inbox", c.options, silent_port) +
                       account("next", "bob", "bobpw", "maildir\\bob", 0, next_port));
        ASSERT_EQ(accounts_load(), 0);
        busy_folders_add("maildir\\inbox");
        busy_folders_add("maildir\\bob");
        ui.status_calls.clear();

        auto start = std::chrono::steady_clock::now();
        auto job = std::async(std::launch::async, [] { return receive_job(recorder_jobs(), -1); });
        bool ended = job.wait_for(std::chrono::seconds(seconds + 5)) == std::future_status::ready;
        if (!ended) ui.cancel();
        ASSERT_TRUE(ended) << "the job did not end";
        const int waits = c.through_proxy ? 2 : 1;
        double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("[ timing ] %s: ended after %.2f s (time-out %i s, %i wait%s)\n", c.name, took, seconds, waits,
                    waits == 1 ? "" : "s");
        EXPECT_LT(took, waits * seconds + 3.0);
        EXPECT_GT(took, waits * seconds - 0.2);
        settings_flags = 0;
        socks_config.configured = 0;
        EXPECT_EQ(job.get(), 0);

        std::string shown = ui.status_text();
        std::string timed_out = "Server did not answer within 1 seconds.\r\n";
        size_t at = shown.find(timed_out);
        ASSERT_NE(at, std::string::npos) << shown;
        EXPECT_EQ(shown.find(timed_out, at + 1) == std::string::npos, !c.through_proxy) << shown;
        EXPECT_EQ(shown.compare(at + timed_out.size(), std::strlen(c.failure), c.failure), 0) << shown;
        EXPECT_NE(shown.find("Checking 127.0.0.1:" + std::to_string(next_port)), std::string::npos) << shown;
        if (next) {
            EXPECT_NE(next->received().find("user bob"), std::string::npos);
        }
        EXPECT_TRUE(files("inbox").empty());
        EXPECT_TRUE(fs::is_empty(folder_ / "temp"));
        std::string said = silent.received();
        EXPECT_EQ(said.find("dele"), std::string::npos) << said;
        EXPECT_EQ(said.find("quit"), std::string::npos) << said;
        EXPECT_EQ(busy_folders_contains("maildir\\inbox"), 0);
    }
    server_timeout_seconds = server_timeout_default;
}

// A message that keeps arriving, however slowly, never runs into the
// time-out: it waits for a silence, not for the whole transfer.
TEST_F(ReceiveJobTest, AMessageTrickledOverManyTimeOutsArrivesWhole) {
    server_timeout_seconds = 1;
    std::string body;
    while (body.size() < 200 * 1024) body += "a line of a message that arrives slowly, piece by piece\r\n";
    std::string message = "Subject: slow\r\n\r\n" + body;
    std::vector<PeerStep> script = {peer_send("+OK ready\r\n"), peer_receive("\r\n"), peer_send("+OK\r\n"),
                                    peer_receive("pass"), peer_send("+OK logged in\r\n"), peer_receive("capa\r\n"),
                                    peer_send("-ERR\r\n"), peer_receive("list\r\n"),
                                    peer_send("+OK\r\n1 " + std::to_string(message.size()) + "\r\n.\r\n"),
                                    peer_receive("uidl\r\n"), peer_send("-ERR\r\n"), peer_receive("retr 1\r\n"),
                                    peer_send("+OK\r\n")};
    // 8 KB every 150 ms: about 50 KB a second, four seconds in all.
    for (PeerStep& step : peer_send_paced(message + ".\r\n", 8192, 150)) script.push_back(step);
    script.push_back(peer_receive("quit\r\n"));
    script.push_back(peer_send("+OK bye\r\n"));
    ScriptedPeer peer(script);
    write_file(folder_ / "accountdata.cfg", account("slow", "alice", "alicepw", "maildir\\inbox", 0,
                                                    port_from_network(peer.address().port)));
    ASSERT_EQ(accounts_load(), 0);
    busy_folders_add("maildir\\inbox");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 1);
    std::printf("[ timing ] 200 KB at 50 KB/s with a 1 s time-out: %.2f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    server_timeout_seconds = server_timeout_default;
    std::string shown = ui.status_text();
    EXPECT_EQ(shown.find("Server did not answer"), std::string::npos) << shown;
    ASSERT_EQ(files("inbox").size(), 1u);
    std::string stored = read_file(folder_ / "maildir" / "inbox" / files("inbox")[0]);
    EXPECT_NE(stored.find("Subject: slow\r\n\r\n" + body.substr(0, body.size() - 2)), std::string::npos);
}

TEST_F(ReceiveJobTest, OAuthAccountsLogInWithRenewedTokensAndAnExpiredSignInIsSkipped) {
    // {"status":"401","schemes":"bearer","scope":"https://mail.google.com/"}
    const std::string refusal =
        "+ eyJzdGF0dXMiOiI0MDEiLCJzY2hlbWVzIjoiYmVhcmVyIiwic2NvcGUiOiJodHRwczovL21haWwuZ29vZ2xlLmNvbS8ifQ==\r\n";
    const std::string first = xoauth2_line("ann", "at-old"), second = xoauth2_line("ann", "at-new");
    // The first token is refused; the login goes once more on a new
    // connection with a renewed one.
    StandInTls tls;
    ScriptedPeer peer({peer_secure(), peer_send("+OK ready\r\n"), peer_receive("auth\r\n"),
                       peer_send("+OK\r\nXOAUTH2\r\n.\r\n"), peer_receive("auth XOAUTH2\r\n"), peer_send("+ \r\n"),
                       peer_receive(first), peer_send(refusal), peer_receive(first + "\r\n"),
                       peer_send("-ERR [AUTH] Invalid credentials.\r\n"), peer_next_connection(), peer_secure(),
                       peer_send("+OK ready\r\n"), peer_receive("auth\r\n"), peer_send("+OK\r\nXOAUTH2\r\n.\r\n"),
                       peer_receive("auth XOAUTH2\r\n"), peer_send("+ \r\n"), peer_receive(second),
                       peer_send("+OK welcome\r\n"), peer_receive("capa\r\n"), peer_send("-ERR\r\n"),
                       peer_receive("list\r\n"), peer_send("+OK\r\n.\r\n"), peer_receive("quit\r\n"),
                       peer_send("+OK bye\r\n")});
    int port = port_from_network(peer.address().port);
    const int oauth = ACCOUNT_OAUTH | ACCOUNT_POP3_TLS;
    write_file(folder_ / "accountdata.cfg", account("gone", "gil", "gilpw", "maildir\\inbox", oauth, 1) +
                                                account("ann", "ann", "annpw", "maildir\\bob", oauth, port));
    ASSERT_EQ(accounts_load(), 0);
    const std::string token_url = "https://login.example.test/token";
    ASSERT_EQ(oauth_grant_save("127.0.0.1:1", "gil", {token_url, "c", "", "rt-gil"}), 0);
    ASSERT_EQ(oauth_grant_save(("127.0.0.1:" + std::to_string(port)).c_str(), "ann", {token_url, "c", "", "rt-ann-1"}),
              0);
    FakeTokenEndpoint endpoint;
    FakeTokenEndpoint::replies() = {R"({"error":"invalid_grant"})",
                                    R"({"access_token":"at-old","token_type":"Bearer","expires_in":3600})",
                                    R"({"access_token":"at-new","token_type":"Bearer","refresh_token":"rt-ann-2"})"};

    EXPECT_EQ(receive_job(recorder_jobs(), -1), 0);
    std::string shown = ui.status_text();
    EXPECT_EQ(shown.rfind("Checking 127.0.0.1:1:\r\nSign-in for gone has expired: open the account manager and sign in "
                          "again.\r\nChecking 127.0.0.1:" + std::to_string(port) + ":\r\n",
                          0),
              0u)
        << shown;
    EXPECT_NE(shown.find("The server refused the access token (status: 401).\r\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Found 0.\r\n"), std::string::npos) << shown;
    EXPECT_TRUE(shown.ends_with("\r\nNew messages: 0\r\nErrors: 1\r\n")) << shown;
    // Each refresh spends the grant on disk, the rotated one kept.
    const std::string refresh = token_url + " grant_type=refresh_token&refresh_token=";
    EXPECT_EQ(FakeTokenEndpoint::requests(), (std::vector<std::string>{refresh + "rt-gil&client_id=c",
                                                                       refresh + "rt-ann-1&client_id=c",
                                                                       refresh + "rt-ann-1&client_id=c"}));
    OAuthGrant kept;
    ASSERT_EQ(oauth_grant_load(("127.0.0.1:" + std::to_string(port)).c_str(), "ann", &kept), 0);
    EXPECT_EQ(kept.refresh_token, "rt-ann-2");
    std::string wire = peer.received();
    EXPECT_EQ(wire, "STARTSECURE\r\nauth\r\nauth XOAUTH2\r\n" + first + "\r\nSTARTSECURE\r\nauth\r\nauth XOAUTH2\r\n" +
                        second + "capa\r\nlist\r\nquit\r\n");
    // No token, and no password of an OAuth account, anywhere the user's
    // files or the wire keep them.
    std::string log = read_file(folder_ / "zmlog.txt"), table = read_file(folder_ / "accountdata.cfg");
    for (const char* secret : {"at-old", "at-new", "rt-ann", "rt-gil"}) {
        EXPECT_EQ(log.find(secret), std::string::npos) << secret;
        EXPECT_EQ(table.find(secret), std::string::npos) << secret;
    }
    EXPECT_EQ(wire.find("annpw"), std::string::npos);
    EXPECT_EQ(peer.received_raw().find("at-new"), std::string::npos);
}
