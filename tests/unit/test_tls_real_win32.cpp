// The system's TLS (SChannel) against the real servers: POP3S, STLS, SMTPS,
// STARTTLS, IMAPS and IMAP's STARTTLS with the certificate the test CA signed for localhost, and
// the refusals of a certificate for another name or from an issuer the
// store does not trust; and OAuth 2.0 logins with tokens of the test
// servers' authorization server, got and renewed through the system's HTTPS.
// Under Wine only: natively there is no system TLS.
#include <atomic>
#include <cstdlib>
#include <string>

#include "client/client_settings.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/sys_time.h"
#include "format/oauth_grant.h"
#include "store/busy_folders.h"
#include "tests/tools/trusted_ca.h"
#include "tests/unit/played_browser.h"
#include "tests/unit/push_support.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/relay.h"
#include "tests/unit/smtp_test_support.h"
#include "tests/unit/test_support.h"
#include "transport/imap.h"
#include "transport/imap_push.h"
#include "transport/login_secret.h"
#include "transport/oauth_requests.h"
#include "transport/oauth_sign_in.h"
#include "transport/pop3.h"
#include "transport/pop3_jobs.h"
#include "transport/sasl.h"
#include "transport/session.h"
#include "transport/smtp_session.h"
#include "transport/socket_lines.h"
#include "transport/socks_config.h"
#include "transport/tls.h"

