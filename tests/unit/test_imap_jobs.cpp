// The "E-mail Headers" jobs and the replaced folder of IMAP accounts:
// against the real dovecot for what it does, against scripted peers for
// what it never does; and the receive killed at random points, round after
// round, in a child process.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "client/client_accounts.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/code_pages.h"
#include "core/log.h"
#include "core/sys_files.h"
#include "format/imap_folders.h"
#include "format/oauth_grant.h"
#include "format/password_key.h"
#include "store/busy_folders.h"
#include "store/durable_files.h"
#include "store/imap_state.h"
#include "tests/unit/fake_token_endpoint.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/receive_job_fixture.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/smtp_test_support.h"
#include "tests/unit/test_child.h"
#include "tests/unit/test_support.h"
#include "tests/unit/tls_stand_in.h"
#include "transport/header_listing.h"
#include "transport/imap.h"
#include "transport/login_secret.h"
#include "transport/mail_checker.h"
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

// An account that downloads two server folders, one named beyond ASCII,
// into two local folders on one connection, with a folder the server does
// not have between them: each message is stored in its own local folder
// (made when it is not there yet) byte for byte, the missing server folder
// is said and passed over, and a second check fetches nothing.
TEST_F(ImapJobTest, ServerFoldersIntoTheirOwnLocalFolders) {
    REQUIRE_REAL_SERVERS();
    if (!real_servers().imap_port) GTEST_SKIP() << "dovecot's IMAP of tests/servers is not running";
    const std::string kitchen = "K\xc3\xbc" "che";
    elsewhere({}, true);
    elsewhere({}, true, kitchen);
    if (HasFatalFailure()) return;
    const std::vector<std::string> sent = {
        "From: carol@example.test\r\nSubject: inbox one\r\n\r\nfirst\r\n",
        "From: dave@example.test\r\nSubject: inbox two\r\n\r\n.second\r\n",
        "From: erin@example.test\r\nSubject: kitchen\r\n\r\nthird\r\n",
    };
    deliver("alice", sent[0]);
    deliver("alice", sent[1]);
    deliver("alice", sent[2], ".K&APw-che");  // the folder's name on disk is its wire form
    write_file(folder_ / "accountdata.cfg",
               account("imap", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP, real_servers().imap_port));
    ASSERT_EQ(accounts_load(), 0);
    const std::string server = server_text(real_servers().imap_port);
    ASSERT_EQ(imap_folders_save(server.c_str(), "alice",
                                {{"INBOX", "maildir\\inbox"}, {"Nowhere", "maildir\\inbox"}, {kitchen, "maildir\\pans\\pots"}}),
              0);
    std::string shown;
    ASSERT_TRUE(sys_convert_from_utf8(sys_ansi_code_page(), kitchen, '?', &shown));

    // The server's refusal as it words it, without its tag and timing.
    auto plain = [](std::string text) {
        text = std::regex_replace(text, std::regex(R"(A\d+ NO ([^\r]*) \([0-9.+ ]+secs\)\.)"), "NO $1");
        return std::regex_replace(text, std::regex(R"(#(\d) \([0-9.]+ KB\))"), "#$1");
    };
    busy_folders_add("maildir\\inbox");
    recorder_jobs().on_show = {"maildir\\pans\\pots"};
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 3);
    // The second folder on show is listed again after the job.
    EXPECT_EQ(ui.job_calls.back(), "redisplay");
    const std::string text = plain(ui.status_text());
    EXPECT_EQ(text, "Checking " + server + ":\r\nConnected to server.\r\nFolder INBOX:\r\nFound 2.\r\n#1  done\r\n#2  done\r\n"
                    "Folder Nowhere:\r\nNO Mailbox doesn't exist: Nowhere\r\n\r\nIncorrect response from server.\r\n"
                    "Cannot open the server's folder Nowhere: nothing was downloaded from it.\r\n"
                    "Folder " + shown + ":\r\nFound 1.\r\n#1  done\r\n")
        << text;
    EXPECT_EQ(files("inbox"), (std::vector<std::string>{"mm1.eml", "mm2.eml"}));
    EXPECT_EQ(files("pans/pots"), std::vector<std::string>{"mm1.eml"});  // made for it
    for (int n = 0; n < 2; n++)
        EXPECT_EQ(stored_body(folder_ / "maildir/inbox" / ("mm" + std::to_string(n + 1) + ".eml")),
                  sent[n].substr(0, sent[n].size() - 2));
    EXPECT_EQ(stored_body(folder_ / "maildir/pans/pots/mm1.eml"), sent[2].substr(0, sent[2].size() - 2));
    EXPECT_EQ(busy_folders_contains("maildir\\pans\\pots"), 0);
    EXPECT_EQ(busy_folders_contains("maildir\\inbox"), 0);

    ui.status_calls.clear();
    busy_folders_add("maildir\\inbox");
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 0);
    EXPECT_EQ(plain(ui.status_text()),
              "Checking " + server + ":\r\nConnected to server.\r\nFolder INBOX:\r\nFound 0.\r\nFolder Nowhere:\r\n"
              "NO Mailbox doesn't exist: Nowhere\r\n\r\nIncorrect response from server.\r\nCannot open the "
              "server's folder Nowhere: nothing was downloaded from it.\r\nFolder " + shown + ":\r\nFound 0.\r\n");
    EXPECT_EQ(files("inbox").size(), 2u);
    EXPECT_EQ(files("pans/pots").size(), 1u);
    // A damaged list checks nothing rather than a guess at what it meant.
    write_file(folder_ / imap_folders_path(server.c_str(), "alice"), "INBOX\tmaildir\\inbox");
    ui.status_calls.clear();
    busy_folders_add("maildir\\inbox");
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 0);
    EXPECT_EQ(ui.status_text(),
              "Checking " + server + ":\r\n" + imap_folders_path(server.c_str(), "alice") + ": could not read file.\r\n");
    elsewhere({}, true, kitchen);
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

