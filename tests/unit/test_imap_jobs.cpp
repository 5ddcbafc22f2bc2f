// The "E-mail Headers" jobs and the replaced folder of IMAP accounts:
// against the real dovecot for what it does, against scripted peers for
// what it never does.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "client/client_accounts.h"
#include "core/accounts.h"
#include "store/busy_folders.h"
#include "store/imap_state.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/receive_job_fixture.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/smtp_test_support.h"
#include "tests/unit/test_support.h"
#include "transport/header_listing.h"
#include "transport/imap.h"
#include "transport/imap_push.h"
#include "transport/pop3.h"
#include "transport/pop3_jobs.h"

namespace fs = std::filesystem;

namespace {

using ImapJobTest = ReceiveJobTest;

// The files of "temp", each without the two private lines a listing writes
// first (their date differs from run to run), after checking they are there.
std::vector<std::string> listed_files(const fs::path& folder) {
    std::vector<std::string> files;
    for (int k = 1; fs::exists(folder / "temp" / ("mm" + std::to_string(k) + ".eml")); k++) {
        std::string text = read_file(folder / "temp" / ("mm" + std::to_string(k) + ".eml"));
        EXPECT_EQ(text.rfind("X-ZMRead: FALSE\r\nX-ReceivedDate: ", 0), 0u) << text;
        files.push_back(text.substr(text.find("\r\n", 17) + 2));
    }
    return files;
}

std::vector<int32_t> listed_sizes(size_t n) {
    std::vector<int32_t> sizes(n);
    std::memcpy(sizes.data(), header_listing_sizes()->words, n * 4);
    return sizes;
}

// The message as stored: the private lines, then the bytes as delivered
// without the last line end.
std::string stored_body(const fs::path& file) {
    std::string text = read_file(file);
    EXPECT_EQ(text.rfind("X-ZMRead: FALSE\r\nX-ReceivedDate: ", 0), 0u) << text;
    return text.substr(text.find("\r\n", 17) + 2);
}

// What another client does on the server meanwhile: marks the messages of
// the UIDs (none: every message) \Deleted, and expunges them when asked
// (UID EXPUNGE: only them). Alice's inbox is emptied this way around the
// test: files taken from under dovecot's feet may stay in its index for the
// second they were taken in.
void elsewhere(std::vector<uint32_t> uids, bool expunge) {
    LogSink log;
    MailSession s{log};
    std::string capabilities;
    ASSERT_TRUE(s.open());
    ASSERT_EQ(imap_login(s, server_text(real_servers().imap_port).c_str(), "alice", "alicepw", {}, &capabilities), 0);
    ImapFolder inbox;
    ASSERT_EQ(imap_select(s, "INBOX", false, &inbox), 0);
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

// One mailbox listed through POP3 and then through IMAP gives the same
// files and sizes in "temp", and the IMAP listing marks nothing seen. Its
// rows then act on the messages they were listed for, by UID, after
// another client expunged one and marked another: a download of chosen
// rows stores exactly those messages (one gone is said to be), and a
// deletion takes only its row's message, leaving the other client's mark
// alone, and lists the mailbox again.
TEST_F(ImapJobTest, ListedRowsAreDownloadedAndDeletedByUidWhateverHappenedBetween) {
    REQUIRE_REAL_SERVERS();
    if (!real_servers().imap_port) GTEST_SKIP() << "dovecot's IMAP of tests/servers is not running";
    elsewhere({}, true);
    std::string lines;
    for (int n = 1; n <= 14; n++) lines += (n == 3 ? ".dot line " : "line ") + std::to_string(n) + "\r\n";
    const std::vector<std::string> sent = {
        "From: carol@example.test\r\nSubject: one\r\n\r\nshort\r\n",
        "From: dave@example.test\r\nSubject: two\r\nX-Long: " + std::string(300, 'x') + "\r\n\r\n" + lines,
        "From: erin@example.test\r\nSubject: three\r\n\r\n",
    };
    for (const std::string& m : sent) deliver("alice", m);
    const std::string pop3 = account("pop", "alice", "alicepw", "maildir\\bob", 0);
    write_file(folder_ / "accountdata.cfg",
               pop3 + account("imap", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP, real_servers().imap_port));
    ASSERT_EQ(accounts_load(), 0);

    header_listing_job(recorder_jobs(), 0);
    const std::vector<std::string> by_pop3 = listed_files(folder_);
    const std::vector<int32_t> pop3_sizes = listed_sizes(3);
    ASSERT_EQ(by_pop3.size(), 3u) << ui.status_text();
    EXPECT_TRUE(by_pop3[1].ends_with("\r\n\r\nline 1\r\nline 2\r\n.dot line 3\r\nline 4\r\nline 5\r\nline 6\r\n"
                                     "line 7\r\nline 8\r\nline 9\r\nline 10"))
        << by_pop3[1];
    ui.status_calls.clear();
    busy_folders_add("temp");
    header_listing_job(recorder_jobs(), 1);
    EXPECT_EQ(listed_files(folder_), by_pop3);
    EXPECT_EQ(listed_sizes(3), pop3_sizes);
    EXPECT_EQ(std::regex_replace(ui.status_text(), std::regex(R"(#(\d) \([0-9.]+ KB\))"), "#$1"),
              "Connected to server.\r\nFound 3.\r\n#1  done\r\n#2  done\r\n#3  done\r\n");
    EXPECT_EQ(ui.job_calls.back(), "close");
    EXPECT_EQ(busy_folders_contains("temp"), 0);
    for (const auto& e : fs::recursive_directory_iterator(maildir("alice")))
        EXPECT_EQ(e.path().filename().string().find(":2,S"), std::string::npos) << e.path();
    const HeaderListing listing = header_listing_get();
    ASSERT_EQ(listing.messages.size(), 3u);

    // Another client expunges the first message and marks the third.
    elsewhere({listing.messages[0].uid}, true);
    elsewhere({listing.messages[2].uid}, false);
    ui.status_calls.clear();
    busy_folders_add("maildir\\inbox");
    const int chosen[] = {3, 1, 2};
    download_job(recorder_jobs(), 1, chosen, 3);
    EXPECT_EQ(std::regex_replace(ui.status_text(), std::regex(R"(#(\d) \([0-9.]+ KB\))"), "#$1"),
              "Connected to server.\r\n#1  done\r\n#2  done\r\nMessages no longer on the server: 1\r\n");
    EXPECT_EQ(files("inbox"), (std::vector<std::string>{"mm1.eml", "mm2.eml"}));
    EXPECT_EQ(stored_body(folder_ / "maildir/inbox/mm1.eml"), sent[2].substr(0, sent[2].size() - 2));
    EXPECT_EQ(stored_body(folder_ / "maildir/inbox/mm2.eml"), sent[1].substr(0, sent[1].size() - 2));
    EXPECT_EQ(busy_folders_contains("maildir\\inbox"), 0);
    // The first message was never stored here: the next check must not
    // take it as stored, so the highest UID stored stays below it.
    ImapState state;
    ASSERT_EQ(imap_state_load(&state, server_text(real_servers().imap_port).c_str(), "alice", "INBOX"), 0);
    EXPECT_EQ(state.highest, 0u);

    ui.status_calls.clear();
    busy_folders_add("temp");
    const int second[] = {2};
    delete_job(recorder_jobs(), 1, second, 1);
    // Only the third is left, with the other client's mark; listed again.
    std::vector<std::string> left = mailbox_messages("alice");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0], sent[2]);
    EXPECT_EQ(listed_files(folder_), std::vector<std::string>{by_pop3[2]});
    EXPECT_TRUE(std::regex_replace(ui.status_text(), std::regex(R"(#(\d) \([0-9.]+ KB\))"), "#$1")
                    .ends_with("Connected to server.\r\nFound 1.\r\n#1  done\r\n"))
        << ui.status_text();
    EXPECT_EQ(busy_folders_contains("temp"), 0);
    elsewhere({}, true);
}

