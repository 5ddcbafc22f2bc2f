// The SMTP session against scripted peers: the lines on the wire, replies
// split and cut off, a refusal at every step, the logins, the account rules
// and the sent-items copy.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/arrays.h"
#include "core/window_number.h"
#include "format/oauth_grant.h"
#include "tests/unit/fake_token_endpoint.h"
#include "tests/unit/smtp_test_support.h"
#include "tests/unit/tls_stand_in.h"
#include "transport/auth_responses.h"
#include "transport/smtp_session.h"


namespace {

namespace fs = std::filesystem;

// The dot-stuffed form of a text that ends with its line end.
std::string stuffed(const std::string& text) {
    std::string out;
    bool line_start = true;
    for (char c : text) {
        if (line_start && c == '.') out += '.';
        out += c;
        line_start = c == '\n';
    }
    return out;
}

class SmtpSessionTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        make_send_folders();
        load_accounts({});
    }
    // Writes the message and sends it; the result of smtp_send_file.
    int send(const Outgoing& m) {
        write_file("maildir/outbox/mm1.eml", outgoing_file(m));
        return smtp_send_file(status, "maildir\\outbox\\mm1.eml");
    }
    // The wire text with the random client name of HELO or EHLO taken out.
    static std::string named(std::string wire) {
        for (const char* verb : {"helo ", "ehlo "}) {
            size_t at = wire.find(verb);
            if (at != std::string::npos && wire.size() >= at + 10) wire.replace(at + 5, 5, "NNNNN");
        }
        return wire;
    }
    UiRecorder ui;
    RecorderSink status;
};

TEST_F(SmtpSessionTest, PlainSessionPutsTheseLinesOnTheWire) {
    ScriptedPeer peer(plain_session(good_replies()));
    Outgoing m;
    m.server = server_text(peer.address());
    m.body = "Lines that begin with a dot:\r\n.\r\n..two\r\n.hidden\r\nlast\r\n";
    ASSERT_EQ(send(m), 0);
    std::string copy = without_private_fields(m);
    EXPECT_EQ(named(peer.received()), "helo NNNNN\r\nmail from:<alice@example.test>\r\nrcpt to:<bob@example.test>\r\n"
                                      "data\r\n" + stuffed(copy) + ".\r\nquit\r\n");
    char size[64];
    std::snprintf(size, sizeof size, "%.1f", copy.size() / 1024.0);
    EXPECT_EQ(ui.status_text(), std::string("Connected to server.\r\nSending ") + size + " KB to 1 recipient.\r\n");
    EXPECT_EQ(ui.progress_steps, 100);
    EXPECT_EQ(ui.job_calls, (std::vector<std::string>{"reset 1", "socket", "file", "file none", "socket none"}));
    // The sending copy stays in temp, without the private fields.
    EXPECT_EQ(read_file(folder_ / "temp" / ("out" + std::to_string(status.scratch_number()) + ".tmp")), copy);
    EXPECT_EQ(read_file(folder_ / "maildir/outbox/mm1.eml"), outgoing_file(m));
}

TEST_F(SmtpSessionTest, BodyWithoutFinalLineEndGetsOneBeforeTheDot) {
    ScriptedPeer peer(plain_session(good_replies()));
    Outgoing m;
    m.server = server_text(peer.address());
    m.body = "no line end\r\n.";
    ASSERT_EQ(send(m), 0);
    std::string wire = peer.received();
    EXPECT_NE(wire.find("\r\nno line end\r\n..\r\n.\r\nquit\r\n"), std::string::npos) << wire;
}