// An OAuth 2.0 IMAP account: its refused token is renewed once and the login
// tried again on a new connection, which downloads; the tray's count logs in
// with the same token. No LOGIN and no password mechanism, though offered.
TEST_F(ImapJobTest, AnOAuthAccountRenewsARefusedTokenOnANewConnectionAndTheTrayCountsWithIt) {
    // {"status":"401","schemes":"bearer","scope":"https://mail.google.com/"}
    const std::string refusal =
        "+ eyJzdGF0dXMiOiI0MDEiLCJzY2hlbWVzIjoiYmVhcmVyIiwic2NvcGUiOiJodHRwczovL21haWwuZ29vZ2xlLmNvbS8ifQ==\r\n";
    const std::string greeting = "* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN AUTH=XOAUTH2] ready\r\n";
    const std::string first = "A1 AUTHENTICATE XOAUTH2 " + xoauth2_line("ann", "at-old"),
                      second = "A1 AUTHENTICATE XOAUTH2 " + xoauth2_line("ann", "at-new");
    const std::string message = "Subject: by token\r\n\r\nhi\r\n";
    auto logged_in = [&](const std::string& login) {
        return std::vector<PeerStep>{peer_secure(), peer_send(greeting), peer_receive(login),
                                     peer_send("A1 OK Logged in\r\n"), peer_receive("A2 CAPABILITY\r\n"),
                                     peer_send("* CAPABILITY IMAP4rev1 IDLE\r\nA2 OK\r\n")};
    };
    StandInTls tls;
    std::vector<PeerStep> script = {peer_secure(), peer_send(greeting), peer_receive(first),
                                    peer_send(refusal), peer_receive(first + "\r\n"),
                                    peer_send("A1 NO [AUTHENTICATIONFAILED] Invalid credentials\r\n"),
                                    peer_next_connection()};
    for (const PeerStep& step : logged_in(second)) script.push_back(step);
    for (const PeerStep& step :
         {peer_receive("A3 EXAMINE \"INBOX\"\r\n"),
          peer_send("* 1 EXISTS\r\n* OK [UIDVALIDITY 9] UIDs valid\r\nA3 OK [READ-ONLY] done\r\n"),
          peer_receive("A4 UID FETCH 1:* (UID RFC822.SIZE)\r\n"),
          peer_send("* 1 FETCH (UID 5 RFC822.SIZE " + std::to_string(message.size()) + ")\r\nA4 OK\r\n"),
          peer_receive("A5 UID FETCH 5 (UID BODY.PEEK[])\r\n"),
          peer_send("* 1 FETCH (UID 5 BODY[] {" + std::to_string(message.size()) + "}\r\n" + message +
                    ")\r\nA5 OK\r\n"),
          peer_receive("A6 LOGOUT\r\n"), peer_send("* BYE\r\nA6 OK\r\n"), peer_next_connection()})
        script.push_back(step);
    for (const PeerStep& step : logged_in(second)) script.push_back(step);
    for (const PeerStep& step :
         {peer_receive("A3 EXAMINE \"INBOX\"\r\n"),
          peer_send("* 3 EXISTS\r\n* OK [UIDVALIDITY 9] UIDs valid\r\nA3 OK [READ-ONLY] done\r\n"),
          peer_receive("A4 LOGOUT\r\n"), peer_send("* BYE\r\nA4 OK\r\n")})
        script.push_back(step);
    ScriptedPeer peer(script);
    const int port = port_from_network(peer.address().port);
    write_file(folder_ / "accountdata.cfg", account("ann", "ann", "annpw", "maildir\\inbox",
                                                    ACCOUNT_IMAP | ACCOUNT_OAUTH | ACCOUNT_POP3_TLS, port));
    ASSERT_EQ(accounts_load(), 0);
    login_tokens_forget();
    const std::string token_url = "https://login.example.test/token";
    const std::string server = "127.0.0.1:" + std::to_string(port);
    ASSERT_EQ(oauth_grant_save(server.c_str(), "ann", {token_url, "c", "", "rt-ann"}), 0);
    FakeTokenEndpoint endpoint;
    FakeTokenEndpoint::replies() = {R"({"access_token":"at-old","token_type":"Bearer","expires_in":3600})",
                                    R"({"access_token":"at-new","token_type":"Bearer"})"};

    busy_folders_add("maildir\\inbox");
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 1);
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find("The server refused the access token (status: 401).\r\nA1 NO [AUTHENTICATIONFAILED] Invalid "
                         "credentials\r\n\r\nIncorrect response from server.\r\nXoauth2 authorisation error!\r\n"),
              std::string::npos)
        << shown;
    EXPECT_TRUE(shown.ends_with("Found 1.\r\n#1 (0.0 KB)  done\r\n")) << shown;
    EXPECT_EQ(stored_body(folder_ / "maildir/inbox/mm1.eml"), message.substr(0, message.size() - 2));

    MailCheckState state;
    mail_check_begin(&state);
    LogSink quiet;
    EXPECT_EQ(mail_check_round(&state, quiet), 3);
    EXPECT_STREQ(state.summary->text, "ann: 3 e-mails\r\n");
    mail_check_end(&state);

    const std::string refresh = token_url + " grant_type=refresh_token&refresh_token=rt-ann&client_id=c";
    EXPECT_EQ(FakeTokenEndpoint::requests(), (std::vector<std::string>{refresh, refresh}));
    const std::string logged = "STARTSECURE\r\n" + second + "A2 CAPABILITY\r\nA3 EXAMINE \"INBOX\"\r\n";
    EXPECT_EQ(peer.received(), "STARTSECURE\r\n" + first + "\r\n" + logged +
                                   "A4 UID FETCH 1:* (UID RFC822.SIZE)\r\nA5 UID FETCH 5 (UID BODY.PEEK[])\r\n"
                                   "A6 LOGOUT\r\n" + logged + "A4 LOGOUT\r\n");
    login_tokens_forget();
}