// What dovecot never does: a server without UIDPLUS, where the delete is
// refused before anything is marked; rows of a listing made for another
// account or protocol, refused before any connection; and a folder
// replaced on the server, downloaded again when the user says yes.
TEST_F(ImapJobTest, RefusedDeletesAndRowsAndAReplacedFolderDownloadedAgain) {
    ScriptedPeer peer({peer_send("* OK [CAPABILITY IMAP4rev1] ready\r\n"),
                       peer_receive("A1 LOGIN \"alice\" \"alicepw\"\r\n"), peer_send("A1 OK Logged in\r\n"),
                       peer_receive("A2 CAPABILITY\r\n"), peer_send("* CAPABILITY IMAP4rev1 LITERAL+\r\nA2 OK\r\n"),
                       peer_receive("A3 LOGOUT\r\n"), peer_send("* BYE\r\nA3 OK\r\n"), peer_next_connection(),
                       // The receive: the folder's UIDVALIDITY is 9 where 7 is recorded.
                       peer_send("* OK [CAPABILITY IMAP4rev1] ready\r\n"),
                       peer_receive("A1 LOGIN \"alice\" \"alicepw\"\r\n"), peer_send("A1 OK Logged in\r\n"),
                       peer_receive("A2 CAPABILITY\r\n"), peer_send("* CAPABILITY IMAP4rev1\r\nA2 OK\r\n"),
                       peer_receive("A3 EXAMINE \"INBOX\"\r\n"),
                       peer_send("* 1 EXISTS\r\n* OK [UIDVALIDITY 9] UIDs valid\r\nA3 OK [READ-ONLY] done\r\n"),
                       peer_receive("A4 EXAMINE \"INBOX\"\r\n"),
                       peer_send("* 1 EXISTS\r\n* OK [UIDVALIDITY 9] UIDs valid\r\nA4 OK [READ-ONLY] done\r\n"),
                       peer_receive("A5 UID FETCH 1:* (UID RFC822.SIZE)\r\n"),
                       peer_send("* 1 FETCH (UID 5 RFC822.SIZE 22)\r\nA5 OK\r\n"),
                       peer_receive("A6 UID FETCH 5 (UID BODY.PEEK[])\r\n"),
                       peer_send("* 1 FETCH (UID 5 BODY[] {22}\r\nSubject: again\r\n\r\nhi\r\n)\r\nA6 OK\r\n"),
                       peer_receive("A7 LOGOUT\r\n"), peer_send("* BYE\r\nA7 OK\r\n")});
    const int port = port_from_network(peer.address().port);
    const std::string server = "127.0.0.1:" + std::to_string(port);
    write_file(folder_ / "accountdata.cfg",
               account("imap", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP, port) +
                   account("pop", "bob", "bobpw", "maildir\\bob", 0, port));
    ASSERT_EQ(accounts_load(), 0);
    const int row[] = {1};
    const std::string refused =
        "The E-mail Headers list does not belong to this account. Please select E-mail Headers again.\r\n";

    header_listing_set({.account = 0, .imap = true, .uidvalidity = 7, .messages = {{5, 22}}});
    busy_folders_add("temp");
    delete_job(recorder_jobs(), 0, row, 1);
    EXPECT_EQ(ui.status_text(), "Connected to server.\r\nIMAP server does not support UIDPLUS: nothing was deleted.\r\n");
    EXPECT_EQ(busy_folders_contains("temp"), 0);
    // The IMAP listing's row is no POP3 number, nor one of another account.
    ui.status_calls.clear();
    download_job(recorder_jobs(), 1, row, 1);
    header_listing_set({.account = 1, .imap = false});
    download_job(recorder_jobs(), 0, row, 1);
    EXPECT_EQ(ui.status_text(), refused + refused);

    ImapState state;
    ASSERT_EQ(imap_state_load(&state, server.c_str(), "alice", "INBOX"), 0);
    ASSERT_EQ(imap_state_record(&state, 7, 41), 0);
    ui.status_calls.clear();
    ui.answers = {UI_ANSWER_YES};
    busy_folders_add("maildir\\inbox");
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              "The server's folder INBOX was replaced, so its messages cannot be told from those received before. "
              "Would you like to download all of them again?");
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
    EXPECT_EQ(ui.boxes[0].style, static_cast<unsigned>(UI_YESNO | UI_ICON_QUESTION));
    EXPECT_EQ(ui.status_text(), "Checking " + server + ":\r\nConnected to server.\r\nFound 1.\r\n#1 (0.0 KB)  done\r\n");
    EXPECT_EQ(stored_body(folder_ / "maildir/inbox/mm1.eml"), "Subject: again\r\n\r\nhi");
    ImapState after;
    ASSERT_EQ(imap_state_load(&after, server.c_str(), "alice", "INBOX"), 0);
    EXPECT_EQ(after.uidvalidity, 9u);
    EXPECT_EQ(after.highest, 5u);
    EXPECT_EQ(peer.received(),
              "A1 LOGIN \"alice\" \"alicepw\"\r\nA2 CAPABILITY\r\nA3 LOGOUT\r\n"
              "A1 LOGIN \"alice\" \"alicepw\"\r\nA2 CAPABILITY\r\nA3 EXAMINE \"INBOX\"\r\nA4 EXAMINE \"INBOX\"\r\n"
              "A5 UID FETCH 1:* (UID RFC822.SIZE)\r\nA6 UID FETCH 5 (UID BODY.PEEK[])\r\nA7 LOGOUT\r\n");
}

