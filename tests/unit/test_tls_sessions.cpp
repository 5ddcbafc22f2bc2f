// Secured sessions through the stand-in for TLS: where the upgrade starts,
// that nothing goes plain after it, that refusals and injected bytes end
// the session before a login, and that every caller takes the account's
// mode and ports.
#include <string>

#include "core/accounts.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/smtp_test_support.h"
#include "tests/unit/test_support.h"
#include "tests/unit/tls_stand_in.h"
#include "format/base64.h"
#include "format/oauth_grant.h"
#include "tests/unit/fake_token_endpoint.h"
#include "transport/cert_verdict.h"
#include "transport/imap.h"
#include "transport/pop3.h"
#include "transport/sasl.h"
#include "transport/smtp_plan.h"
#include "transport/smtp_session.h"
#include "transport/session.h"
#include "transport/tls.h"

namespace {

class TlsSessionTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        make_send_folders();
        load_accounts({});
        reply = array_new(520);
        command = array_new(520);
    }
    void TearDown() override {
        delete_arrays(reply, command);
        FolderTest::TearDown();
    }
    int pop3(ScriptedPeer& peer, TlsMode mode) {
        MailSession s(sink);
        s.open();
        int result = pop3_login(s, reply, command, server_text(peer.address()).c_str(), "alice", "pw",
                                {.use_auth = false, .encrypted_only = false, .tls = mode});
        s.close();
        return result;
    }
    int smtp(const std::string& server, int options) {
        Outgoing m;
        m.server = server;
        m.options = std::to_string(options);
        write_file("maildir/outbox/mm1.eml", outgoing_file(m));
        return smtp_send_file(sink, "maildir\\outbox\\mm1.eml");
    }
    static std::string named(std::string wire) {
        for (const char* verb : {"helo ", "ehlo "})
            for (size_t at = wire.find(verb); at != std::string::npos; at = wire.find(verb, at + 1))
                if (wire.size() >= at + 10) wire.replace(at + 5, 5, "NNNNN");
        return wire;
    }
    // What the status window was told since the last mark.
    std::string shown() { return ui.status_text().substr(shown_from); }
    size_t shown_from = 0;
    UiRecorder ui;
    RecorderSink sink;
    StandInTls tls;
    Array* reply = nullptr;
    Array* command = nullptr;
};

TEST_F(TlsSessionTest, Pop3sSecuresTheConnectionBeforeTheGreeting) {
    ScriptedPeer peer({peer_secure(), peer_send("+OK ready\r\n"), peer_receive("user alice\r\n"), peer_send("+OK\r\n"),
                       peer_receive("pass pw\r\n"), peer_send("+OK\r\n")});
    ASSERT_EQ(pop3(peer, TLS_IMPLICIT), 0);
    EXPECT_EQ(peer.received(), "STARTSECURE\r\nuser alice\r\npass pw\r\n");
    EXPECT_EQ(peer.received_raw(), "STARTSECURE\r\n" + stand_in_transform("user alice\r\npass pw\r\n"));
    EXPECT_EQ(shown(), "Connected to server.\r\nSecure connection established (stand-in).\r\n");
    EXPECT_EQ(StandInTls::host(), "127.0.0.1");
}

TEST_F(TlsSessionTest, StlsUpgradesRightAfterTheGoAhead) {
    ScriptedPeer peer({peer_send("+OK ready\r\n"), peer_receive("stls\r\n"), peer_send("+OK begin TLS\r\n"),
                       peer_secure(), peer_receive("user alice\r\n"), peer_send("+OK\r\n"), peer_receive("pass pw\r\n"),
                       peer_send("+OK\r\n")});
    ASSERT_EQ(pop3(peer, TLS_UPGRADE), 0);
    EXPECT_EQ(peer.received_raw(), "stls\r\nSTARTSECURE\r\n" + stand_in_transform("user alice\r\npass pw\r\n"));
}

TEST_F(TlsSessionTest, Pop3RefusalsEndTheSessionBeforeTheLogin) {
    struct Row {
        const char* name;
        std::vector<PeerStep> script;
        TlsMode mode;
        std::string status;
        std::string sent;
    };
    const std::string connected = "Connected to server.\r\n";
    std::vector<Row> rows = {
        {"STLS refused",
         {peer_send("+OK ready\r\n"), peer_receive("stls\r\n"), peer_send("-ERR not here\r\n")},
         TLS_UPGRADE,
         connected + "-ERR not here\r\nPOP3 server does not support STLS.\r\n",
         "stls\r\n"},
        {"bytes behind the go-ahead",
         {peer_send("+OK ready\r\n"), peer_receive("stls\r\n"), peer_send("+OK begin\r\n+OK user accepted\r\n")},
         TLS_UPGRADE,
         connected + "Server sent data before the secure connection began.\r\n",
         "stls\r\n"},
        {"handshake refused",
         {peer_receive("STARTSECURE\r\n"), peer_send("NO\r\n\r\n\r\n")},
         TLS_IMPLICIT,
         connected + "Secure connection failed (error 0x80090308).\r\n",
         "STARTSECURE\r\n"},
    };
    for (Row& row : rows) {
        shown_from = ui.status_text().size();
        ScriptedPeer peer(row.script);
        EXPECT_EQ(pop3(peer, row.mode), -1) << row.name;
        EXPECT_EQ(peer.received_raw(), row.sent) << row.name;
        EXPECT_EQ(shown(), row.status) << row.name;
    }
}

