// Tray mode's push for IMAP accounts: IDLE against the real dovecot, and
// against scripted peers the failures that send an account back to the
// regular check. The push over TLS is tested with the system's TLS in
// tests/unit/test_tls_real_win32.cpp.
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "client/client_accounts.h"
#include "core/accounts.h"
#include "core/log.h"
#include "tests/unit/push_support.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/receive_job_fixture.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/test_support.h"
#include "transport/imap.h"
#include "transport/imap_push.h"

namespace {

using ImapJobTest = ReceiveJobTest;

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
    // The two accounts run side by side, so the plain one's line may fall
    // between any two of the idler's: it is checked, then taken out.
    std::string log = std::regex_replace(read_file(folder_ / "zmlog.txt"), std::regex(R"(\[[-0-9: ]+\] )"), "");
    const std::string unoffered = "plain: the IMAP server does not offer IDLE; new mail is found by the regular check.\r\n";
    const size_t plain_at = log.find(unoffered);
    ASSERT_NE(plain_at, std::string::npos) << log;
    log.erase(plain_at, unoffered.size());
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
}

}  // namespace
