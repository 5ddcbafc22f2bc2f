// The command functions, both logins and the proxy handshake against the real
// dovecot, exim, dante and microsocks servers on loopback.
#include <cstring>
#include <string>

#include "core/arrays.h"
#include "core/log.h"
#include "core/settings.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/test_support.h"
#include "transport/auth.h"
#include "transport/connect.h"
#include "transport/smtp_reply.h"
#include "transport/socket_lines.h"
#include "transport/socks_config.h"

namespace {

class RealServerTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        ASSERT_EQ(log_open("zmlog.txt"), 0);
    }
    void TearDown() override {
        s.close();
        socks_config.configured = 0;
        settings_flags = 0;
        FolderTest::TearDown();
    }
    std::string line() {
        Array* a = array_new(520);
        std::string text = recv_line(s, a) == 0 ? a->text : "<failed>";
        delete_arrays(a);
        return text;
    }
    // EHLO's reply has several lines; read to its last ("250 ...").
    std::string ehlo() {
        EXPECT_EQ(smtp_command(s, "EHLO client.example.test\r\n", true), 0);
        std::string all;
        char buffer[512];
        while (all.find("\r\n250 ") == std::string::npos) {
            int n = s.recv(buffer, sizeof buffer);
            if (n <= 0) break;
            all.append(buffer, static_cast<size_t>(n));
            if (all.size() > 4096) break;
        }
        return all;
    }
    // Callers check for the servers first: a skip here would only end this
    // function, not the test.
    void pop3_session() {
        s.adopt(connect_to(real_servers().pop3_port));
        ASSERT_TRUE(s.is_open());
        ASSERT_EQ(line().substr(0, 3), "+OK");
    }
    void smtp_session() {
        s.adopt(connect_to(real_servers().smtp_port));
        ASSERT_TRUE(s.is_open());
        ASSERT_EQ(line().substr(0, 4), "220 ");
        std::string capabilities = ehlo();
        ASSERT_NE(capabilities.find("AUTH CRAM-MD5 PLAIN"), std::string::npos) << capabilities;
    }
    UiRecorder ui;
    RecorderSink sink;
    MailSession s{sink};
};

TEST_F(RealServerTest, Pop3UserAndPassWithTheRightPassword) {
    REQUIRE_REAL_SERVERS();
    pop3_session();
    EXPECT_EQ(send_pop3_command(s, "USER alice\r\n", false), 0);
    EXPECT_EQ(send_pop3_command(s, "PASS alicepw\r\n", false), 0);
    EXPECT_EQ(send_pop3_command(s, "QUIT\r\n", false), 0);
    EXPECT_EQ(ui.status_text(), "");
}

TEST_F(RealServerTest, Pop3WrongPasswordShowsTheServersReply) {
    REQUIRE_REAL_SERVERS();
    pop3_session();
    EXPECT_EQ(send_pop3_command(s, "USER alice\r\n", false), 0);
    EXPECT_EQ(send_pop3_command(s, "PASS wrong\r\n", false), -1);
    std::string shown = ui.status_text();
    EXPECT_EQ(shown.substr(0, 4), "-ERR") << shown;
    const std::string tail = "\r\n\r\nIncorrect response from server.\r\n";
    ASSERT_GT(shown.size(), tail.size());
    EXPECT_EQ(shown.substr(shown.size() - tail.size()), tail) << shown;
}

TEST_F(RealServerTest, Pop3CramMd5LoginAcceptedAndRefused) {
    REQUIRE_REAL_SERVERS();
    pop3_session();
    EXPECT_EQ(auth_cram_md5(s, "alice", "alicepw", send_pop3_command), 1);
    EXPECT_EQ(send_pop3_command(s, "STAT\r\n", false), 0);
    s.close();
    pop3_session();
    EXPECT_EQ(auth_cram_md5(s, "alice", "not the password", send_pop3_command), 0);
    EXPECT_EQ(ui.status_text().substr(0, 4), "-ERR");
}

TEST_F(RealServerTest, Pop3PlainLoginAcceptedAndRefused) {
    REQUIRE_REAL_SERVERS();
    pop3_session();
    EXPECT_EQ(auth_plain(s, "bob", "bobpw", send_pop3_command), 1);
    s.close();
    pop3_session();
    EXPECT_EQ(auth_plain(s, "bob", "wrong", send_pop3_command), 0);
}