TEST_F(TlsSessionTest, AHandshakeThatFailsEndsTheSessionClosed) {
    // The system's own TLS: natively there is none; under Wine it meets a
    // peer that never answers its hello.
    set_tls_starter(nullptr);
    ScriptedPeer peer({peer_send("+OK ready\r\n"), peer_receive("stls\r\n"), peer_send("+OK begin\r\n")});
    EXPECT_EQ(pop3(peer, TLS_UPGRADE), -1);
    std::string wire = peer.received_raw();
    EXPECT_EQ(wire.substr(0, 6), "stls\r\n");
    EXPECT_EQ(wire.find("user"), std::string::npos);
    std::string status = shown();
    EXPECT_NE(status.find("Secure connection failed (error 0x"), std::string::npos) << status;
#ifndef _WIN32
    EXPECT_EQ(wire, "stls\r\n");
    EXPECT_NE(status.find("(error 0x80090302).\r\n"), std::string::npos);
#endif
}

TEST_F(TlsSessionTest, StarttlsGoesOnAtHeloInsideTheSecuredSession) {
    std::vector<PeerStep> script = {peer_send("220 peer ready\r\n"), peer_receive("ehlo "),
                                    peer_send("250-peer\r\n250-STARTTLS\r\n250 SIZE 1000000\r\n"),
                                    peer_receive("starttls\r\n"), peer_send("220 go ahead\r\n"), peer_secure()};
    std::vector<PeerStep> rest = plain_session(good_replies());
    rest.erase(rest.begin());  // no second greeting
    ScriptedPeer peer(join_steps(script, rest));
    ASSERT_EQ(smtp(server_text(peer.address()), ACCOUNT_SMTP_STARTTLS), 0);
    std::string wire = named(peer.received_raw());
    std::string plain = "ehlo NNNNN\r\nstarttls\r\nSTARTSECURE\r\n";
    ASSERT_EQ(wire.substr(0, plain.size()), plain);
    std::string secured = named(stand_in_transform(peer.received_raw().substr(plain.size())));
    EXPECT_EQ(secured.substr(0, 47), "helo NNNNN\r\nmail from:<alice@example.test>\r\nrcp");
    EXPECT_EQ(wire.find("mail from"), std::string::npos);
    EXPECT_NE(shown().find("Connected to server.\r\nSecure connection established (stand-in).\r\n"),
              std::string::npos);
}

TEST_F(TlsSessionTest, SmtpRefusalsSendNoEnvelope) {
    struct Row {
        const char* name;
        std::string ehlo;
        std::string go_ahead;
        std::string status_end;
    };
    const Row rows[] = {
        {"not offered", "250-peer\r\n250 STARTTLSX\r\n", "", "SMTP server does not support STARTTLS.\r\n"},
        {"refused", "250-peer\r\n250 starttls\r\n", "454 not now\r\n", "454 not now\r\nSMTP server does not support STARTTLS.\r\n"},
        {"injected", "250 STARTTLS\r\n", "220 go\r\n250 mail accepted\r\n",
         "Server sent data before the secure connection began.\r\n"},
    };
    for (const Row& row : rows) {
        shown_from = ui.status_text().size();
        std::vector<PeerStep> script = {peer_send("220 ready\r\n"), peer_receive("ehlo "), peer_send(row.ehlo)};
        if (!row.go_ahead.empty()) script.push_back(peer_receive("starttls\r\n")), script.push_back(peer_send(row.go_ahead));
        ScriptedPeer peer(script);
        EXPECT_EQ(smtp(server_text(peer.address()), ACCOUNT_SMTP_STARTTLS), -1) << row.name;
        std::string sent = named(peer.received_raw());
        EXPECT_EQ(sent, row.go_ahead.empty() ? "ehlo NNNNN\r\n" : "ehlo NNNNN\r\nstarttls\r\n") << row.name;
        std::string status = shown();
        ASSERT_GE(status.size(), row.status_end.size()) << row.name;
        EXPECT_EQ(status.substr(status.size() - row.status_end.size()), row.status_end) << row.name;
    }
}