// Waits for the condition, at most `seconds`; whether it came.
template <class Condition>
bool within(double seconds, Condition condition) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The push's periods as a test shortens them, and back as they were after.
struct ShortPushPeriods {
    ShortPushPeriods(int renew, int retry) {
        imap_idle_renew_seconds = renew;
        imap_push_retry_seconds = retry;
    }
    ~ShortPushPeriods() {
        imap_idle_renew_seconds = renew_before;
        imap_push_retry_seconds = retry_before;
    }
    const int renew_before = imap_idle_renew_seconds, retry_before = imap_push_retry_seconds;
};

// Tray mode's push against dovecot: the IMAP account idles on its INBOX
// (the POP3 account beside it gets no connection), a delivery wakes the
// check within seconds, the IDLE is renewed with DONE on its period, and a
// stop ends the connection at once.
TEST_F(ImapJobTest, PushIdlesOnDovecotWakesOnADeliveryRenewsAndStopsAtOnce) {
    REQUIRE_REAL_SERVERS();
    if (!real_servers().imap_port) GTEST_SKIP() << "dovecot's IMAP of tests/servers is not running";
    elsewhere({}, true);
    ShortPushPeriods periods(2, 1);
    write_file(folder_ / "accountdata.cfg",
               account("pop", "bob", "bobpw", "maildir\\bob", 0) +
                   account("home", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP, real_servers().imap_port));
    ASSERT_EQ(accounts_load(), 0);
    // With the tray's dial-up check on, no connection at all.
    EXPECT_EQ(imap_push_running(imap_push_start(false).get()), 0);
    std::shared_ptr<ImapPush> push = imap_push_start();
    EXPECT_EQ(imap_push_running(push.get()), 1);
    ASSERT_TRUE(within(5, [&] { return imap_push_idling(push.get(), 1); })) << read_file(folder_ / "zmlog.txt");
    EXPECT_FALSE(imap_push_wait(push.get(), 0));

    deliver("alice", "From: carol@example.test\r\nSubject: pushed\r\n\r\nhello\r\n");
    EXPECT_TRUE(within(5, [&] { return imap_push_wait(push.get(), 100); }));
    // Renewed on the same connection: DONE answered, IDLE started again.
    EXPECT_TRUE(within(8, [&] { return imap_push_entered(push.get(), 1) >= 3 && imap_push_idling(push.get(), 1); }));
    EXPECT_FALSE(imap_push_wait(push.get(), 0));

    imap_push_stop(push.get());
    EXPECT_TRUE(within(1.5, [&] { return imap_push_running(push.get()) == 0; }));
    std::string log = read_file(folder_ / "zmlog.txt");
    EXPECT_EQ(log.find("IDLE ended"), std::string::npos) << log;
    EXPECT_EQ(log.find("error"), std::string::npos) << log;
    // Said once for the connection, not for each renewal.
    size_t started = log.find("home: IMAP IDLE started; the server reports new mail at once.\r\n");
    EXPECT_NE(started, std::string::npos) << log;
    EXPECT_EQ(log.find("IDLE started", started + 20), std::string::npos) << log;
    elsewhere({}, true);
}