// The receive killed at random points of a 30-message check, round after
// round: a child process (this program again, running the test below in
// the same folder) receives and is killed when its log, its inbox or its
// state file shows the point drawn; then the receive runs here to the end.
// Every message is in the inbox whole, none is lost, none is there twice but
// the one whose record the kill met, and the state file is always the old
// one or one the reader takes. Rounds alternate between leaving the mail on
// the server and deleting it. ZM_KILL_ROUNDS sets the rounds (20),
// ZM_KILL_SEED replays a run.
constexpr int kill_messages = 30;
const char* const child_order = "kill-child.txt";
const char* const child_held = "kill-child-held";
const char* const child_output = "kill-child-output.txt";

std::string kill_message(int round, int n) {
    std::string m = "From: carol@example.test\r\nTo: alice@example.test\r\nSubject: round " + std::to_string(round) +
                    " message " + std::to_string(n) + "\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\n";
    for (int line = 0; line < 60; line++)
        m += "line " + std::to_string(line) + " of message " + std::to_string(n) + " of round " +
             std::to_string(round) + "\r\n";
    return m;
}

// The file steps of the receives here: in the same order as the system's,
// each file handed to the system where the system's steps write it through
// to the disk, which guards against a power cut, not a kill (the system
// keeps what it was given when the process dies), and costs milliseconds a
// step on a disk. The child stops in the state file's first write when told,
// until it is killed: that step is too short to be hit by chance.
enum StateHold { HOLD_NONE, HOLD_SCRATCH_WRITTEN, HOLD_RENAMED };
std::atomic<int> hold_at{HOLD_NONE};