TEST_F(TlsSessionTest, SmtpsSecuresBeforeTheGreeting) {
    std::vector<PeerStep> script = {peer_secure()};
    ScriptedPeer peer(join_steps(script, plain_session(good_replies())));
    ASSERT_EQ(smtp(server_text(peer.address()), ACCOUNT_SMTP_TLS | ACCOUNT_SMTP_STARTTLS), 0);
    EXPECT_EQ(peer.received_raw().substr(0, 13), "STARTSECURE\r\n");
    EXPECT_EQ(named(peer.received()).substr(13, 12), "helo NNNNN\r\n");
}

TEST(TlsModeTest, AccountBitsGiveModesAndPorts) {
    struct Row {
        int flags;
        TlsMode pop3, smtp;
        int pop3_port, smtp_port;
    };
    const Row rows[] = {
        {0, TLS_NONE, TLS_NONE, 110, 25},
        {ACCOUNT_POP3_TLS, TLS_IMPLICIT, TLS_NONE, 995, 25},
        {ACCOUNT_POP3_STLS, TLS_UPGRADE, TLS_NONE, 110, 25},
        {ACCOUNT_POP3_TLS | ACCOUNT_POP3_STLS, TLS_IMPLICIT, TLS_NONE, 995, 25},
        {ACCOUNT_SMTP_TLS, TLS_NONE, TLS_IMPLICIT, 110, 465},
        {ACCOUNT_SMTP_STARTTLS | ACCOUNT_POP3_AUTH, TLS_NONE, TLS_UPGRADE, 110, 25},
        {ACCOUNT_SMTP_TLS | ACCOUNT_SMTP_STARTTLS, TLS_NONE, TLS_IMPLICIT, 110, 465},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(account_login_options(row.flags, ACCOUNT_POP3_AUTH).tls, row.pop3) << row.flags;
        EXPECT_EQ(account_login_options(row.flags, ACCOUNT_SMTP_AUTH).tls, row.smtp) << row.flags;
        EXPECT_EQ(pop3_default_port(pop3_tls_mode(row.flags)), row.pop3_port) << row.flags;
        EXPECT_EQ(smtp_default_port(smtp_tls_mode(row.flags)), row.smtp_port) << row.flags;
    }
}

TEST_F(TlsSessionTest, TheAccountsServerIsSecuredAsTheAccountSaysNow) {
    load_accounts({{"smtp.example.test", "pop.example.test", "alice", "alicepw", ACCOUNT_SMTP_STARTTLS}});
    SendPlan* plan = send_plan_new();
    Outgoing m;
    m.server = "smtp.example.test";
    m.account = "0";
    m.options = "0";  // queued before the account was secured
    write_file("maildir/outbox/mm1.eml", outgoing_file(m));
    ASSERT_EQ(read_send_plan(sink, "maildir\\outbox\\mm1.eml", plan), 0);
    EXPECT_EQ(plan->options & (ACCOUNT_SMTP_TLS | ACCOUNT_SMTP_STARTTLS), ACCOUNT_SMTP_STARTTLS);
    // Another server keeps what the message was queued with.
    m.server = "relay.example.test";
    m.options = std::to_string(ACCOUNT_SMTP_TLS);
    write_file("maildir/outbox/mm1.eml", outgoing_file(m));
    ASSERT_EQ(read_send_plan(sink, "maildir\\outbox\\mm1.eml", plan), 0);
    EXPECT_EQ(plan->options & (ACCOUNT_SMTP_TLS | ACCOUNT_SMTP_STARTTLS), ACCOUNT_SMTP_TLS);
    send_plan_delete(plan);
}

std::string base64_line(const std::string& text) { return base64_string(text.data(), text.size()) + "\r\n"; }

