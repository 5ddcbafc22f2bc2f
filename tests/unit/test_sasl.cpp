// The choice of login mechanism that POP3, SMTP and IMAP share: what a server's
// list and the account's options lead to, and the lines the server then
// sees.
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/log.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/test_support.h"
#include "tests/unit/tls_stand_in.h"
#include "transport/sasl.h"
#include "transport/tls.h"

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
    bool oauth = false;
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
        // An OAuth 2.0 account: OAUTHBEARER before XOAUTH2, never a password
        // mechanism; a password account never a bearer one.
        {&pop3_sasl, "+OK\r\nXOAUTH2\r\nOAUTHBEARER\r\nCRAM-MD5\r\n.\r\n", false, "OAUTHBEARER", true},
        {&smtp_sasl, "250-peer\r\n250 AUTH PLAIN XOAUTH2 OAUTHBEARER\r\n", true, "OAUTHBEARER", true},
        {&smtp_sasl, "250-peer\r\n250 AUTH LOGIN PLAIN XOAUTH2\r\n", false, "XOAUTH2", true},
        {&pop3_sasl, "+OK\r\nPLAIN\r\nCRAM-MD5\r\n.\r\n", false, nullptr, true},
        {&pop3_sasl, "+OK\r\nXOAUTH2\r\nOAUTHBEARER\r\n.\r\n", false, nullptr},
        {&smtp_sasl, "250-peer\r\n250 AUTH XOAUTH2 PLAIN\r\n", false, "PLAIN"},
        {&imap_sasl, "CAPABILITY IMAP4rev1 AUTH=XOAUTH2 AUTH=OAUTHBEARER AUTH=CRAM-MD5\r\n", false, "OAUTHBEARER",
         true},
        {&imap_sasl, "CAPABILITY IMAP4rev1 AUTH=PLAIN AUTH=XOAUTH2\r\n", true, "XOAUTH2", true},
        {&imap_sasl, "CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN AUTH=CRAM-MD5\r\n", false, nullptr, true},
    };
    for (const ChoiceRow& row : rows) {
        SCOPED_TRACE(std::string(row.protocol->name) + " " + row.capabilities + (row.encrypted_only ? " encrypted" : ""));
        const SaslMechanism* chosen = sasl_choose(*row.protocol, row.capabilities, row.encrypted_only, row.oauth);
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
        bool use_auth, encrypted_only, oauth;
    } rows[] = {
        {0, ACCOUNT_POP3_AUTH, false, false, false},
        {ACCOUNT_POP3_AUTH, ACCOUNT_POP3_AUTH, true, false, false},
        {ACCOUNT_POP3_AUTH, ACCOUNT_SMTP_AUTH, false, false, false},
        {ACCOUNT_SMTP_AUTH | encrypted, ACCOUNT_SMTP_AUTH, true, true, false},
        {ACCOUNT_SMTP_AUTH | encrypted, ACCOUNT_POP3_AUTH, false, true, false},
        // OAuth 2.0 logs in with AUTH on both sides, whatever the AUTH bits say.
        {ACCOUNT_OAUTH, ACCOUNT_POP3_AUTH, true, false, true},
        {ACCOUNT_OAUTH | ACCOUNT_POP3_AUTH, ACCOUNT_SMTP_AUTH, true, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.flags) + " " + std::to_string(row.auth_flag));
        LoginOptions options = account_login_options(row.flags, row.auth_flag);
        EXPECT_EQ(options.use_auth, row.use_auth);
        EXPECT_EQ(options.encrypted_only, row.encrypted_only);
        EXPECT_EQ(options.oauth, row.oauth);
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

// The OAuth 2.0 logins over the stand-in for TLS. Their lines are RFC 7628's
// and the XOAUTH2 description's own examples.
const std::string bearer_user = "user@example.com";
const std::string bearer_token = "vF9dft4qmTc2Nvb3RlckBhbHRhdmlzdGEuY29tCg==";
// RFC 7628 section 4.1: "n,a=user@example.com,^Ahost=server.example.com^Aport=143^Aauth=Bearer vF9...==^A^A".
const std::string oauthbearer_answer =
    "bixhPXVzZXJAZXhhbXBsZS5jb20sAWhvc3Q9c2VydmVyLmV4YW1wbGUuY29tAXBvcnQ9MTQzAWF1dGg9QmVhcmVyIHZGOWRmdDRxbVRjMk52YjNS"
    "bGNrQmhiSFJoZG1semRHRXVZMjl0Q2c9PQEB\r\n";
// "user=someuser@example.com^Aauth=Bearer ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg^A^A".
const std::string xoauth2_answer =
    "dXNlcj1zb21ldXNlckBleGFtcGxlLmNvbQFhdXRoPUJlYXJlciB5YTI5LnZGOWRmdDRxbVRjMk52YjNSbGNrQmhkSFJoZG1semRHRXVZMjl0Q2cBAQ"
    "==\r\n";