TEST_F(RealServerTest, SmtpCramMd5LoginAcceptedAndRefused) {
    REQUIRE_REAL_SERVERS();
    smtp_session();
    EXPECT_EQ(auth_cram_md5(s, "alice", "alicepw", smtp_command), 1);
    EXPECT_EQ(smtp_command(s, "MAIL FROM:<alice@example.test>\r\n", false), 0);
    EXPECT_EQ(smtp_command(s, "RCPT TO:<nobody-here@example.test>\r\n", false), -1);
    EXPECT_EQ(ui.status_text().substr(0, 4), "550 ");
    s.close();
    smtp_session();
    EXPECT_EQ(auth_cram_md5(s, "alice", "wrong", smtp_command), 0);
    EXPECT_NE(ui.status_text().find("535 "), std::string::npos) << ui.status_text();
}

TEST_F(RealServerTest, SmtpPlainLoginAcceptedAndRefused) {
    REQUIRE_REAL_SERVERS();
    smtp_session();
    EXPECT_EQ(auth_plain(s, "bob", "bobpw", smtp_command), 1);
    s.close();
    smtp_session();
    EXPECT_EQ(auth_plain(s, "bob", "wrong", smtp_command), 0);
    EXPECT_NE(ui.status_text().find("535 "), std::string::npos) << ui.status_text();
}

class RealProxyTest : public RealServerTest {
protected:
    void through(int proxy_port, const std::string& user, const std::string& password) {
        socks_configure("127.0.0.1", proxy_port, user.c_str(), password.c_str(), 0);
        settings_flags = SETTING_USE_SOCKS;
        s.adopt(sys_socket_open());
    }
};

TEST_F(RealProxyTest, DanteWithoutAuthenticationReachesThePop3Server) {
    REQUIRE_REAL_SERVERS();
    through(real_servers().socks_port, "", "");
    ASSERT_EQ(net_connect(s, loopback(real_servers().pop3_port)), 0);
    EXPECT_EQ(line().substr(0, 3), "+OK");
    EXPECT_EQ(send_pop3_command(s, "USER alice\r\n", false), 0);
}

TEST_F(RealProxyTest, DanteWithUserAndPasswordReachesThePop3Server) {
    REQUIRE_REAL_SERVERS();
    through(real_servers().dante_auth_port, real_servers().dante_user, real_servers().dante_password);
    ASSERT_EQ(net_connect(s, loopback(real_servers().pop3_port)), 0);
    EXPECT_EQ(line().substr(0, 3), "+OK");
    EXPECT_EQ(send_pop3_command(s, "USER alice\r\n", false), 0);
}

// A dante that wants a password refuses the plain offer of "no
// authentication" and a wrong password alike; neither gets through.
TEST_F(RealProxyTest, DanteRefusesAClientWithoutAUserAndAWrongPassword) {
    REQUIRE_REAL_SERVERS();
    through(real_servers().dante_auth_port, "", "");
    EXPECT_EQ(net_connect(s, loopback(real_servers().pop3_port)), -1);
    s.close();
    through(real_servers().dante_auth_port, real_servers().dante_user, "wrong");
    EXPECT_EQ(net_connect(s, loopback(real_servers().pop3_port)), -1);
}

TEST_F(RealProxyTest, MicrosocksWithUserAndPasswordReachesTheSmtpServer) {
    REQUIRE_REAL_SERVERS();
    through(real_servers().socks_auth_port, real_servers().socks_user, real_servers().socks_password);
    ASSERT_EQ(net_connect(s, loopback(real_servers().smtp_port)), 0);
    EXPECT_EQ(line().substr(0, 4), "220 ");
}

TEST_F(RealProxyTest, MicrosocksRefusesAClientWithoutAUser) {
    REQUIRE_REAL_SERVERS();
    through(real_servers().socks_auth_port, "", "");
    EXPECT_EQ(net_connect(s, loopback(real_servers().pop3_port)), -1);
}

TEST_F(RealProxyTest, MicrosocksRefusesAWrongPassword) {
    REQUIRE_REAL_SERVERS();
    through(real_servers().socks_auth_port, real_servers().socks_user, "wrong");
    EXPECT_EQ(net_connect(s, loopback(real_servers().pop3_port)), -1);
}

}  // namespace