void hold_until_killed() {
    write_file(child_held, "");
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         std::chrono::steady_clock::now() < until;)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    hold_at = HOLD_NONE;  // the parent gave up: go on
}

bool state_scratch_exists() {
    std::error_code failed;
    for (const auto& e : fs::directory_iterator("uidl", failed))
        if (e.path().extension() == ".new") return true;
    return false;
}

const DurableFiles kill_test_files{
    .flush = [](std::FILE* f) {
        if (hold_at == HOLD_SCRATCH_WRITTEN && state_scratch_exists()) hold_until_killed();
        return std::fflush(f) == 0 ? 0 : -1;
    },
    .move = sys_rename,
    .sync_folder = [](const char* folder) {
        if (hold_at == HOLD_RENAMED && std::strcmp(folder, "uidl") == 0) hold_until_killed();
        return 0;
    },
    .start_flush = [](std::FILE* f) { return std::fflush(f) == 0 ? 0 : -1; }};

struct KillTestFiles {
    KillTestFiles() { durable_files_install(&kill_test_files); }
    ~KillTestFiles() { durable_files_install(nullptr); }
};

// The child: the receive of account 0 as the client runs it, in the folder
// the parent made. Run only by the parent, which leaves its order there.
TEST(ImapKilledChild, DISABLED_Receive) {
    const std::string order = read_file(child_order);
    if (order.empty()) GTEST_SKIP() << "started by ImapJobTest.KilledReceivesStoreEveryMessageOnce only";
    if (!app.program_folder) create_app_state();
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    ASSERT_EQ(password_key_load(), 0);
    ASSERT_EQ(accounts_load(), 0);
    busy_folders_init();
    busy_folders_add(account_field(0, ACCOUNT_INBOX));
    UiRecorder ui;
    hold_at = std::atoi(order.c_str());
    KillTestFiles files;
    receive_job(recorder_jobs(), 0);
    log_close();
}

struct KillPoint {
    enum Kind { STATE_WRITE, LOGIN, FOUND, ARRIVING, DONE, STORED, KINDS } kind;
    int k = 0;         // the message begun, the " done" counted, the files in the inbox
    int hold = HOLD_NONE;
    int delay_us = 0;  // after "Connected to server."
};
const char* const point_names[] = {"state write", "login", "found", "arriving", "done", "stored"};

std::string describe(const KillPoint& point) {
    std::string text = point_names[point.kind];
    if (point.k) text += " " + std::to_string(point.k);
    if (point.hold) text += point.hold == HOLD_SCRATCH_WRITTEN ? " (scratch written)" : " (renamed)";
    if (point.delay_us) text += " +" + std::to_string(point.delay_us) + " us";
    return text;
}

KillPoint draw_point(std::mt19937_64& rng) {
    std::uniform_real_distribution<double> chance(0, 1);
    if (chance(rng) < 0.15)
        return {KillPoint::STATE_WRITE, 0, chance(rng) < 0.5 ? HOLD_SCRATCH_WRITTEN : HOLD_RENAMED};
    // In the login, the folder's opening or its listing.
    if (chance(rng) < 0.2)
        return {KillPoint::LOGIN, 0, HOLD_NONE, std::uniform_int_distribution<int>(0, 15000)(rng)};
    // As the messages go into the folder, each followed by its record.
    if (chance(rng) < 0.25)
        return {KillPoint::STORED, std::uniform_int_distribution<int>(1, kill_messages)(rng)};
    int p = std::uniform_int_distribution<int>(1, 2 * kill_messages)(rng);
    if (p == 1) return {KillPoint::FOUND};
    // A message begun (its body on the way), or just whole in its file.
    int k = (p - 2) / 2 + 1;
    return p % 2 == 0 ? KillPoint{KillPoint::ARRIVING, k} : KillPoint{KillPoint::DONE, k};
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) n++;
    return n;
}