TEST_F(SmtpSessionTest, MessageUnderOneHundredBytesIsSentWithAFullBar) {
    ScriptedPeer peer(plain_session(good_replies()));
    write_file("maildir/outbox/mm1.eml", "X-ZMServer: " + server_text(peer.address()) +
                                             "\r\nX-ZMAccountIndex: -1\r\nX-ZMAddress: a@x.test\r\nX-ZMRecipients: "
                                             "b@x.test\r\nX-ZMOpts: 0\r\nSubject: s\r\n\r\nhi\r\n");
    ASSERT_EQ(smtp_send_file(status, "maildir\\outbox\\mm1.eml"), 0);
    EXPECT_NE(peer.received().find("data\r\nSubject: s\r\n\r\nhi\r\n.\r\n"), std::string::npos);
    EXPECT_EQ(ui.progress_steps, 100);
    EXPECT_NE(ui.status_text().find("Sending 0.0 KB to 1 recipient.\r\n"), std::string::npos);
}

TEST_F(SmtpSessionTest, LargeBodyIsStreamedWholeWithOneHundredSteps) {
    ScriptedPeer peer(plain_session(good_replies()));
    Outgoing m;
    m.server = server_text(peer.address());
    m.body.clear();
    for (int i = 0; i < 6000; i++) m.body += (i % 7 == 0 ? "." : "") + std::string(70, char('A' + i % 26)) + "\r\n";
    ASSERT_EQ(send(m), 0);
    std::string wire = peer.received();
    EXPECT_NE(wire.find("data\r\n" + stuffed(without_private_fields(m)) + ".\r\nquit\r\n"), std::string::npos);
    EXPECT_EQ(ui.progress_steps, 100);
}

TEST_F(SmtpSessionTest, SecondRecipientRefusedSendsNoData) {
    ScriptedPeer peer(join_steps(plain_session({"220 hi\r\n", "250 hello\r\n", "250 ok\r\n", "250 bob ok\r\n"}),
                                 {peer_receive("carol"), peer_send("550 no such user here\r\n")}));
    Outgoing m;
    m.server = server_text(peer.address());
    m.recipients = "bob@example.test,carol@example.test";
    m.options = "32";
    EXPECT_EQ(send(m), -1);
    std::string wire = peer.received();
    EXPECT_NE(wire.find("rcpt to:<carol@example.test>\r\n"), std::string::npos);
    EXPECT_EQ(wire.find("data"), std::string::npos) << wire;
    EXPECT_EQ(ui.status_text(), "Connected to server.\r\n550 no such user here\r\n");
    EXPECT_TRUE(files_in(folder_ / "maildir/sent items").empty());
}

TEST_F(SmtpSessionTest, TwoAcceptedRecipientsArePlural) {
    ScriptedPeer peer(join_steps(plain_session({"220 hi\r\n", "250 hello\r\n", "250 ok\r\n", "250 bob ok\r\n"}),
                                 {peer_receive("carol@example.test>\r\n"), peer_send("250 carol ok\r\n"),
                                  peer_receive("data\r\n"), peer_send("354 go\r\n"), peer_receive("\r\n.\r\n"),
                                  peer_send("250 ok\r\n"), peer_receive("quit\r\n"), peer_send("221 bye\r\n")}));
    Outgoing m;
    m.server = server_text(peer.address());
    m.recipients = "bob@example.test,carol@example.test";
    EXPECT_EQ(send(m), 0);
    EXPECT_NE(ui.status_text().find(" KB to 2 recipients.\r\n"), std::string::npos) << ui.status_text();
}

// A refusal at each step: the reply is shown, nothing further is sent, and
// the message does not count as sent.
TEST_F(SmtpSessionTest, RefusalAtEachStepFailsTheSend) {
    const std::vector<std::string> refusals = {"421 closing\r\n",   "501 bad helo\r\n",  "451 try later\r\n",
                                               "550 unknown\r\n",   "554 no data\r\n",   "452 no room\r\n"};
    const char* const next_cue[] = {"helo", "mail from", "rcpt to", "data", "From:", "quit"};
    for (size_t step = 0; step < refusals.size(); step++) {
        SCOPED_TRACE(refusals[step]);
        std::vector<std::string> replies(good_replies().begin(), good_replies().begin() + static_cast<long>(step));
        replies.push_back(refusals[step]);
        ScriptedPeer peer(plain_session(replies));
        ui.status_calls.clear();
        Outgoing m;
        m.server = server_text(peer.address());
        m.options = "32";
        EXPECT_EQ(send(m), -1);
        std::string wire = peer.received();
        EXPECT_EQ(wire.find(next_cue[step]), std::string::npos) << wire;
        std::string shown = ui.status_text();
        ASSERT_GE(shown.size(), refusals[step].size());
        EXPECT_EQ(shown.substr(shown.size() - refusals[step].size()), refusals[step]);
        EXPECT_TRUE(files_in(folder_ / "maildir/sent items").empty());
    }
}