// One connection of the push up to its IDLE, as a server greets and answers.
std::vector<PeerStep> up_to_idle(const std::string& capabilities) {
    return {peer_send("* OK [CAPABILITY " + capabilities + "] ready\r\n"),
            peer_receive("A1 LOGIN \"alice\" \"alicepw\"\r\n"),
            peer_send("A1 OK Logged in\r\n"),
            peer_receive("A2 CAPABILITY\r\n"),
            peer_send("* CAPABILITY " + capabilities + "\r\nA2 OK\r\n"),
            peer_receive("A3 EXAMINE \"INBOX\"\r\n"),
            peer_send("* 2 EXISTS\r\n* OK [UIDVALIDITY 9] UIDs valid\r\nA3 OK [READ-ONLY] done\r\n"),
            peer_receive("A4 IDLE\r\n")};
}

// A refused IDLE and a BYE while idling each leave the account to the
// regular check, with the server's text in the log, until IDLE is tried
// again after a back-off that doubles while no IDLE starts; a server that
// does not offer IDLE is left to the check for good. A stop says DONE and
// LOGOUT to the idling server.
TEST_F(ImapJobTest, PushFallsBackToTheRegularCheckAndTriesIdleAgain) {
    ShortPushPeriods periods(600, 1);
    std::vector<PeerStep> script;
    auto then = [&](std::vector<PeerStep> steps) { script.insert(script.end(), steps.begin(), steps.end()); };
    for (int refusal = 0; refusal < 2; refusal++) {
        then(up_to_idle("IMAP4rev1 IDLE"));
        then({peer_send("A4 NO [CANNOT] not now\r\n"), peer_next_connection()});
    }
    then(up_to_idle("IMAP4rev1 IDLE"));
    then({peer_send("+ idling\r\n* BYE going down\r\n"), peer_next_connection()});
    then(up_to_idle("IMAP4rev1 IDLE"));
    then({peer_send("+ idling\r\n"), peer_receive("DONE\r\nA5 LOGOUT\r\n")});
    ScriptedPeer idler(script);
    ScriptedPeer plain({peer_send("* OK [CAPABILITY IMAP4rev1] ready\r\n"), peer_receive("A1 LOGIN \"alice\" \"alicepw\"\r\n"),
                        peer_send("A1 OK Logged in\r\n"), peer_receive("A2 CAPABILITY\r\n"),
                        peer_send("* CAPABILITY IMAP4rev1\r\nA2 OK\r\n"), peer_receive("A3 LOGOUT\r\n"),
                        peer_send("* BYE\r\nA3 OK\r\n")});
    write_file(folder_ / "accountdata.cfg",
               account("idler", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP,
                       port_from_network(idler.address().port)) +
                   account("plain", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP,
                           port_from_network(plain.address().port)));
    ASSERT_EQ(accounts_load(), 0);
    std::shared_ptr<ImapPush> push = imap_push_start();
    EXPECT_TRUE(within(5, [&] { return imap_push_running(push.get()) == 1; })) << read_file(folder_ / "zmlog.txt");
    ASSERT_TRUE(within(10, [&] { return imap_push_entered(push.get(), 0) == 2 && imap_push_idling(push.get(), 0); }));
    imap_push_stop(push.get());
    EXPECT_TRUE(within(1.5, [&] { return imap_push_running(push.get()) == 0; }));
    EXPECT_FALSE(imap_push_wait(push.get(), 0));
    EXPECT_TRUE(idler.received().ends_with("A3 EXAMINE \"INBOX\"\r\nA4 IDLE\r\nDONE\r\nA5 LOGOUT\r\n"));

    // The texts as the sessions said them, without the log's time stamps.
    std::string log = std::regex_replace(read_file(folder_ / "zmlog.txt"), std::regex(R"(\[[-0-9: ]+\] )"), "");
    const std::string ended = "idler: IMAP IDLE ended; new mail is found by the regular check, IDLE tried again in ";
    const std::string expected[] = {
        "A4 NO [CANNOT] not now\r\n\r\nIncorrect response from server.\r\n",
        ended + "1 seconds.\r\n",
        "A4 NO [CANNOT] not now\r\n\r\nIncorrect response from server.\r\n",
        ended + "2 seconds.\r\n",
        "* BYE going down\r\nIMAP server ended the session.\r\n",
        ended + "1 seconds.\r\n",
    };
    size_t at = 0;
    for (const std::string& text : expected) {
        size_t found = log.find(text, at);
        ASSERT_NE(found, std::string::npos) << text << "\nin\n" << log;
        at = found + text.size();
    }
    EXPECT_NE(log.find("plain: the IMAP server does not offer IDLE; new mail is found by the regular check.\r\n"),
              std::string::npos)
        << log;
}

}  // namespace