// RFC 7628 section 4.3: {"status":"invalid_token","scope":"example_scope","openid-configuration":...}.
const std::string rfc7628_refusal =
    "eyJzdGF0dXMiOiJpbnZhbGlkX3Rva2VuIiwic2NvcGUiOiJleGFtcGxlX3Njb3BlIiwib3BlbmlkLWNvbmZpZ3VyYXRpb24iOiJodHRwczovL2V4"
    "YW1wbGUuY29tLy53ZWxsLWtub3duL29wZW5pZC1jb25maWd1cmF0aW9uIn0=";
// {"status":"401","schemes":"bearer","scope":"https://mail.google.com/"}.
const std::string xoauth2_refusal = "eyJzdGF0dXMiOiI0MDEiLCJzY2hlbWVzIjoiYmVhcmVyIiwic2NvcGUiOiJodHRwczovL21haWwuZ29vZ2xlLmNvbS8ifQ==";

const char* const pop3_bearers = "+OK\r\nPLAIN\r\nXOAUTH2\r\nOAUTHBEARER\r\n.\r\n";
const char* const smtp_xoauth2 = "250-peer\r\n250 AUTH PLAIN XOAUTH2\r\n";
const char* const smtp_bearers = "250-peer\r\n250 AUTH OAUTHBEARER XOAUTH2\r\n";
const char* const imap_sasl_ir = "CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN AUTH=XOAUTH2 AUTH=OAUTHBEARER\r\n";
const char* const imap_xoauth2 = "CAPABILITY IMAP4rev1 AUTH=XOAUTH2\r\n";

struct BearerRow {
    const char* what;
    const SaslProtocol* protocol;
    const char* capabilities;
    std::string user, token;
    std::vector<PeerStep> server;
    int result;
    std::string wire;  // after the handshake
    std::string shown;
    bool renew = false;  // the login may go once more with a fresh token
};

class SaslBearerTest : public SaslLoginTest {
protected:
    void check(const BearerRow& row, bool secured = true) {
        SCOPED_TRACE(row.what);
        ui.status_calls.clear();
        std::vector<PeerStep> script = row.server;
        if (secured) script.insert(script.begin(), peer_secure());
        ScriptedPeer peer(script);
        MailSession s(sink, peer.connect_client());
        s.name_server("server.example.com", 143);
        if (secured) {
            ASSERT_EQ(tls_begin(s, "server.example.com"), 0);
        }
        ui.status_calls.clear();
        EXPECT_EQ(sasl_login(*row.protocol, s, row.capabilities, row.user.c_str(), row.token.c_str(), false, true),
                  row.result);
        EXPECT_EQ(s.token_refused, row.renew);
        s.close();
        EXPECT_EQ(peer.received(), (secured ? "STARTSECURE\r\n" : "") + row.wire);
        EXPECT_EQ(ui.status_text(), row.shown);
    }
    StandInTls tls;
};

TEST_F(SaslBearerTest, TokensGoOutAsEachMechanismWritesThem) {
    const BearerRow rows[] = {
        {"POP3 OAUTHBEARER", &pop3_sasl, pop3_bearers, bearer_user, bearer_token,
         {peer_receive("auth OAUTHBEARER\r\n"), peer_send("+ \r\n"), peer_receive(oauthbearer_answer),
          peer_send("+OK welcome\r\n")},
         0, "auth OAUTHBEARER\r\n" + oauthbearer_answer, ""},
        {"SMTP XOAUTH2", &smtp_sasl, smtp_xoauth2, "someuser@example.com",
         "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg",
         {peer_receive("auth XOAUTH2\r\n"), peer_send("334 \r\n"), peer_receive(xoauth2_answer),
          peer_send("235 2.7.0 Accepted\r\n")},
         0, "auth XOAUTH2\r\n" + xoauth2_answer, ""},
        // The user name's "," and "=" are escaped in the GS2 header.
        {"SMTP OAUTHBEARER, user with , and =", &smtp_sasl, smtp_bearers, "a,b=c", "t",
         {peer_receive("auth OAUTHBEARER\r\n"), peer_send("334 \r\n"),
          peer_receive("bixhPWE9MkNiPTNEYywBaG9zdD1zZXJ2ZXIuZXhhbXBsZS5jb20BcG9ydD0xNDMBYXV0aD1CZWFyZXIgdAEB\r\n"),
          peer_send("235 ok\r\n")},
         0, "auth OAUTHBEARER\r\nbixhPWE9MkNiPTNEYywBaG9zdD1zZXJ2ZXIuZXhhbXBsZS5jb20BcG9ydD0xNDMBYXV0aD1CZWFyZXIgdAEB\r\n",
         ""},
        // IMAP: on the AUTHENTICATE line where SASL-IR is listed, else after
        // the empty go-ahead; untagged responses before the tagged OK.
        {"IMAP OAUTHBEARER with SASL-IR", &imap_sasl, imap_sasl_ir, bearer_user, bearer_token,
         {peer_receive("A1 AUTHENTICATE OAUTHBEARER " + oauthbearer_answer),
          peer_send("* CAPABILITY IMAP4rev1 IDLE\r\nA1 OK [CAPABILITY IMAP4rev1 IDLE] Logged in\r\n")},
         0, "A1 AUTHENTICATE OAUTHBEARER " + oauthbearer_answer, ""},
        {"IMAP XOAUTH2 without SASL-IR", &imap_sasl, imap_xoauth2, "someuser@example.com",
         "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg",
         {peer_receive("A1 AUTHENTICATE XOAUTH2\r\n"), peer_send("+ \r\n"), peer_receive(xoauth2_answer),
          peer_send("* OK [ALERT] welcome\r\nA1 OK\r\n")},
         0, "A1 AUTHENTICATE XOAUTH2\r\n" + xoauth2_answer, ""},
    };
    for (const BearerRow& row : rows) check(row);
}