TEST_F(SmtpSessionTest, RefusedQuitAfterAcceptanceStillCountsAsSent) {
    std::vector<std::string> replies = good_replies();
    replies.back() = "500 what\r\n";
    ScriptedPeer peer(plain_session(replies));
    Outgoing m;
    m.server = server_text(peer.address());
    EXPECT_EQ(send(m), 0);
    EXPECT_NE(ui.status_text().find("500 what\r\n"), std::string::npos);
}

TEST_F(SmtpSessionTest, MultiLineRepliesSplitAcrossPacketsKeepTheSessionInStep) {
    // Read only to its first line end, the sender reply's second line would
    // pass for the answer to RCPT, which the server refuses.
    ScriptedPeer peer({peer_send("220-peer.example.test\r\n"), peer_pause(30), peer_send("220 ready\r\n"),
                       peer_receive("helo "), peer_send("250\r\n"), peer_receive("mail from:"),
                       peer_send("250-first\r\n"), peer_pause(30), peer_send("250 second\r\n"),
                       peer_receive("rcpt to:"), peer_send("550 refused\r\n")});
    Outgoing m;
    m.server = server_text(peer.address());
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(named(peer.received()), "helo NNNNN\r\nmail from:<alice@example.test>\r\nrcpt to:<bob@example.test>\r\n");
    EXPECT_EQ(ui.status_text(), "Connected to server.\r\n550 refused\r\n");
}

TEST_F(SmtpSessionTest, RepliesThatArriveTogetherAreReadInTurn) {
    // Replies are taken in large receives: what came behind one reply is
    // the next one's, so each command still meets its own answer.
    ScriptedPeer peer({peer_send("220 ready\r\n250 hello\r\n"), peer_receive("mail from:"),
                       peer_send("250-first\r\n250 second\r\n250 recipient ok\r\n"), peer_receive("data\r\n"),
                       peer_send("554 no data today\r\n")});
    Outgoing m;
    m.server = server_text(peer.address());
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(named(peer.received()), "helo NNNNN\r\nmail from:<alice@example.test>\r\nrcpt to:<bob@example.test>\r\n"
                                      "data\r\n");
    EXPECT_EQ(ui.status_text(), "Connected to server.\r\n554 no data today\r\n");
}

TEST_F(SmtpSessionTest, ConnectionClosedMidReplyFailsAtOnce) {
    ScriptedPeer peer({peer_send("220-partial gree"), peer_pause(30), peer_close()});
    Outgoing m;
    m.server = server_text(peer.address());
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(ui.status_text(), "Connected to server.\r\nreceiveline error\r\n");
}

TEST_F(SmtpSessionTest, HostNameIsLookedUp) {
    ScriptedPeer peer(plain_session(good_replies()));
    Outgoing m;
    m.server = "localhost:" + std::to_string(port_from_network(peer.address().port));
    EXPECT_EQ(send(m), 0);
    EXPECT_TRUE(ui.status_text().starts_with("Hostname entered.\r\nConnected to server.\r\n")) << ui.status_text();
}

TEST_F(SmtpSessionTest, NothingListeningCannotConnect) {
    NetAddress closed;
    peer_close_raw(peer_listen(&closed));
    Outgoing m;
    m.server = server_text(closed);
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(ui.status_text(), "Cannot connect to server.\r\n");
    EXPECT_EQ(ui.job_calls, (std::vector<std::string>{"reset 1", "socket", "socket none"}));
}