int files_in_inbox() {
    int n = 0;
    for (const auto& e : fs::directory_iterator("maildir/inbox")) n += e.path().extension() == ".eml";
    return n;
}

// What the log gained since the child started, read on as it grows.
struct LogTail {
    size_t from;
    std::string text{};
    const std::string& read() {
        std::ifstream in("zmlog.txt", std::ios::binary);
        in.seekg(static_cast<std::streamoff>(from + text.size()));
        char bytes[4096];
        while (in.read(bytes, sizeof bytes) || in.gcount() > 0) text.append(bytes, static_cast<size_t>(in.gcount()));
        return text;
    }
};

// Whether the child reached the point, watched through what it writes.
bool point_seen(const KillPoint& point, LogTail& tail) {
    if (point.kind == KillPoint::STATE_WRITE) return fs::exists(child_held);
    if (point.kind == KillPoint::STORED) return files_in_inbox() >= point.k;
    const std::string& log = tail.read();
    switch (point.kind) {
    case KillPoint::LOGIN: return log.find("Connected to server.\r\n") != std::string::npos;
    case KillPoint::FOUND: return log.find("Found ") != std::string::npos;
    case KillPoint::ARRIVING: return log.find("#" + std::to_string(point.k) + " (") != std::string::npos;
    default: return occurrences(log, " done\r\n") >= static_cast<size_t>(point.k);
    }
}

// The number of the message in a stored file when the file holds it whole:
// the private lines, then the message as delivered without its last line
// end; 0 for anything else.
int whole_message(const std::string& file, int round) {
    const std::string head = "X-ZMRead: FALSE\r\nX-ReceivedDate: ";
    std::smatch found;
    if (!file.starts_with(head) || !std::regex_search(file, found, std::regex("Subject: round \\d+ message (\\d+)\r\n")))
        return 0;
    int n = std::stoi(found[1]);
    const std::string sent = kill_message(round, n);
    return file.substr(file.find("\r\n", head.size()) + 2) == sent.substr(0, sent.size() - 2) ? n : 0;
}

std::optional<std::string> file_bytes(const fs::path& path) {
    if (!fs::exists(path)) return std::nullopt;
    return read_file(path);
}