namespace {

int port(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : 0;
}

std::string test_ca() {
    std::string der;
    const char* path = std::getenv("ZM_TLS_CA_DER_WIN");
    return path && read_ca_file(path, &der) ? der : "";
}

std::string localhost(int p) { return "localhost:" + std::to_string(p); }

std::string env_text(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// A form POSTed to the authorization server through the system's HTTPS;
// its reply body.
std::string post(const std::string& url, const std::string& form) {
    std::string reply, error;
    EXPECT_EQ(system_token_endpoint(url, form, &reply, &error), 0) << url << ": " << error;
    return reply;
}

// The person at the system's browser: the authorization server's page
// answered for alice (her password and "Allow", or "Deny"), and its
// redirect followed to the client's loopback listener. The page is posted
// through the system's HTTPS, which follows no redirect: the server gives
// the redirect's address as a link in the body too.
bool alice_denies = false;
Browser* alice_browser = nullptr;
bool alice_at_the_browser(const std::string& url) {
    std::string page = post(url, alice_denies ? "deny=1" : "username=alice&password=alicepw&approve=1");
    const std::string loopback = "http://127.0.0.1:";
    size_t at = page.find("href=\"" + loopback);
    if (at == std::string::npos) return false;
    at += 6;
    std::string link = page.substr(at, page.find('"', at) - at);
    for (size_t amp; (amp = link.find("&amp;")) != std::string::npos;) link.replace(amp, 5, "&");
    int listener = std::atoi(link.c_str() + loopback.size());
    alice_browser->visit(listener, "GET " + link.substr(link.find('/', loopback.size())) +
                                       " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(listener) + "\r\n\r\n");
    return true;
}

// The client's own sign-in of alice's account at the test servers'
// authorization server. 0, or -1 with *error.
int sign_in_alice(const std::string& pop3_server, bool denies, std::string* error) {
    Browser browser;
    alice_browser = &browser;
    alice_denies = denies;
    open_browser_install(alice_at_the_browser);
    std::atomic<bool> cancel{false};
    SignInRequest request{env_text("ZM_OAUTH_AUTHORIZE"), env_text("ZM_OAUTH_TOKEN"), env_text("ZM_OAUTH_CLIENT_ID"),
                          "", "mail", "alice@example.test", pop3_server, "alice"};
    int result = oauth_sign_in(request, cancel, 20000, error);
    open_browser_install(nullptr);
    if (browser.thread.joinable()) browser.thread.join();
    EXPECT_NE(browser.answer.find("You can close this window."), std::string::npos) << browser.answer;
    return result;
}

size_t count_of(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
}

class TlsRealTest : public FolderTest {
protected:
    static void SetUpTestSuite() {
        if (!test_ca().empty()) trust_ca(test_ca());
    }
    static void TearDownTestSuite() {
        if (!test_ca().empty()) distrust_ca(test_ca());
    }
    void SetUp() override {
        FolderTest::SetUp();
        if (!real_servers().present || !port("ZM_POP3S_PORT") || test_ca().empty())
            GTEST_SKIP() << "the TLS servers of tests/servers are not running";
        if (!app.program_folder) create_app_state();
        make_send_folders();
        ASSERT_EQ(log_open("zmlog.txt"), 0);
        array_clear(app.new_mail_command);
        busy_folders_init();
        clear_mailbox("bob");
        reply = array_new(520);
        command = array_new(520);
    }
    void TearDown() override {
        if (reply) {
            clear_mailbox("bob");
            log_close();
            delete_arrays(reply, command);
        }
        FolderTest::TearDown();
    }
    int login(const std::string& server, TlsMode mode) {
        MailSession s(sink);
        s.open();
        int result = pop3_login(s, reply, command, server.c_str(), "bob", "bobpw",
                                {.use_auth = false, .encrypted_only = false, .tls = mode});
        if (result == 0) result = pop3_list(s, nullptr);
        s.close();
        return result;
    }
    int send(const std::string& server, int options) {
        Outgoing m;
        m.server = server;
        m.account = "0";
        m.recipients = "bob@example.test";
        m.options = std::to_string(options);
        m.subject = "Secured " + std::to_string(options);
        write_file("maildir/outbox/mm1.eml", outgoing_file(m));
        return smtp_send_file(sink, "maildir\\outbox\\mm1.eml");
    }
    // What the status window was told since the last mark.
    std::string shown() { return ui.status_text().substr(shown_from); }
    size_t shown_from = 0;
    UiRecorder ui;
    RecorderSink sink;
    Array* reply = nullptr;
    Array* command = nullptr;
};

TEST_F(TlsRealTest, ReceiveThroughPop3sAndStls) {
    size_t tls_logins = count_of(server_log("log/dovecot.log"), ", TLS, session=");
    const std::string big(3 * 1024 * 1024, 'x');
    deliver("bob", "From: alice@example.test\r\nSubject: one\r\n\r\n" + big + "\r\n");
    load_accounts({{localhost(real_servers().smtp_port), localhost(port("ZM_POP3S_PORT")), "bob", "bobpw",
                    ACCOUNT_POP3_TLS}});
    ASSERT_EQ(receive_job(recorder_jobs(), 0), 1) << shown();
    EXPECT_NE(shown().find("Connected to server.\r\nSecure connection established (TLS 1."), std::string::npos)
        << shown();
    std::string stored = read_file(folder_ / "maildir/inbox/mm1.eml");
    EXPECT_EQ(stored.substr(stored.find("Subject: one")), "Subject: one\r\n\r\n" + big);

    deliver("bob", "From: alice@example.test\r\nSubject: two\r\n\r\nHello.\r\n");
    load_accounts({{localhost(real_servers().smtp_port), localhost(real_servers().pop3_port), "bob", "bobpw",
                    ACCOUNT_POP3_STLS | ACCOUNT_DELETE_FROM_SERVER}});
    ASSERT_EQ(receive_job(recorder_jobs(), 0), 2) << shown();
    EXPECT_EQ(mailbox_messages("bob").size(), 0u);

    // AUTH over TLS, and the server's own record of each login's TLS.
    deliver("bob", "From: alice@example.test\r\nSubject: three\r\n\r\nHello.\r\n");
    load_accounts({{localhost(real_servers().smtp_port), localhost(port("ZM_POP3S_PORT")), "bob", "bobpw",
                    ACCOUNT_POP3_TLS | ACCOUNT_POP3_AUTH | ACCOUNT_DELETE_FROM_SERVER}});
    ASSERT_EQ(receive_job(recorder_jobs(), 0), 1) << shown();
    std::string log = server_log("log/dovecot.log");
    EXPECT_EQ(count_of(log, ", TLS, session=") - tls_logins, 3u);
    EXPECT_NE(log.find("Login: user=<bob>, method=CRAM-MD5"), std::string::npos);
}

TEST_F(TlsRealTest, SendThroughSmtpsAndStarttlsWithEachLogin) {
    struct Row {
        int port;
        int options;
    };
    const Row rows[] = {
        {port("ZM_SMTPS_PORT"), ACCOUNT_SMTP_TLS},
        {real_servers().smtp_port, ACCOUNT_SMTP_STARTTLS | ACCOUNT_SMTP_AUTH},
        {port("ZM_SMTPS_PORT"), ACCOUNT_SMTP_TLS | ACCOUNT_SMTP_AUTH | ACCOUNT_ENCRYPTED_AUTH_ONLY},
    };
    size_t received = count_of(server_log("log/exim/mainlog"), " X=TLS1.");
    for (const Row& row : rows) {
        shown_from = ui.status_text().size();
        load_accounts({{localhost(row.port), localhost(real_servers().pop3_port), "bob", "bobpw", row.options}});
        ASSERT_EQ(send(localhost(row.port), row.options), 0) << shown();
        EXPECT_NE(shown().find("Secure connection established (TLS 1."), std::string::npos);
    }
    // exim delivers on its own time.
    within(10, [] { return mailbox_messages("bob").size() >= 3; });
    EXPECT_EQ(mailbox_messages("bob").size(), 3u);
    // exim took each message over TLS.
    EXPECT_EQ(count_of(server_log("log/exim/mainlog"), " X=TLS1.") - received, 3u);
}

TEST_F(TlsRealTest, ThroughTheProxyA20MegabyteMessageArrivesWhole) {
    // The proxy's handshake stays plain; TLS starts inside the tunnel.
    write_file(folder_ / "zenth.cfg", std::to_string(SETTING_USE_SOCKS) + "\r\n\r\n\r\n127.0.0.1\r\n" +
                                          std::to_string(real_servers().socks_port) + "\r\n\r\n\r\n");
    ASSERT_EQ(settings_load(), 0);
    std::string body;
    for (int line = 0; body.size() < 20 * 1024 * 1024; line++) body += "line " + std::to_string(line) + " of the big one\r\n";
    deliver("bob", "From: alice@example.test\r\nSubject: big\r\n\r\n" + body);
    load_accounts({{localhost(real_servers().smtp_port), localhost(port("ZM_POP3S_PORT")), "bob", "bobpw",
                    ACCOUNT_POP3_TLS | ACCOUNT_DELETE_FROM_SERVER}});
    int received = receive_job(recorder_jobs(), 0);
    socks_config.configured = 0;
    settings_flags = 0;
    ASSERT_EQ(received, 1) << shown();
    std::string stored = read_file(folder_ / "maildir/inbox/mm1.eml");
    // The last line end belongs to the end of the transfer, as on every
    // POP3 session.
    body.resize(body.size() - 2);
    EXPECT_TRUE(stored.substr(stored.find("Subject: big")) == "Subject: big\r\n\r\n" + body);
    EXPECT_EQ(mailbox_messages("bob").size(), 0u);
}

TEST_F(TlsRealTest, TlsInSevenBytePieces) {
    RelayOptions slow;
    slow.piece_size = 7;
    Relay relay(port("ZM_POP3S_PORT"), slow);
    deliver("bob", "From: alice@example.test\r\nSubject: slow\r\n\r\nHello.\r\n");
    EXPECT_EQ(login(localhost(port_from_network(relay.address().port)), TLS_IMPLICIT), 1) << shown();
}

TEST_F(TlsRealTest, ACertificateForAnotherNameIsNotAccepted) {
    // The certificate names localhost only, and an address is never
    // matched against a name. (An issuer the store does not trust is tested
    // end to end: this process's chain engine keeps the roots it first saw.)
    EXPECT_EQ(login("127.0.0.1:" + std::to_string(port("ZM_POP3S_PORT")), TLS_IMPLICIT), -1);
    EXPECT_EQ(shown(), "Connected to server.\r\nServer certificate not accepted: issued for another name.\r\n");
}

TEST_F(TlsRealTest, ImapsAndImapStarttlsWithEachLogin) {
    if (!real_servers().imap_port) GTEST_SKIP() << "dovecot's IMAP of tests/servers is not running";
    const std::string message = "From: alice@example.test\r\nSubject: secured\r\n\r\nHello.\r\n";
    deliver("bob", message);
    // The server's own record: lines of IMAP logins of bob made inside TLS.
    auto secured_logins = [](const std::string& method) {
        std::string log = server_log("log/dovecot.log");
        size_t n = 0;
        for (size_t at = 0, end; at < log.size(); at = end + 1) {
            end = log.find('\n', at);
            if (end == std::string::npos) end = log.size();
            std::string line = log.substr(at, end - at);
            if (line.find("imap-login: Info: Login: user=<bob>, method=" + method) != std::string::npos &&
                line.find(", TLS, session=") != std::string::npos)
                n++;
        }
        return n;
    };
    size_t plain_before = secured_logins("PLAIN"), cram_before = secured_logins("CRAM-MD5");
    struct Row {
        int port;
        LoginOptions options;
    };
    const Row rows[] = {
        {real_servers().imaps_port, {.use_auth = false, .encrypted_only = false, .tls = TLS_IMPLICIT}},
        {real_servers().imap_port, {.use_auth = true, .encrypted_only = true, .tls = TLS_UPGRADE}},
        {real_servers().imaps_port, {.use_auth = true, .encrypted_only = false, .tls = TLS_IMPLICIT}},
    };
    for (const Row& row : rows) {
        shown_from = ui.status_text().size();
        MailSession s(sink);
        ASSERT_TRUE(s.open());
        std::string capabilities;
        ASSERT_EQ(imap_login(s, localhost(row.port).c_str(), "bob", "bobpw", row.options, &capabilities), 0) << shown();
        EXPECT_TRUE(shown().starts_with("Connected to server.\r\nSecure connection established (TLS 1.")) << shown();
        ImapFolder inbox;
        ASSERT_EQ(imap_select(s, "INBOX", true, &inbox), 0) << shown();
        std::vector<ImapMessage> listed;
        ASSERT_EQ(imap_list_above(s, 0, 10, &listed), 0);
        // The newest is the one delivered here.
        ASSERT_FALSE(listed.empty());
        std::string fetched;
        EXPECT_EQ(imap_fetch_message(s, listed.back().uid,
                                     [&](const char* b, int n) {
                                         fetched.append(b, static_cast<size_t>(n));
                                         return true;
                                     }),
                  IMAP_FETCHED);
        EXPECT_EQ(fetched, message);
        EXPECT_EQ(imap_logout(s), 0);
    }
    // Every login was made inside TLS: LOGIN (which dovecot records as
    // PLAIN), then CRAM-MD5 twice, as it is preferred wherever offered.
    EXPECT_EQ(secured_logins("PLAIN") - plain_before, 1u);
    EXPECT_EQ(secured_logins("CRAM-MD5") - cram_before, 2u);
}

// Tray mode's push over IMAPS and over STARTTLS: the idle connection's
// waits look through TLS for what the server reports, a delivery wakes the
// check, and the IDLE is renewed with DONE inside TLS until the stop.
TEST_F(TlsRealTest, ImapPushOverTlsWakesOnADeliveryAndRenews) {
    if (!real_servers().imap_port) GTEST_SKIP() << "dovecot's IMAP of tests/servers is not running";
    ShortPushPeriods periods(1, 1);
    const std::string secured = "Secure connection established (TLS 1.";
    size_t secured_before = count_of(read_file("zmlog.txt"), secured);
    const struct {
        int port, options;
    } rows[] = {{real_servers().imaps_port, ACCOUNT_POP3_TLS}, {real_servers().imap_port, ACCOUNT_POP3_STLS}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.port);
        clear_mailbox("bob");
        load_accounts({{localhost(real_servers().smtp_port), localhost(row.port), "bob", "bobpw",
                        ACCOUNT_IMAP | row.options}});
        std::shared_ptr<ImapPush> push = imap_push_start();
        ASSERT_TRUE(within(10, [&] { return imap_push_idling(push.get(), 0); })) << read_file("zmlog.txt");
        EXPECT_FALSE(imap_push_wait(push.get(), 0));
        deliver("bob", "From: carol@example.test\r\nSubject: pushed\r\n\r\nhello\r\n");
        EXPECT_TRUE(within(5, [&] { return imap_push_wait(push.get(), 100); })) << read_file("zmlog.txt");
        EXPECT_TRUE(within(8, [&] { return imap_push_entered(push.get(), 0) >= 3 && imap_push_idling(push.get(), 0); }))
            << read_file("zmlog.txt");
        imap_push_stop(push.get());
        EXPECT_TRUE(within(1.5, [&] { return imap_push_running(push.get()) == 0; }));
    }
    std::string log = read_file("zmlog.txt");
    EXPECT_EQ(count_of(log, secured) - secured_before, 2u) << log;
    EXPECT_EQ(log.find("IDLE ended"), std::string::npos) << log;
    EXPECT_EQ(log.find("error"), std::string::npos) << log;
}

TEST_F(TlsRealTest, OAuthTokensOfTheAuthorizationServerOpenDovecotAndEximAndAreRenewedOnce) {
    if (env_text("ZM_OAUTH_TOKEN").empty()) GTEST_SKIP() << "the authorization server of tests/servers is not running";
    const std::string pop3s = localhost(port("ZM_POP3S_PORT")), smtp = localhost(real_servers().smtp_port);
    const int options = ACCOUNT_OAUTH | ACCOUNT_POP3_TLS | ACCOUNT_SMTP_STARTTLS | ACCOUNT_DELETE_FROM_SERVER;
    load_accounts({{smtp, pop3s, "alice", "", options}});
    login_tokens_forget();

    // The whole sign-in of the client against the real server: refused at
    // the page, nothing kept; approved, the grant kept and a token in hand.
    std::string error;
    EXPECT_EQ(sign_in_alice(pop3s, true, &error), -1);
    EXPECT_EQ(error,
              "The provider refused the sign-in: The resource owner or authorization server denied the request.");
    OAuthGrant grant;
    EXPECT_EQ(oauth_grant_load(pop3s.c_str(), "alice", &grant), -1);
    ASSERT_EQ(sign_in_alice(pop3s, false, &error), 0) << error;
    ASSERT_EQ(oauth_grant_load(pop3s.c_str(), "alice", &grant), 0);
    EXPECT_EQ(grant.token_endpoint, env_text("ZM_OAUTH_TOKEN"));
    std::string access;
    ASSERT_EQ(login_secret(0, sink, &access), LOGIN_OK);
    clear_mailbox("alice");
    auto count_in = [](const std::string& log, const std::string& what) { return count_of(server_log(log), what); };
    // The servers' own record: lines of alice's logins with a mechanism,
    // made inside TLS.
    auto tls_logins = [](const std::string& log, const std::string& login, const std::string& tls) {
        std::string text = server_log(log);
        size_t n = 0;
        for (size_t at = 0, end; at < text.size(); at = end + 1) {
            end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(at, end - at);
            if (line.find(login) != std::string::npos && line.find(tls) != std::string::npos) n++;
        }
        return n;
    };
    const std::string dovecot = "log/dovecot.log", exim = "log/exim/mainlog";
    const std::string by_bearer = "pop3-login: Info: Login: user=<alice>, method=OAUTHBEARER, ",
                      by_xoauth2 = "pop3-login: Info: Login: user=<alice>, method=XOAUTH2, ",
                      exim_bearer = " A=oauthbearer_server:alice ";
    size_t bearer_logins = tls_logins(dovecot, by_bearer, ", TLS, ");
    size_t xoauth2_logins = tls_logins(dovecot, by_xoauth2, ", TLS, ");
    size_t exim_logins = tls_logins(exim, exim_bearer, " X=TLS1.");
    size_t refreshes = count_in("log/oauth.log", "for alice (refresh_token grant)");
    size_t refused_refreshes = count_in("log/oauth.log", "refused a refresh");

    // XOAUTH2, which the client takes only where OAUTHBEARER is not offered.
    {
        MailSession s(sink);
        ASSERT_TRUE(s.open());
        s.adopt(connect_to(port("ZM_POP3S_PORT")));
        ASSERT_EQ(tls_begin(s, "localhost"), 0) << shown();
        ASSERT_EQ(recv_line(s, reply), 0);
        EXPECT_EQ(sasl_login(pop3_sasl, s, "+OK\r\nXOAUTH2\r\n.\r\n", "alice", access.c_str(), false, true), 0)
            << shown();
        s.close();
    }

    // Through the jobs: a message received over POP3S and one sent over
    // STARTTLS, each login with the token.
    deliver("alice", "From: bob@example.test\r\nSubject: by token\r\n\r\nHello.\r\n");
    ASSERT_EQ(receive_job(recorder_jobs(), 0), 1) << shown();
    ASSERT_EQ(send(smtp, options), 0) << shown();
    within(10, [] { return !mailbox_messages("bob").empty(); });
    EXPECT_EQ(mailbox_messages("bob").size(), 1u);

    // An IMAP account of the same mailbox over IMAPS, its grant filed under
    // its own server: OAUTHBEARER on the AUTHENTICATE line (dovecot lists
    // SASL-IR), and the delivered message received.
    const std::string imaps = localhost(real_servers().imaps_port);
    ASSERT_EQ(oauth_grant_save(imaps.c_str(), "alice", grant), 0);
    load_accounts({{smtp, pop3s, "alice", "", options}, {smtp, imaps, "alice", "", ACCOUNT_OAUTH | ACCOUNT_IMAP |
                                                                                       ACCOUNT_POP3_TLS}});
    const std::string by_imap_bearer = "imap-login: Info: Login: user=<alice>, method=OAUTHBEARER, ";
    size_t imap_bearer_logins = tls_logins(dovecot, by_imap_bearer, ", TLS, ");
    deliver("alice", "From: bob@example.test\r\nSubject: by IMAP\r\n\r\nHello.\r\n");
    ASSERT_EQ(receive_job(recorder_jobs(), 1), 1) << shown();
    EXPECT_NE(read_file(folder_ / "maildir/inbox/mm2.eml").find("Subject: by IMAP\r\n\r\nHello."), std::string::npos);
    EXPECT_EQ(tls_logins(dovecot, by_imap_bearer, ", TLS, ") - imap_bearer_logins, 1u);
    // Its first token came from its own grant.
    EXPECT_EQ(count_in("log/oauth.log", "for alice (refresh_token grant)") - refreshes, 1u);
    refreshes++;
    clear_mailbox("alice");

    // Run out at the server before the client thought: refused, renewed
    // once at the token endpoint, and let in.
    post(env_text("ZM_OAUTH_EXPIRE"), "token=" + access);
    shown_from = ui.status_text().size();
    deliver("alice", "From: bob@example.test\r\nSubject: renewed\r\n\r\nHello.\r\n");
    ASSERT_EQ(receive_job(recorder_jobs(), 0), 1) << shown();
    EXPECT_NE(shown().find("The server refused the access token (status: invalid_token).\r\n"), std::string::npos)
        << shown();
    EXPECT_EQ(count_in("log/oauth.log", "for alice (refresh_token grant)") - refreshes, 1u);
    EXPECT_EQ(mailbox_messages("alice").size(), 0u);

    // The grant revoked: the renewed token is refused, and so is the refresh.
    post(env_text("ZM_OAUTH_REVOKE"),
         "token=" + grant.refresh_token + "&token_type_hint=refresh_token&client_id=" + env_text("ZM_OAUTH_CLIENT_ID"));
    shown_from = ui.status_text().size();
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 0);
    EXPECT_NE(shown().find("The server refused the access token (status: invalid_token).\r\n-ERR [AUTH] Authentication "
                           "failed.\r\n\r\nIncorrect response from server.\r\nOauthbearer authorisation error!\r\n"
                           "Sign-in for account0 has expired: open the account manager and sign in again.\r\n"),
              std::string::npos)
        << shown();
    EXPECT_EQ(count_in("log/oauth.log", "refused a refresh") - refused_refreshes, 1u);

    // Each login that got in was an OAuth one inside TLS: XOAUTH2 by hand,
    // OAUTHBEARER before and after the renewal, and exim's for the message.
    EXPECT_EQ(tls_logins(dovecot, by_xoauth2, ", TLS, ") - xoauth2_logins, 1u);
    EXPECT_EQ(tls_logins(dovecot, by_bearer, ", TLS, ") - bearer_logins, 2u);
    EXPECT_EQ(tls_logins(exim, exim_bearer, " X=TLS1.") - exim_logins, 1u);
    login_tokens_forget();
}

}  // namespace