TEST_F(SmtpSessionTest, BadPortIsRefusedBeforeAnythingHappens) {
    Outgoing m;
    m.server = "127.0.0.1:0";
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Invalid port number entered!"});
    EXPECT_EQ(ui.status_text(), "Port error.\r\n");
    EXPECT_TRUE(ui.job_calls.empty());
}

TEST_F(SmtpSessionTest, MissingPrivateFieldsAreNamed) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"X-ZMServer", "File does not contain required header (X-ZMServer).\r\n"},
        {"X-ZMAccountIndex", "File does not contain required header (X-ZMAccountIndex).\r\n"},
        {"X-ZMAddress", "File does not contain required header (X-ZMRecipients).\r\n"},
        {"X-ZMRecipients", "File does not contain required header (X-ZMRecipients).\r\n"},
        {"X-ZMOpts", "File does not contain required header (X-ZMOpts).\r\n"},
    };
    Outgoing m;
    m.server = "127.0.0.1:1";
    for (const auto& [field, text] : cases) {
        std::string file = outgoing_file(m);
        size_t at = file.find(field + ":");
        file.erase(at, file.find("\r\n", at) + 2 - at);
        write_file("maildir/outbox/mm1.eml", file);
        ui.status_calls.clear();
        EXPECT_EQ(smtp_send_file(status, "maildir\\outbox\\mm1.eml"), -1);
        EXPECT_EQ(ui.status_text(), text);
    }
    ui.status_calls.clear();
    EXPECT_EQ(smtp_send_file(status, "maildir\\outbox\\mm9.eml"), -1);
    EXPECT_EQ(ui.status_text(), "Could not read email header.\r\n");
}

TEST_F(SmtpSessionTest, MoreThanOneHundredRecipientsExceedCapacity) {
    Outgoing m;
    m.server = "127.0.0.1:1";
    m.recipients.clear();
    for (int i = 0; i < 101; i++) m.recipients += (i ? "," : "") + std::to_string(i) + "@x";
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(ui.status_text(), "Recipient string exceeds capacity.\r\n");
}

// 100 addresses of 60 characters: 6099 characters of "X-ZMRecipients".
std::vector<std::string> long_addresses() {
    std::vector<std::string> addresses;
    for (int i = 0; i < 100; i++) {
        std::string domain = "@d" + std::to_string(i) + ".example.net";
        std::string local = "r" + std::to_string(i) + "-";
        addresses.push_back(local + std::string(60 - local.size() - domain.size(), 'x') + domain);
    }
    return addresses;
}

TEST_F(SmtpSessionTest, TheEnvelopeIsReadAndSentWhole) {
    std::vector<std::string> addresses = long_addresses();
    std::vector<PeerStep> script = {peer_send("220 hi\r\n"),         peer_receive("helo "),
                                    peer_send("250 hello\r\n"),      peer_receive("mail from:"),
                                    peer_send("250 sender ok\r\n")};
    std::string rcpts;
    for (const std::string& a : addresses) {
        script.push_back(peer_receive("rcpt to:<" + a + ">\r\n"));
        script.push_back(peer_send("250 ok\r\n"));
        rcpts += "rcpt to:<" + a + ">\r\n";
    }
    script = join_steps(script, {peer_receive("data\r\n"), peer_send("354 go\r\n"), peer_receive("\r\n.\r\n"),
                                 peer_send("250 queued\r\n"), peer_receive("quit\r\n"), peer_send("221 bye\r\n")});
    ScriptedPeer peer(script);
    Outgoing m;
    m.server = server_text(peer.address());
    m.address = std::string(150, 's') + "@example.test";  // beyond the old 99 as well
    m.recipients.clear();
    for (const std::string& a : addresses) m.recipients += (m.recipients.empty() ? "" : ",") + a;
    ASSERT_EQ(m.recipients.size(), 6099u);
    ASSERT_EQ(send(m), 0) << ui.status_text();
    std::string wire = named(peer.received());
    EXPECT_EQ(wire.substr(0, wire.find("data\r\n")),
              "helo NNNNN\r\nmail from:<" + m.address + ">\r\n" + rcpts);
    EXPECT_NE(ui.status_text().find("KB to 100 recipients.\r\n"), std::string::npos);
}

