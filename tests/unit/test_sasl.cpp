// The choice of login mechanism that POP3, SMTP and IMAP share: what a server's
// list and the account's options lead to, and the lines the server then
// sees.
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/log.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/test_support.h"
#include "transport/sasl.h"

namespace {

// The worked example of RFC 2195: user "tim", password "tanstaaftanstaaf".
const std::string challenge = "PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+";
const std::string cram_answer = "dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw\r\n";
// base64 of "\0tim\0tanstaaftanstaaf".
const std::string plain_answer = "AHRpbQB0YW5zdGFhZnRhbnN0YWFm\r\n";

const char* const pop3_both = "+OK\r\nPLAIN\r\nCRAM-MD5\r\n.\r\n";
const char* const pop3_plain = "+OK\r\nPLAIN\r\n.\r\n";
const char* const smtp_both = "250-peer\r\n250-AUTH PLAIN\r\n250-auth=cram-md5\r\n250 8BITMIME\r\n";
const char* const imap_both = "CAPABILITY IMAP4rev1 AUTH=PLAIN AUTH=CRAM-MD5\r\n";
const char* const smtp_plain = "250-peer.example.test\r\n250-AUTH LOGIN PLAIN\r\n250 HELP\r\n";

struct ChoiceRow {
    const SaslProtocol* protocol;
    const char* capabilities;
    bool encrypted_only;
    const char* chosen;  // null: the login is refused
};

TEST(SaslChoose, OfferedMechanismsAndAccountOptions) {
    const ChoiceRow rows[] = {
        // CRAM-MD5 wherever it is offered, with or without "only encrypted".
        {&pop3_sasl, pop3_both, false, "CRAM-MD5"},
        {&pop3_sasl, pop3_both, true, "CRAM-MD5"},
        {&pop3_sasl, "+OK\r\nplain\r\ncram-md5\r\n.\r\n", false, "CRAM-MD5"},
        {&smtp_sasl, smtp_both, false, "CRAM-MD5"},
        {&smtp_sasl, smtp_both, true, "CRAM-MD5"},
        // PLAIN only when CRAM-MD5 is not offered and the account allows it.
        {&pop3_sasl, pop3_plain, false, "PLAIN"},
        {&pop3_sasl, pop3_plain, true, nullptr},
        {&smtp_sasl, smtp_plain, false, "PLAIN"},
        {&smtp_sasl, "250-peer\r\n250 AUTH=PLAIN\r\n", false, "PLAIN"},
        {&smtp_sasl, smtp_plain, true, nullptr},
        // Nothing the client knows.
        {&pop3_sasl, "+OK\r\nLOGIN\r\n.\r\n", false, nullptr},
        // IMAP: "AUTH=<name>" among the capabilities, a whole word.
        {&imap_sasl, imap_both, true, "CRAM-MD5"},
        {&imap_sasl, "CAPABILITY IMAP4rev1 auth=plain\r\n", false, "PLAIN"},
        {&imap_sasl, "CAPABILITY IMAP4rev1 AUTH=PLAIN\r\n", true, nullptr},
        {&imap_sasl, "CAPABILITY AUTH=CRAM-MD5-PLUS XAUTH=PLAIN PLAIN\r\n", false, nullptr},
        {&smtp_sasl, "250-peer\r\n250 AUTH LOGIN\r\n", false, nullptr},
        // A POP3 server lists one mechanism a line: a name inside a longer
        // one is not offered.
        {&pop3_sasl, "+OK\r\nX-PLAIN-TOKEN\r\nCRAM-MD5-PLUS\r\n.\r\n", false, nullptr},
    };
    for (const ChoiceRow& row : rows) {
        SCOPED_TRACE(std::string(row.protocol->name) + " " + row.capabilities + (row.encrypted_only ? " encrypted" : ""));
        const SaslMechanism* chosen = sasl_choose(*row.protocol, row.capabilities, row.encrypted_only);
        if (!row.chosen) {
            EXPECT_EQ(chosen, nullptr) << chosen->name;
        } else {
            ASSERT_NE(chosen, nullptr);
            EXPECT_STREQ(chosen->name, row.chosen);
        }
    }
}

TEST(SaslChoose, AccountFlagsGiveEachProtocolItsOwnAuthBit) {
    const int encrypted = ACCOUNT_ENCRYPTED_AUTH_ONLY;
    const struct {
        int flags, auth_flag;
        bool use_auth, encrypted_only;
    } rows[] = {
        {0, ACCOUNT_POP3_AUTH, false, false},
        {ACCOUNT_POP3_AUTH, ACCOUNT_POP3_AUTH, true, false},
        {ACCOUNT_POP3_AUTH, ACCOUNT_SMTP_AUTH, false, false},
        {ACCOUNT_SMTP_AUTH | encrypted, ACCOUNT_SMTP_AUTH, true, true},
        {ACCOUNT_SMTP_AUTH | encrypted, ACCOUNT_POP3_AUTH, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.flags) + " " + std::to_string(row.auth_flag));
        LoginOptions options = account_login_options(row.flags, row.auth_flag);
        EXPECT_EQ(options.use_auth, row.use_auth);
        EXPECT_EQ(options.encrypted_only, row.encrypted_only);
    }
}

// One login against a scripted server: the lines the server received and
// the status text the user saw.
struct LoginRow {
    const char* what;
    const SaslProtocol* protocol;
    const char* capabilities;
    bool encrypted_only;
    std::vector<PeerStep> server;
    int result;
    std::string wire;
    std::string shown;
};

class SaslLoginTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        ASSERT_EQ(log_open("zmlog.txt"), 0);
    }
    void check(const LoginRow& row) {
        SCOPED_TRACE(row.what);
        ui.status_calls.clear();
        ScriptedPeer peer(row.server);
        MailSession s(sink, peer.connect_client());
        EXPECT_EQ(sasl_login(*row.protocol, s, row.capabilities, "tim", "tanstaaftanstaaf",
                             row.encrypted_only),
                  row.result);
        s.close();
        EXPECT_EQ(peer.received(), row.wire);
        EXPECT_EQ(ui.status_text(), row.shown);
    }
    UiRecorder ui;
    RecorderSink sink;
};

TEST_F(SaslLoginTest, LinesOnTheWireForEachChoice) {
    const LoginRow rows[] = {
        {"POP3 CRAM-MD5", &pop3_sasl, pop3_both, false,
         {peer_receive("auth cram-md5\r\n"), peer_send("+ " + challenge + "\r\n"), peer_receive(cram_answer),
          peer_send("+OK logged in\r\n")},
         0, "auth cram-md5\r\n" + cram_answer, ""},
        {"POP3 PLAIN", &pop3_sasl, pop3_plain, false,
         {peer_receive("auth plain\r\n"), peer_send("+ \r\n"), peer_receive(plain_answer), peer_send("+OK logged in\r\n")},
         0, "auth plain\r\n" + plain_answer, ""},
        {"SMTP CRAM-MD5", &smtp_sasl, smtp_both, true,
         {peer_receive("auth cram-md5\r\n"), peer_send("334 " + challenge + "\r\n"), peer_receive(cram_answer),
          peer_send("235 ok\r\n")},
         0, "auth cram-md5\r\n" + cram_answer, ""},
        {"SMTP PLAIN", &smtp_sasl, smtp_plain, false,
         {peer_receive("auth plain\r\n"), peer_send("334 \r\n"), peer_receive(plain_answer), peer_send("235 ok\r\n")},
         0, "auth plain\r\n" + plain_answer, ""},
        {"IMAP CRAM-MD5", &imap_sasl, imap_both, false,
         {peer_receive("A1 AUTHENTICATE CRAM-MD5\r\n"), peer_send("+ " + challenge + "\r\n"),
          peer_receive(cram_answer), peer_send("* CAPABILITY IMAP4rev1\r\nA1 OK Logged in\r\n")},
         0, "A1 AUTHENTICATE CRAM-MD5\r\n" + cram_answer, ""},
        {"IMAP PLAIN", &imap_sasl, "CAPABILITY AUTH=PLAIN\r\n", false,
         {peer_receive("A1 AUTHENTICATE PLAIN\r\n"), peer_send("+\r\n"), peer_receive(plain_answer),
          peer_send("A1 OK Logged in\r\n")},
         0, "A1 AUTHENTICATE PLAIN\r\n" + plain_answer, ""},
    };
    for (const LoginRow& row : rows) check(row);
}

TEST_F(SaslLoginTest, RefusalsSendNothingOrSayWhichLoginFailed) {
    const LoginRow rows[] = {
        {"POP3 only encrypted, only PLAIN offered", &pop3_sasl, pop3_plain, true, {}, -1, "",
         std::string(pop3_plain) + "POP3 server does not support requested authentication.\r\n"},
        {"SMTP nothing known", &smtp_sasl, "250 AUTH LOGIN\r\n", false, {}, -1, "",
         "250 AUTH LOGIN\r\nSMTP server does not support requested authentication.\r\n"},
        {"POP3 CRAM-MD5 turned down", &pop3_sasl, pop3_both, false,
         {peer_receive("auth cram-md5\r\n"), peer_send("-ERR not now\r\n")}, -1, "auth cram-md5\r\n",
         "-ERR not now\r\nCram-md5 authorisation error!\r\n"},
        {"SMTP PLAIN turned down", &smtp_sasl, smtp_plain, false,
         {peer_receive("auth plain\r\n"), peer_send("504 not today\r\n")}, -1, "auth plain\r\n",
         "504 not today\r\nPlain authorisation error!\r\n"},
        {"SMTP wrong password", &smtp_sasl, smtp_both, false,
         {peer_receive("auth cram-md5\r\n"), peer_send("334 " + challenge + "\r\n"), peer_receive(cram_answer),
          peer_send("535 no\r\n")},
         -1, "auth cram-md5\r\n" + cram_answer, "535 no\r\nCram-md5 authorisation error!\r\n"},
        {"IMAP CRAM-MD5 turned down", &imap_sasl, imap_both, false,
         {peer_receive("A1 AUTHENTICATE CRAM-MD5\r\n"), peer_send("A1 NO not now\r\n")}, -1,
         "A1 AUTHENTICATE CRAM-MD5\r\n", "A1 NO not now\r\nCram-md5 authorisation error!\r\n"},
        {"IMAP wrong password", &imap_sasl, imap_both, false,
         {peer_receive("A1 AUTHENTICATE CRAM-MD5\r\n"), peer_send("+ " + challenge + "\r\n"),
          peer_receive(cram_answer), peer_send("A1 NO [AUTHENTICATIONFAILED] failed\r\n")},
         -1, "A1 AUTHENTICATE CRAM-MD5\r\n" + cram_answer,
         "A1 NO [AUTHENTICATIONFAILED] failed\r\n\r\nIncorrect response from server.\r\n"
         "Cram-md5 authorisation error!\r\n"},
    };
    for (const LoginRow& row : rows) check(row);
}

}  // namespace