TEST_F(ImapJobTest, KilledReceivesStoreEveryMessageOnce) {
    REQUIRE_REAL_SERVERS();
    if (!real_servers().imap_port) GTEST_SKIP() << "dovecot's IMAP of tests/servers is not running";
    const char* rounds_text = std::getenv("ZM_KILL_ROUNDS");
    const char* seed_text = std::getenv("ZM_KILL_SEED");
    const int rounds = rounds_text ? std::atoi(rounds_text) : 20;
    const unsigned long long seed = seed_text ? std::strtoull(seed_text, nullptr, 10) : std::random_device{}();
    std::printf("kill test: seed %llu (ZM_KILL_SEED=%llu replays it)\n", seed, seed);
    std::fflush(stdout);
    std::mt19937_64 rng(seed);

    const int port = real_servers().imap_port;
    const std::string server = server_text(port);
    const std::string tables[2] = {
        account("imap", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP, port),
        account("imap", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP | ACCOUNT_DELETE_FROM_SERVER, port)};
    ImapState state;
    ASSERT_EQ(imap_state_load(&state, server.c_str(), "alice", "INBOX"), 0);
    const fs::path state_file = folder_ / "uidl" / state.path.substr(5);
    int kills = 0, missed = 0, duplicates = 0, lost = 0, torn = 0, bad_states = 0, stored = 0;
    int kills_at[KillPoint::KINDS] = {};
    KillTestFiles files;
    for (int r = 0; r < rounds; r++) {
        const bool deleting = r % 2 == 1;
        write_file(folder_ / "accountdata.cfg", tables[r % 2]);
        ASSERT_EQ(accounts_load(), 0);
        // A round that deleted leaves nothing to clear.
        if (!mailbox_messages("alice").empty()) elsewhere({}, true);
        for (int n = 1; n <= kill_messages; n++) deliver("alice", kill_message(r, n));
        // Each round begins with the state's first write: the account is
        // new, or its last record was cut short.
        if (r % 3 == 0)
            fs::remove(state_file);
        else if (fs::exists(state_file))
            write_file(state_file, read_file(state_file) + "UID 7");
        const std::optional<std::string> before = file_bytes(state_file);
        ImapState old;
        ASSERT_EQ(imap_state_load(&old, server.c_str(), "alice", "INBOX"), 0);

        const KillPoint point = draw_point(rng);
        const std::string description = describe(point);
        write_file(child_order, std::to_string(point.hold));
        fs::remove(child_held);
        LogTail tail{fs::file_size("zmlog.txt")};
        TestChild child;
        ASSERT_TRUE(child.start("ImapKilledChild.DISABLED_Receive", child_output));
        bool reached = false;
        for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
             child.running() && std::chrono::steady_clock::now() < until;
             std::this_thread::sleep_for(std::chrono::microseconds(100))) {
            if ((reached = point_seen(point, tail))) break;
        }
        // The drawn moment of the login, not a wait for something.
        if (reached && point.delay_us) std::this_thread::sleep_for(std::chrono::microseconds(point.delay_us));
        const bool killed = child.kill();
        ASSERT_TRUE(reached || !killed) << "round " << r << ": the child neither reached " << description
                                        << " nor ended:\n" << read_file(child_output);
        // A child that ended by itself went through its whole receive.
        ASSERT_TRUE(killed || child.exit_code() == 0) << "round " << r << ":\n" << read_file(child_output);
        if (killed) {
            kills++;
            kills_at[point.kind]++;
        } else {
            missed++;
        }
        fs::remove(child_order);

        // The state as the kill left it: the old file, or one the reader
        // takes for the same folder, whose highest UID did not go down.
        ImapState left;
        const std::optional<std::string> after = file_bytes(state_file);
        bool sound = after == before ||
                     (after && imap_state_load(&left, server.c_str(), "alice", "INBOX") == 0 && left.uidvalidity != 0 &&
                      (!before || (left.uidvalidity == old.uidvalidity && left.highest >= old.highest)));
        bad_states += !sound;

        // Checked again, to the end.
        ui.status_calls.clear();
        busy_folders_add("maildir\\inbox");
        receive_job(recorder_jobs(), 0);
        EXPECT_EQ(ui.status_text().find("Error"), std::string::npos) << ui.status_text();
        std::vector<int> counts(kill_messages + 1);
        for (const auto& e : fs::directory_iterator(folder_ / "maildir" / "inbox")) {
            if (e.path().extension() != ".eml") continue;  // the list's mirror
            int n = whole_message(read_file(e.path()), r);
            if (n == 0) {
                torn++;
                ADD_FAILURE() << "round " << r << ": torn " << e.path();
            }
            counts[n]++;
        }
        int twice = 0;
        for (int n = 1; n <= kill_messages; n++) {
            stored += counts[n];
            lost += counts[n] == 0;
            twice += counts[n] > 1 ? counts[n] - 1 : 0;
        }
        duplicates += twice;
        ImapState now;
        EXPECT_EQ(imap_state_load(&now, server.c_str(), "alice", "INBOX"), 0);
        EXPECT_GT(now.highest, old.highest) << "round " << r;
        EXPECT_FALSE(state_scratch_exists()) << "round " << r;
        if (deleting) {
            EXPECT_EQ(mailbox_messages("alice").size(), 0u) << "round " << r;
        }
        fs::remove_all(folder_ / "maildir" / "inbox");
        fs::create_directories(folder_ / "maildir" / "inbox");
        // One round's figures, so that a failure shows where.
        ASSERT_EQ(lost + torn + bad_states, 0) << "round " << r << " (" << (deleting ? "delete" : "keep")
                                               << "), kill point " << description << ", seed " << seed;
        ASSERT_LE(twice, killed ? 1 : 0) << "round " << r << ", kill point " << description << ", seed " << seed;
    }
    std::printf("kill test: rounds %d, kills %d (state write %d, login %d, found %d, arriving %d, done %d, "
                "stored %d), points missed %d; messages %d, stored %d, duplicates %d, lost %d, torn %d, "
                "torn state files %d\n",
                rounds, kills, kills_at[0], kills_at[1], kills_at[2], kills_at[3], kills_at[4], kills_at[5], missed,
                rounds * kill_messages, stored, duplicates, lost, torn, bad_states);
    EXPECT_EQ(stored, rounds * kill_messages + duplicates);
    elsewhere({}, true);
}

}  // namespace