TEST_F(SmtpSessionTest, AnEnvelopeFieldThatCannotBeReadWholeSendsNothing) {
    Outgoing m;
    m.server = "127.0.0.1:1";  // never reached
    // 12631 characters: one more than the builder ever writes.
    m.recipients = std::string(12631 - 13, 'a') + "@example.test";
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(ui.status_text(), "Recipient string exceeds capacity.\r\n");
    ui.status_calls.clear();
    m.recipients = "bob@example.test";
    m.address = std::string(256, 's') + "@example.test";
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(ui.status_text(), "Recipient string exceeds capacity.\r\n");
    // 12630 characters are read whole; the one entry then is too long for
    // an address, which fails as before, still before any connection.
    ui.status_calls.clear();
    m.address = "alice@example.test";
    m.recipients = std::string(12630 - 13, 'a') + "@example.test";
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(ui.status_text(), "Recipient string exceeds capacity.\r\n");
    EXPECT_EQ(ui.job_calls, std::vector<std::string>{});
    // An empty field is a missing one, as ever.
    ui.status_calls.clear();
    m.recipients = "";
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(ui.status_text(), "File does not contain required header (X-ZMRecipients).\r\n");
}

class SmtpLoginTest : public SmtpSessionTest {
protected:
    // Account 0 sends through the peer with SMTP authentication.
    Outgoing through(const ScriptedPeer& peer, int options) {
        load_accounts({{server_text(peer.address()), "", "alice", "alicepw", options}});
        Outgoing m;
        m.server = server_text(peer.address());
        m.account = "0";
        m.options = std::to_string(options);
        return m;
    }
    static std::vector<PeerStep> after_login() {
        return {peer_receive("mail from:"), peer_send("250 ok\r\n"),  peer_receive("rcpt to:"),
                peer_send("250 ok\r\n"),    peer_receive("data\r\n"), peer_send("354 go\r\n"),
                peer_receive("\r\n.\r\n"),  peer_send("250 ok\r\n"),  peer_receive("quit\r\n"),
                peer_send("221 bye\r\n")};
    }
};

TEST_F(SmtpLoginTest, EhloRepliedByteByByteOfferingPlainLeadsToAuthPlain) {
    ScriptedPeer peer(join_steps(
        join_steps({peer_send("220 hi\r\n"), peer_receive("ehlo ")},
                   peer_send_bytewise("250-peer.example.test\r\n250-SIZE 1000000\r\n250-AUTH LOGIN PLAIN\r\n250 HELP\r\n")),
        join_steps({peer_receive("auth plain\r\n"), peer_send("334 \r\n"), peer_receive("AGFsaWNlAGFsaWNlcHc=\r\n"),
                    peer_send("235 welcome\r\n")},
                   after_login())));
    EXPECT_EQ(send(through(peer, 2)), 0);
    std::string wire = named(peer.received());
    EXPECT_EQ(wire.substr(0, wire.find("mail from:")), "ehlo NNNNN\r\nauth plain\r\nAGFsaWNlAGFsaWNlcHc=\r\n");
    EXPECT_EQ(ui.status_text().find("authorisation"), std::string::npos);
}

TEST_F(SmtpLoginTest, CramMd5IsPreferredWhereverItIsOffered) {
    const std::string challenge = "334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UuZXhhbXBsZS5uZXQ+\r\n";
    Array* response = array_new(200);
    ASSERT_EQ(cram_md5_response_line("alice", "alicepw", challenge.c_str(), response), 0);
    const std::string answer = response->text;
    delete_arrays(response);
    ScriptedPeer peer(join_steps({peer_send("220 hi\r\n"), peer_receive("ehlo "),
                                  peer_send("250-peer\r\n250-AUTH PLAIN\r\n"), peer_pause(30),
                                  peer_send("250-auth=cram-md5\r\n250 8BITMIME\r\n"), peer_receive("auth cram-md5\r\n"),
                                  peer_send(challenge), peer_receive(answer), peer_send("235 ok\r\n")},
                                 after_login()));
    EXPECT_EQ(send(through(peer, 2)), 0);
    std::string wire = named(peer.received());
    EXPECT_EQ(wire.substr(0, wire.find("mail from:")), "ehlo NNNNN\r\nauth cram-md5\r\n" + answer);
}