TEST_F(SaslBearerTest, ARefusedTokenIsAnsweredAsTheMechanismAsksAndShown) {
    const std::string short_bearer =
        "A1 AUTHENTICATE OAUTHBEARER bixhPXUsAWhvc3Q9c2VydmVyLmV4YW1wbGUuY29tAXBvcnQ9MTQzAWF1dGg9QmVhcmVyIHQBAQ==\r\n";
    const BearerRow rows[] = {
        {"SMTP OAUTHBEARER error challenge (RFC 7628 section 4.3)", &smtp_sasl, smtp_bearers, bearer_user, bearer_token,
         {peer_receive("auth OAUTHBEARER\r\n"), peer_send("334 \r\n"), peer_receive(oauthbearer_answer),
          peer_send("334 " + rfc7628_refusal + "\r\n"), peer_receive("AQ==\r\n"),
          peer_send("535 5.7.8 Authentication credentials invalid\r\n")},
         -1, "auth OAUTHBEARER\r\n" + oauthbearer_answer + "AQ==\r\n",
         "The server refused the access token (status: invalid_token).\r\n535 5.7.8 Authentication credentials "
         "invalid\r\nOauthbearer authorisation error!\r\n",
         true},
        {"POP3 XOAUTH2 error challenge", &pop3_sasl, "+OK\r\nXOAUTH2\r\n.\r\n", "someuser@example.com",
         "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg",
         {peer_receive("auth XOAUTH2\r\n"), peer_send("+ \r\n"), peer_receive(xoauth2_answer),
          peer_send("+ " + xoauth2_refusal + "\r\n"), peer_receive(xoauth2_answer + "\r\n"),
          peer_send("-ERR [AUTH] Invalid credentials.\r\n")},
         -1, "auth XOAUTH2\r\n" + xoauth2_answer + "\r\n",
         "The server refused the access token (status: 401).\r\n-ERR [AUTH] Invalid credentials.\r\n\r\nIncorrect "
         "response from server.\r\nXoauth2 authorisation error!\r\n",
         true},
        {"a challenge that is not JSON", &smtp_sasl, smtp_xoauth2, "u", "t",
         {peer_receive("auth XOAUTH2\r\n"), peer_send("334 \r\n"), peer_receive("\r\n"), peer_send("334 bm90IGpzb24=\r\n"),
          peer_receive("\r\n\r\n"), peer_send("535 no\r\n")},
         -1, "auth XOAUTH2\r\ndXNlcj11AWF1dGg9QmVhcmVyIHQBAQ==\r\n\r\n",
         "The server refused the access token (status: not given).\r\n535 no\r\nXoauth2 authorisation error!\r\n",
         true},
        // Refused at once, in a reply of several lines, read whole.
        {"SMTP refusal of two lines", &smtp_sasl, smtp_xoauth2, "u", "t",
         {peer_receive("auth XOAUTH2\r\n"), peer_send("334 \r\n"), peer_receive("\r\n"),
          peer_send("535-5.7.8 Username and Password not accepted.\r\n535 5.7.8 Learn more\r\n")},
         -1, "auth XOAUTH2\r\ndXNlcj11AWF1dGg9QmVhcmVyIHQBAQ==\r\n",
         "535-5.7.8 Username and Password not accepted.\r\n535 5.7.8 Learn more\r\nXoauth2 authorisation error!\r\n",
         true},
        {"mechanism refused", &pop3_sasl, pop3_bearers, "u", "t",
         {peer_receive("auth OAUTHBEARER\r\n"), peer_send("-ERR not here\r\n")}, -1, "auth OAUTHBEARER\r\n",
         "-ERR not here\r\n\r\nIncorrect response from server.\r\nOauthbearer authorisation error!\r\n", true},
        // IMAP: the error challenge, after untagged responses, answered as
        // the mechanism asks, then the tagged NO.
        {"IMAP OAUTHBEARER error challenge after SASL-IR", &imap_sasl, imap_sasl_ir, bearer_user, bearer_token,
         {peer_receive("A1 AUTHENTICATE OAUTHBEARER " + oauthbearer_answer),
          peer_send("* OK [ALERT] mind the clock\r\n+ " + rfc7628_refusal + "\r\n"), peer_receive("AQ==\r\n"),
          peer_send("* CAPABILITY IMAP4rev1\r\nA1 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n")},
         -1, "A1 AUTHENTICATE OAUTHBEARER " + oauthbearer_answer + "AQ==\r\n",
         "The server refused the access token (status: invalid_token).\r\nA1 NO [AUTHENTICATIONFAILED] "
         "Authentication failed.\r\n\r\nIncorrect response from server.\r\nOauthbearer authorisation error!\r\n",
         true},
        {"IMAP XOAUTH2 error challenge", &imap_sasl, imap_xoauth2, "someuser@example.com",
         "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg",
         {peer_receive("A1 AUTHENTICATE XOAUTH2\r\n"), peer_send("+\r\n"), peer_receive(xoauth2_answer),
          peer_send("+ " + xoauth2_refusal + "\r\n"), peer_receive("\r\n"),
          peer_send("A1 NO [AUTHENTICATIONFAILED] Invalid credentials\r\n")},
         -1, "A1 AUTHENTICATE XOAUTH2\r\n" + xoauth2_answer + "\r\n",
         "The server refused the access token (status: 401).\r\nA1 NO [AUTHENTICATIONFAILED] Invalid "
         "credentials\r\n\r\nIncorrect response from server.\r\nXoauth2 authorisation error!\r\n",
         true},
        {"IMAP refused at once", &imap_sasl, imap_sasl_ir, "u", "t",
         {peer_receive(short_bearer), peer_send("A1 NO [AUTHENTICATIONFAILED] no\r\n")}, -1,
         short_bearer,
         "A1 NO [AUTHENTICATIONFAILED] no\r\nOauthbearer authorisation error!\r\n", true},
        // A server that ends the session, or answers out of step, refused
        // no token: no fresh one would help.
        {"IMAP BYE instead of a reply", &imap_sasl, imap_sasl_ir, "u", "t",
         {peer_receive(short_bearer), peer_send("* BYE shutting down\r\n")}, -1,
         short_bearer,
         "* BYE shutting down\r\nIMAP server ended the session.\r\nreceiveline error\r\nOauthbearer authorisation "
         "error!\r\n"},
        {"IMAP reply of another tag", &imap_sasl, imap_xoauth2, "u", "t",
         {peer_receive("A1 AUTHENTICATE XOAUTH2\r\n"), peer_send("+ \r\n"), peer_receive("\r\n"),
          peer_send("A7 OK\r\n")},
         -1, "A1 AUTHENTICATE XOAUTH2\r\ndXNlcj11AWF1dGg9QmVhcmVyIHQBAQ==\r\n",
         "Malformed response from IMAP server.\r\nreceiveline error\r\nXoauth2 authorisation error!\r\n"},
        {"IMAP another challenge after the error answer", &imap_sasl, imap_xoauth2, "u", "t",
         {peer_receive("A1 AUTHENTICATE XOAUTH2\r\n"), peer_send("+ \r\n"), peer_receive("\r\n"),
          peer_send("+ " + xoauth2_refusal + "\r\n"), peer_receive("==\r\n\r\n"), peer_send("+ again\r\n")},
         -1, "A1 AUTHENTICATE XOAUTH2\r\ndXNlcj11AWF1dGg9QmVhcmVyIHQBAQ==\r\n\r\n",
         "The server refused the access token (status: 401).\r\nMalformed response from IMAP server.\r\nXoauth2 "
         "authorisation error!\r\n"},
        // Nothing goes out: a token that would break the line, or a server
        // that offers no bearer mechanism.
        {"token with a line break", &smtp_sasl, smtp_xoauth2, "u", "t\r\nquit", {}, -1, "",
         "The access token cannot be sent.\r\nXoauth2 authorisation error!\r\n", true},
        {"only password mechanisms", &smtp_sasl, smtp_both, "u", "t", {}, -1, "",
         std::string(smtp_both) + "SMTP server does not support requested authentication.\r\n"},
    };
    for (const BearerRow& row : rows) check(row);
}

TEST_F(SaslBearerTest, NoTokenOnASessionWithoutTls) {
    check({"plain session", &pop3_sasl, pop3_bearers, "u", "t", {}, -1, "", oauth_needs_tls_text}, false);
}

}  // namespace