TEST_F(TlsSessionTest, OAuthAccountsSignInWithTheirServersNameAndOnlyOverTls) {
    // POP3S: AUTH whatever the AUTH bit says, OAUTHBEARER naming the server
    // as the account does.
    ScriptedPeer pop({peer_secure(), peer_send("+OK ready\r\n"), peer_receive("auth\r\n"),
                      peer_send("+OK\r\nXOAUTH2\r\nOAUTHBEARER\r\nPLAIN\r\n.\r\n"), peer_receive("auth OAUTHBEARER\r\n"),
                      peer_send("+ \r\n+OK\r\n"), peer_silent(5000)});
    const std::string port = std::to_string(port_from_network(pop.address().port));
    const std::string bearer = base64_line("n,a=alice,\x01host=127.0.0.1\x01port=" + port + "\x01" "auth=Bearer tok\x01\x01");
    {
        MailSession s(sink);
        s.open();
        EXPECT_EQ(pop3_login(s, reply, command, server_text(pop.address()).c_str(), "alice", "tok",
                             {.use_auth = false, .oauth = true, .tls = TLS_IMPLICIT}),
                  0);
    }
    EXPECT_EQ(pop.received(), "STARTSECURE\r\nauth\r\nauth OAUTHBEARER\r\n" + bearer);

    // SMTP: a message queued before the account signed in with OAuth 2.0
    // goes as the account says now, with its access token, never the
    // password field.
    FakeTokenEndpoint endpoint;
    FakeTokenEndpoint::replies() = {R"({"access_token":"tok","token_type":"Bearer"})"};
    ASSERT_EQ(oauth_grant_save("", "alice", {"https://login.example.test/token", "c", "", "rt"}), 0);
    ScriptedPeer smtp_peer({peer_secure(), peer_send("220 ready\r\n"), peer_receive("ehlo "),
                            peer_send("250-peer\r\n250 AUTH PLAIN XOAUTH2\r\n"), peer_receive("auth XOAUTH2\r\n"),
                            peer_send("334 \r\n"), peer_receive("BAQ==\r\n"), peer_send("235 ok\r\n"),
                            peer_receive("mail from:"), peer_send("550 not today\r\n")});
    load_accounts({{server_text(smtp_peer.address()), "", "alice", "alicepw", ACCOUNT_OAUTH | ACCOUNT_SMTP_TLS}});
    Outgoing m;
    m.server = server_text(smtp_peer.address());
    m.account = "0";
    write_file("maildir/outbox/mm1.eml", outgoing_file(m));
    EXPECT_EQ(smtp_send_file(sink, "maildir\\outbox\\mm1.eml"), -1);
    EXPECT_EQ(named(smtp_peer.received()), "STARTSECURE\r\nehlo NNNNN\r\nauth XOAUTH2\r\n" +
                                               base64_line("user=alice\x01" "auth=Bearer tok\x01\x01") +
                                               "mail from:<alice@example.test>\r\n");

    // Without TLS nothing is even connected: POP3, IMAP or SMTP.
    shown_from = ui.status_text().size();
    {
        MailSession s(sink);
        s.open();
        EXPECT_EQ(pop3_login(s, reply, command, "127.0.0.1:1", "alice", "tok", {.oauth = true, .tls = TLS_NONE}), -1);
    }
    EXPECT_EQ(shown(), oauth_needs_tls_text);
    shown_from = ui.status_text().size();
    {
        MailSession s(sink);
        s.open();
        std::string capabilities;
        EXPECT_EQ(imap_login(s, "127.0.0.1:1", "alice", "tok", {.use_auth = true, .oauth = true, .tls = TLS_NONE},
                             &capabilities),
                  -1);
    }
    EXPECT_EQ(shown(), oauth_needs_tls_text);
    load_accounts({{"127.0.0.1:1", "", "alice", "tok", ACCOUNT_OAUTH | ACCOUNT_SMTP_AUTH}});
    m.server = "127.0.0.1:1";
    write_file("maildir/outbox/mm1.eml", outgoing_file(m));
    shown_from = ui.status_text().size();
    EXPECT_EQ(smtp_send_file(sink, "maildir\\outbox\\mm1.eml"), -1);
    EXPECT_EQ(shown(), oauth_needs_tls_text);
}

TEST(CertificateVerdictTest, OnlyAFaultlessChainAndPolicyAreAccepted) {
    struct Row {
        uint32_t chain;
        uint32_t policy;
        const char* reason;
    };
    const Row rows[] = {
        {0, 0, nullptr},
        {CHAIN_UNTRUSTED_ROOT, POLICY_UNTRUSTED_ROOT, "untrusted issuer"},
        // A policy that passes a chain whose issuer is found nowhere.
        {CHAIN_PARTIAL, 0, "incomplete chain"},
        {CHAIN_PARTIAL | CHAIN_UNTRUSTED_ROOT, POLICY_CHAINING, "incomplete chain"},
        {0, POLICY_NAME_MISMATCH, "issued for another name"},
        {CHAIN_NOT_TIME_VALID, POLICY_EXPIRED, "expired or not yet valid"},
        {CHAIN_NOT_TIME_VALID, 0, "expired or not yet valid"},
        {CHAIN_NOT_VALID_FOR_USAGE, 0, "not meant for servers"},
        {0, POLICY_WRONG_USAGE, "not meant for servers"},
        {0x8 /* revoked */, 0, "untrusted issuer"},
        {0, 0x80092010, "untrusted issuer"},
    };
    for (const Row& row : rows) {
        const char* reason = certificate_refusal(row.chain, row.policy);
        EXPECT_STREQ(reason, row.reason) << row.chain << " " << row.policy;
    }
}

}  // namespace