TEST_F(SmtpLoginTest, EncryptedOnlyRefusesAServerWithoutCramMd5) {
    ScriptedPeer peer({peer_send("220 hi\r\n"), peer_receive("ehlo "), peer_send("250-peer\r\n250 AUTH PLAIN LOGIN\r\n")});
    EXPECT_EQ(send(through(peer, 0x12)), -1);
    EXPECT_EQ(named(peer.received()), "ehlo NNNNN\r\n");
    EXPECT_EQ(ui.status_text(), "Connected to server.\r\n250-peer\r\n250 AUTH PLAIN LOGIN\r\n"
                                "SMTP server does not support requested authentication.\r\n");
}

TEST_F(SmtpLoginTest, ServerWithoutAnyKnownMechanismIsRefused) {
    ScriptedPeer peer({peer_send("220 hi\r\n"), peer_receive("ehlo "), peer_send("250-peer\r\n250 AUTH LOGIN\r\n")});
    EXPECT_EQ(send(through(peer, 2)), -1);
    EXPECT_EQ(ui.status_text(), "Connected to server.\r\n250-peer\r\n250 AUTH LOGIN\r\n"
                                "SMTP server does not support requested authentication.\r\n");
}

TEST_F(SmtpLoginTest, EhloReplyCutOffEndsAsAFailure) {
    ScriptedPeer peer({peer_send("220 hi\r\n"), peer_receive("ehlo "), peer_send("250-peer\r\n250-AUTH CRA"),
                       peer_pause(30), peer_close()});
    EXPECT_EQ(send(through(peer, 2)), -1);
    EXPECT_EQ(ui.status_text(), "Connected to server.\r\nreceiveline error\r\n");
}

TEST_F(SmtpLoginTest, EhloRefusedIsShownAndNoLoginIsTried) {
    ScriptedPeer peer({peer_send("220 hi\r\n"), peer_receive("ehlo "), peer_send("502 PLAIN old server\r\n")});
    EXPECT_EQ(send(through(peer, 2)), -1);
    EXPECT_EQ(named(peer.received()), "ehlo NNNNN\r\n");
    EXPECT_EQ(ui.status_text(), "Connected to server.\r\n502 PLAIN old server\r\n");
}

TEST_F(SmtpLoginTest, RefusedLoginsSayWhich) {
    {
        ScriptedPeer peer({peer_send("220 hi\r\n"), peer_receive("ehlo "), peer_send("250 AUTH PLAIN\r\n"),
                           peer_receive("auth plain\r\n"), peer_send("504 not today\r\n")});
        EXPECT_EQ(send(through(peer, 2)), -1);
        EXPECT_EQ(ui.status_text(), "Connected to server.\r\n504 not today\r\nPlain authorisation error!\r\n");
    }
    ui.status_calls.clear();
    {
        ScriptedPeer peer({peer_send("220 hi\r\n"), peer_receive("ehlo "), peer_send("250 AUTH CRAM-MD5\r\n"),
                           peer_receive("auth cram-md5\r\n"), peer_close()});
        EXPECT_EQ(send(through(peer, 2)), -1);
        EXPECT_EQ(ui.status_text(), "Connected to server.\r\nCram-md5 authorisation error!\r\n");
    }
}

TEST_F(SmtpLoginTest, ServerOtherThanTheAccountsSendsWithoutLogin) {
    ScriptedPeer peer(plain_session(good_replies()));
    load_accounts({{"mail.elsewhere.test:25", "pop.elsewhere.test", "alice", "alicepw", 6}});
    Outgoing m;
    m.server = server_text(peer.address());
    m.account = "0";
    m.options = "6";
    EXPECT_EQ(send(m), 0);
    EXPECT_EQ(named(peer.received()).substr(0, 12), "helo NNNNN\r\n");
    EXPECT_TRUE(ui.status_text().starts_with(
        "The server name and account do not match so authentication will not be used.\r\nConnected to server.\r\n"))
        << ui.status_text();
}

TEST_F(SmtpLoginTest, PopBeforeSmtpNeedsAnAccountWithAPop3Server) {
    Outgoing m;
    m.server = "127.0.0.1:1";
    m.options = "4";
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(ui.status_text(), "'POP before SMTP' is enabled but no accounts have been set up.\r\n");
    ui.status_calls.clear();
    load_accounts({{"127.0.0.1:1", "", "alice", "alicepw", 4}});
    m.account = "0";
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(ui.status_text(),
              "'POP before SMTP' is enabled but the selected account does not have a POP3 server associated "
              "with it.\r\n");
    EXPECT_TRUE(ui.job_calls.empty());
    // An IMAP account's stray bit is passed over: no POP3 login at its
    // incoming server (closed here), straight to SMTP.
    ScriptedPeer peer(plain_session(good_replies()));
    load_accounts({{server_text(peer.address()), "127.0.0.1:1", "alice", "alicepw", 4 | ACCOUNT_IMAP}});
    m.server = server_text(peer.address());
    EXPECT_EQ(send(m), 0) << ui.status_text();
    EXPECT_EQ(named(peer.received()).substr(0, 12), "helo NNNNN\r\n");
}

TEST_F(SmtpLoginTest, FailedPop3LoginSendsNothing) {
    NetAddress closed;
    peer_close_raw(peer_listen(&closed));
    load_accounts({{server_text(closed), server_text(closed), "alice", "alicepw", 4}});
    Outgoing m;
    m.server = server_text(closed);
    m.account = "0";
    m.options = "4";
    EXPECT_EQ(send(m), -1);
    EXPECT_EQ(ui.status_text().find("Cannot connect to server."), std::string::npos) << ui.status_text();
    EXPECT_EQ(ui.job_calls, (std::vector<std::string>{"reset 1", "socket", "socket none"}));
}

TEST_F(SmtpLoginTest, PopBeforeSmtpLogsInToPop3First) {
    ScriptedPeer pop3({peer_send("+OK ready\r\n"), peer_receive("user alice\r\n"), peer_send("+OK\r\n"),
                       peer_receive("pass alicepw\r\n"), peer_send("+OK logged in\r\n"), peer_receive("quit\r\n"),
                       peer_send("+OK bye\r\n")});
    ScriptedPeer smtp(plain_session(good_replies()));
    load_accounts({{server_text(smtp.address()), server_text(pop3.address()), "alice", "alicepw", 4}});
    Outgoing m;
    m.server = server_text(smtp.address());
    m.account = "0";
    m.options = "4";
    EXPECT_EQ(send(m), 0);
    EXPECT_EQ(pop3.received(), "user alice\r\npass alicepw\r\nquit\r\n");
    EXPECT_NE(ui.status_text().find("POP3 authorisation successful.\r\n"), std::string::npos);
}

TEST_F(SmtpSessionTest, SentItemIsTheSendingCopyUnderTheNextNumber) {
    write_file("maildir/sent items/mm4.eml", "older\r\n");
    ScriptedPeer peer(plain_session(good_replies()));
    Outgoing m;
    m.server = server_text(peer.address());
    m.options = "32";
    m.body = "kept\r\n.\r\n";
    ASSERT_EQ(send(m), 0);
    EXPECT_EQ(files_in(folder_ / "maildir/sent items"), (std::vector<std::string>{"mm4.eml", "mm5.eml"}));
    std::string kept = read_file(folder_ / "maildir/sent items/mm5.eml");
    EXPECT_EQ(kept, without_private_fields(m));
    EXPECT_EQ(kept.find("X-ZM"), std::string::npos);
    for (const std::string& name : files_in(folder_ / "temp")) EXPECT_EQ(name.rfind("sentitem", 0), std::string::npos);
}

TEST_F(SmtpSessionTest, SentItemThatCannotBeKeptLeavesTheMessageSent) {
    fs::remove_all(folder_ / "maildir/sent items");
    ScriptedPeer peer(plain_session(good_replies()));
    Outgoing m;
    m.server = server_text(peer.address());
    m.options = "32";
    EXPECT_EQ(send(m), 0);
    std::string shown = ui.status_text();
    EXPECT_EQ(shown.substr(shown.size() - 27), "Could not save sent item!\r\n");
}

TEST_F(SmtpSessionTest, PrivateFieldsWrittenTwiceAllStayBehind) {
    ScriptedPeer peer(plain_session(good_replies()));
    Outgoing m;
    m.server = server_text(peer.address());
    write_file("maildir/outbox/mm1.eml", "X-ZMRead: FALSE\r\nX-ZMOpts: 0\r\n" + outgoing_file(m));
    ASSERT_EQ(smtp_send_file(status, "maildir\\outbox\\mm1.eml"), 0);
    EXPECT_EQ(peer.received().find("X-ZM"), std::string::npos) << peer.received();
}

}  // namespace

// An OAuth 2.0 account's login: the access token, never the password field;
// a refused token is renewed and tried once more on the same connection,
// which SMTP allows after a failed AUTH.
TEST_F(SmtpSessionTest, ARefusedAccessTokenIsRenewedAndTriedOnceMoreOnTheSameConnection) {
    StandInTls tls;
    const std::string first = xoauth2_line("alice", "at-old"), second = xoauth2_line("alice", "at-new");
    ScriptedPeer peer({peer_secure(), peer_send("220 hi\r\n"), peer_receive("ehlo"),
                       peer_send("250-peer\r\n250 AUTH PLAIN XOAUTH2\r\n"), peer_receive("auth XOAUTH2\r\n"),
                       peer_send("334 \r\n"), peer_receive(first), peer_send("334 eyJzdGF0dXMiOiI0MDEifQ==\r\n"),
                       peer_receive(first + "\r\n"), peer_send("535 5.7.8 no\r\n"),
                       peer_receive(first + "\r\nauth XOAUTH2\r\n"), peer_send("334 \r\n"), peer_receive(second),
                       peer_send("235 ok\r\n"), peer_receive("mail from:"), peer_send("250 ok\r\n"),
                       peer_receive("rcpt to:"), peer_send("250 ok\r\n"), peer_receive("data\r\n"),
                       peer_send("354 go\r\n"), peer_receive("\r\n.\r\n"), peer_send("250 queued\r\n"),
                       peer_receive("quit\r\n"), peer_send("221 bye\r\n")});
    TestAccount a{server_text(peer.address()), "127.0.0.1:1"};
    a.options = ACCOUNT_OAUTH | ACCOUNT_SMTP_TLS;
    load_accounts({a});
    ASSERT_EQ(oauth_grant_save("127.0.0.1:1", "alice", {"https://login.example.test/token", "c", "s", "rt-1"}), 0);
    FakeTokenEndpoint endpoint;
    FakeTokenEndpoint::replies() = {R"({"access_token":"at-old","token_type":"Bearer","expires_in":3600})",
                                    R"({"access_token":"at-new","token_type":"Bearer","expires_in":3600})"};
    Outgoing m{server_text(peer.address())};
    m.account = "0";
    EXPECT_EQ(send(m), 0) << ui.status_text();
    EXPECT_EQ(named(peer.received()).rfind("STARTSECURE\r\nehlo NNNNN\r\nauth XOAUTH2\r\n" + first +
                                               "\r\nauth XOAUTH2\r\n" + second + "mail from:<alice@example.test>\r\n",
                                           0),
              0u)
        << peer.received();
    EXPECT_EQ(peer.received().find("alicepw"), std::string::npos);
    EXPECT_EQ(FakeTokenEndpoint::requests().size(), 2u);
    EXPECT_NE(ui.status_text().find("The server refused the access token (status: 401).\r\n535 5.7.8 no\r\n"),
              std::string::npos)
        << ui.status_text();
}
