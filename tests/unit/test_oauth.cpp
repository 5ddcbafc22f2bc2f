// The portable part of an OAuth 2.0 sign-in: the proof key and state, the
// URL the browser opens, the token requests and replies with the JSON
// reader under them, the browser's way back to the loopback listener, and
// the provider presets; the grant kept for the user and the access tokens
// renewed from it.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "core/accounts.h"
#include "core/oauth_providers.h"
#include "format/imap_folders.h"
#include "format/json.h"
#include "format/oauth_grant.h"
#include "format/percent_encoding.h"
#include "profiles/account_list.h"
#include "tests/unit/fake_token_endpoint.h"
#include "tests/unit/played_browser.h"
#include "tests/unit/test_support.h"
#include "transport/login_secret.h"
#include "transport/oauth_listener.h"
#include "transport/oauth_redirect.h"
#include "transport/oauth_requests.h"
#include "transport/oauth_sign_in.h"
#include "transport/socks_config.h"
#include "transport/sys_socket.h"
#include "transport/tls.h"

namespace {

bool base64url_only(const std::string& text) {
    return text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_") ==
           std::string::npos;
}

TEST(OAuthRequests, ProofKeyAndStateAreFreshBase64urlOfRandomBytes) {
    // RFC 7636 appendix B.
    EXPECT_EQ(pkce_challenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    Pkce one, two;
    ASSERT_TRUE(pkce_make(&one));
    ASSERT_TRUE(pkce_make(&two));
    // 32 bytes: 43 characters, inside the 43 to 128 RFC 7636 section 4.1 allows.
    EXPECT_EQ(one.verifier.size(), 43u);
    EXPECT_TRUE(base64url_only(one.verifier)) << one.verifier;
    EXPECT_EQ(one.challenge, pkce_challenge(one.verifier));
    EXPECT_NE(one.verifier, two.verifier);
    std::string state = oauth_state();
    EXPECT_EQ(state.size(), 22u);
    EXPECT_TRUE(base64url_only(state)) << state;
    EXPECT_NE(state, oauth_state());
}

TEST(OAuthRequests, AuthorizationUrlAndTokenRequestsCarryEveryValueEncoded) {
    const OAuthProvider& microsoft = oauth_provider(PROVIDER_MICROSOFT);
    AuthorizationRequest request{.endpoint = microsoft.authorization_endpoint,
                                 .client_id = "id 1&x=y",
                                 .scopes = microsoft.scopes,
                                 .port = 50123,
                                 .challenge = "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM",
                                 .state = "s-_~",
                                 .login_hint = "j\xc3\xb6rg+mail@example.com"};
    EXPECT_EQ(authorization_url(request),
              "https://login.microsoftonline.com/common/oauth2/v2.0/authorize?response_type=code"
              "&client_id=id%201%26x%3Dy&redirect_uri=http%3A%2F%2F127.0.0.1%3A50123%2F"
              "&scope=https%3A%2F%2Foutlook.office.com%2FPOP.AccessAsUser.All%20https%3A%2F%2Foutlook.office.com%2F"
              "SMTP.Send%20offline_access"
              "&code_challenge=E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM&code_challenge_method=S256&state=s-_~"
              "&login_hint=j%C3%B6rg%2Bmail%40example.com");
    // No address, no hint; an endpoint with a query of its own keeps it.
    request.endpoint = "https://auth.example.test/authorize?tenant=a";
    request.login_hint.clear();
    std::string url = authorization_url(request);
    EXPECT_EQ(url.find("https://auth.example.test/authorize?tenant=a&response_type=code&"), 0u) << url;
    EXPECT_EQ(url.find("login_hint"), std::string::npos);

    EXPECT_EQ(token_request_for_code("my id", "", "M.C5_b/1=", "verifier-1", 50123),
              "grant_type=authorization_code&code=M.C5_b%2F1%3D&redirect_uri=http%3A%2F%2F127.0.0.1%3A50123%2F"
              "&client_id=my%20id&code_verifier=verifier-1");
    EXPECT_EQ(token_request_for_code("id", "s+cret", "c", "v", 1),
              "grant_type=authorization_code&code=c&redirect_uri=http%3A%2F%2F127.0.0.1%3A1%2F&client_id=id"
              "&client_secret=s%2Bcret&code_verifier=v");
    EXPECT_EQ(token_request_for_refresh("id", "", "1//0g-x"),
              "grant_type=refresh_token&refresh_token=1%2F%2F0g-x&client_id=id");
    EXPECT_EQ(token_request_for_refresh("id", "sec", "r"), "grant_type=refresh_token&refresh_token=r&client_id=id&client_secret=sec");
}

TEST(OAuthRequests, TokenRepliesAreReadOnlyWhenWhole) {
    const struct {
        const char* body;
        int result;
        const char* access;
        const char* refresh;
        long expires;
        const char* error;
        const char* description;
    } rows[] = {
        {R"({"token_type":"Bearer","scope":"x","expires_in":3599,"ext_expires_in":3599,"access_token":"eyJ0.a-b_c",)"
         R"("refresh_token":"M.R3_BAY.x!"})",
         0, "eyJ0.a-b_c", "M.R3_BAY.x!", 3599, "", ""},
        // A refresh that keeps the old refresh token; a lifetime as digits.
        {R"({"access_token":"ya29.a0","expires_in":"3600","token_type":"Bearer"})", 0, "ya29.a0", "", 3600, "", ""},
        {R"({"error":"invalid_grant","error_description":"Token has been expired or revoked."})", 1, "", "", 0,
         "invalid_grant", "Token has been expired or revoked."},
        {R"({"error":"invalid_client"})", 1, "", "", 0, "invalid_client", ""},
        // Not a reply of either kind.
        {"", -1, "", "", 0, "", ""},
        {"<html>502 Bad Gateway</html>", -1, "", "", 0, "", ""},
        {R"({"token_type":"Bearer"})", -1, "", "", 0, "", ""},
        {R"({"access_token":""})", -1, "", "", 0, "", ""},
        {R"({"access_token":17})", -1, "", "", 0, "", ""},
        {R"({"access_token":"a\u0001b"})", -1, "", "", 0, "", ""},
        {R"({"access_token":"a\r\nquit"})", -1, "", "", 0, "", ""},
        {R"({"access_token":"a","refresh_token":["r"]})", -1, "", "", 0, "", ""},
        {R"({"access_token":"a","expires_in":-5})", -1, "", "", 0, "", ""},
        {R"({"access_token":"a","expires_in":"12x"})", -1, "", "", 0, "", ""},
        {R"(["access_token","a"])", -1, "", "", 0, "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.body);
        TokenReply reply;
        reply.access_token = "left over";
        EXPECT_EQ(read_token_reply(row.body, &reply), row.result);
        EXPECT_EQ(reply.access_token, row.access);
        EXPECT_EQ(reply.refresh_token, row.refresh);
        EXPECT_EQ(reply.expires_in, row.expires);
        EXPECT_EQ(reply.error, row.error);
        EXPECT_EQ(reply.error_description, row.description);
    }
    TokenReply reply;
    EXPECT_EQ(read_token_reply(R"({"access_token":")" + std::string(70 * 1024, 'a') + "\"}", &reply), -1);
}

TEST(Json, StrictGrammarAndBounds) {
    const struct {
        std::string text;
        bool valid;
    } rows[] = {
        {R"( {"a" : [1, -0.5e+3, 0, true, false, null, "x"], "b": {}} )", true},
        {R"("\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00")", true},
        {"[]", true},
        {"", false},
        {"[1,]", false},
        {R"({"a":1,})", false},
        {"{'a':1}", false},
        {"01", false},
        {"1.", false},
        {".5", false},
        {"+1", false},
        {"1e", false},
        {"NaN", false},
        {"tru", false},
        {"\"tab\there\"", false},
        {R"("\x41")", false},
        {R"("\u12G4")", false},
        {R"("\ud800")", false},
        {R"("\ud800\u0041")", false},
        {R"("\udc00")", false},
        {R"("open)", false},
        {"[1] [2]", false},
        {"{\"a\":1}x", false},
        {"\"\xc3\x28\"", false},
        {"\"\xed\xa0\x80\"", false},
        {R"({"a":1,"a":2})", false},
        {std::string(16, '[') + std::string(16, ']'), true},
        {std::string(17, '[') + std::string(17, ']'), false},
        {std::string(100000, '['), false},
    };
    for (const auto& row : rows) {
        JsonValue v;
        EXPECT_EQ(json_parse(row.text, &v), row.valid) << row.text.substr(0, 60);
    }
    JsonValue v;
    ASSERT_TRUE(json_parse(R"({"s":"\u00e9\ud83d\ude00","n":[2.5,-1],"t":true})", &v));
    EXPECT_EQ(v["s"].text, "\xc3\xa9\xf0\x9f\x98\x80");
    EXPECT_EQ(v["n"][1].number, -1);
    EXPECT_EQ(v["n"].size(), 2u);
    EXPECT_TRUE(v["t"].boolean);
    EXPECT_EQ(v["missing"].kind, JsonValue::NUL);
    std::string big = "\"" + std::string(100, 'x') + "\"";
    EXPECT_FALSE(json_parse(big, &v, {.max_bytes = 50}));
    EXPECT_TRUE(json_parse(big, &v, {.max_bytes = 102}));
}

TEST(PercentEncoding, UnreservedKeptEverythingElseEscapedAndDecodedStrictlyOrNot) {
    EXPECT_EQ(percent_encode("aZ09-._~ +/?&=%\x01\xc3\xa9"), "aZ09-._~%20%2B%2F%3F%26%3D%25%01%C3%A9");
    EXPECT_EQ(percent_encode("a!b*c", "!"), "a!b%2Ac");
    std::string out;
    EXPECT_TRUE(percent_decode("a%20b%2fc%C3%A9+d", &out, true));
    EXPECT_EQ(out, "a b/c\xc3\xa9+d");
    EXPECT_TRUE(percent_decode("a+b%2B", &out, true, true));
    EXPECT_EQ(out, "a b+");
    for (const char* malformed : {"%", "a%2", "%G0", "100%"}) {
        EXPECT_FALSE(percent_decode(malformed, &out, true)) << malformed;
        EXPECT_TRUE(percent_decode(malformed, &out, false)) << malformed;
        EXPECT_EQ(out, malformed);
    }
    EXPECT_FALSE(percent_decode("%%41", &out, true));
    EXPECT_TRUE(percent_decode("%%41", &out, false));
    EXPECT_EQ(out, "%A");
    EXPECT_TRUE(percent_decode("%00x", &out, true));
    EXPECT_EQ(out, std::string("\0x", 2));
}

TEST(OAuthRedirect, OnlyTheAnswerToThisSignInCounts) {
    const struct {
        std::string line;
        RedirectKind kind;
        const char* code;
        const char* text;
    } rows[] = {
        {"GET /?code=M.C5%2Fx_y-z&state=S1 HTTP/1.1\r\n", REDIRECT_CODE, "M.C5/x_y-z", ""},
        {"GET /?state=S1&session_state=q&code=4%2F0A HTTP/1.0", REDIRECT_CODE, "4/0A", ""},
        {"GET /?error=access_denied&error_description=The+user+said+no.&state=S1 HTTP/1.1", REDIRECT_REFUSED, "",
         "The provider refused the sign-in: The user said no."},
        {"GET /?error=invalid_scope&state=S1 HTTP/1.1", REDIRECT_REFUSED, "",
         "The provider refused the sign-in: invalid_scope."},
        {"GET /?error=x&error_description=bad%0D%0Aline%07&state=S1 HTTP/1.1", REDIRECT_REFUSED, "",
         "The provider refused the sign-in: bad??line?."},
        {"GET /?code=abc&state=S2 HTTP/1.1", REDIRECT_WRONG_STATE, "",
         "The browser's answer does not belong to this sign-in."},
        {"GET /?code=abc HTTP/1.1", REDIRECT_WRONG_STATE, "", "The browser's answer does not belong to this sign-in."},
        {"GET /?error=access_denied&state= HTTP/1.1", REDIRECT_WRONG_STATE, "",
         "The browser's answer does not belong to this sign-in."},
        // Not an answer: other paths and methods, malformed or repeated
        // parameters, a code that is empty or not printable.
        {"GET /favicon.ico HTTP/1.1", REDIRECT_OTHER, "", ""},
        {"GET / HTTP/1.1", REDIRECT_OTHER, "", ""},
        {"GET /x?code=abc&state=S1 HTTP/1.1", REDIRECT_OTHER, "", ""},
        {"POST /?code=abc&state=S1 HTTP/1.1", REDIRECT_OTHER, "", ""},
        {"GET /?code=abc&state=S1 HTTP/2", REDIRECT_OTHER, "", ""},
        {"GET /?code=abc&state=S1  HTTP/1.1", REDIRECT_OTHER, "", ""},
        {"GET /?code=a%2&state=S1 HTTP/1.1", REDIRECT_OTHER, "", ""},
        {"GET /?code=a&code=b&state=S1 HTTP/1.1", REDIRECT_OTHER, "", ""},
        {"GET /?code=a&error=b&state=S1 HTTP/1.1", REDIRECT_OTHER, "", ""},
        {"GET /?code=&state=S1 HTTP/1.1", REDIRECT_OTHER, "", ""},
        {"GET /?code=a%0Ab&state=S1 HTTP/1.1", REDIRECT_OTHER, "", ""},
        {"GET /?code=" + std::string(redirect_code_limit + 1, 'c') + "&state=S1 HTTP/1.1", REDIRECT_OTHER, "", ""},
        {std::string("GET /?code=a\0b&state=S1 HTTP/1.1", 33), REDIRECT_OTHER, "", ""},
        {"", REDIRECT_OTHER, "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line.substr(0, 80));
        Redirect r = read_redirect(row.line, "S1");
        EXPECT_EQ(r.kind, row.kind);
        EXPECT_EQ(r.code, row.code);
        EXPECT_EQ(r.text, row.text);
    }
    // Without a state of its own the sign-in takes no answer.
    EXPECT_EQ(read_redirect("GET /?code=a&state= HTTP/1.1", "").kind, REDIRECT_WRONG_STATE);
    Redirect long_refusal = read_redirect("GET /?error=e&error_description=" + std::string(500, 'w') + "&state=S1 HTTP/1.1", "S1");
    EXPECT_EQ(long_refusal.text, "The provider refused the sign-in: " + std::string(redirect_description_limit, 'w') + ".");
}


TEST(OAuthListener, PassesOverWhatIsNoAnswerAndTakesTheRedirect) {
    RedirectListener listener;
    ASSERT_TRUE(listener.open());
    ASSERT_GT(listener.port(), 0);
    std::atomic<bool> cancel{false};
    // The browser's own requests first, one after another while the
    // listener waits: a connection that says nothing, a favicon, an
    // over-long head, then the redirect.
    Browser quiet, favicon, flood, redirect;
    quiet.visit(listener.port(), "");
    Redirect r = listener.wait("S1", 200, cancel, 100);
    EXPECT_EQ(r.kind, REDIRECT_TIMED_OUT);
    EXPECT_EQ(r.text, "Sign-in took too long: the browser did not come back.");
    std::thread waiting([&] { r = listener.wait("S1", 20000, cancel, 5000); });
    favicon.visit(listener.port(), "GET /favicon.ico HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    favicon.thread.join();
    flood.visit(listener.port(), "GET /?" + std::string(redirect_head_limit + 10, 'x'));
    flood.thread.join();
    redirect.visit(listener.port(),
                   "GET /?code=M.C5%2Fx&state=S1 HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: test\r\n\r\n");
    redirect.thread.join();
    waiting.join();
    quiet.thread.join();
    EXPECT_EQ(r.kind, REDIRECT_CODE);
    EXPECT_EQ(r.code, "M.C5/x");
    EXPECT_EQ(quiet.answer, "");
    EXPECT_EQ(favicon.answer.find("HTTP/1.1 404 Not Found\r\n"), 0u) << favicon.answer;
    // The over-long head is cut off unread: its browser may see the 404 or
    // only the connection reset.
    EXPECT_TRUE(flood.answer.empty() || flood.answer.starts_with("HTTP/1.1 404 Not Found\r\n")) << flood.answer;
    const std::string& page = redirect.answer;
    ASSERT_EQ(page.find("HTTP/1.1 200 OK\r\n"), 0u) << page;
    EXPECT_NE(page.find("\r\nConnection: close\r\n"), std::string::npos);
    EXPECT_NE(page.find("You can close this window."), std::string::npos);
    size_t body = page.find("\r\n\r\n") + 4;
    EXPECT_NE(page.find("\r\nContent-Length: " + std::to_string(page.size() - body) + "\r\n"), std::string::npos);
}

TEST(OAuthListener, EndsOnARefusalAWrongStateOrCancel) {
    // The browsers outlive the listener: a connection it never took is
    // refused when it closes.
    Browser refused, stranger, quiet;
    RedirectListener listener;
    ASSERT_TRUE(listener.open());
    std::atomic<bool> cancel{false};
    refused.visit(listener.port(), "GET /?error=access_denied&state=S1 HTTP/1.1\r\n\r\n");
    Redirect r = listener.wait("S1", 20000, cancel);
    EXPECT_EQ(r.kind, REDIRECT_REFUSED);
    EXPECT_EQ(r.text, "The provider refused the sign-in: access_denied.");
    stranger.visit(listener.port(), "GET /?code=abc&state=S9 HTTP/1.1\r\n\r\n");
    r = listener.wait("S1", 20000, cancel);
    EXPECT_EQ(r.kind, REDIRECT_WRONG_STATE);
    refused.thread.join();
    stranger.thread.join();
    EXPECT_NE(refused.answer.find("You can close this window."), std::string::npos);
    EXPECT_NE(stranger.answer.find("You can close this window."), std::string::npos);

    // Cancel from another thread ends the wait, whether it waits for a
    // connection or inside a quiet one that would hold it for 20 s.
    quiet.visit(listener.port(), "GET /?code=");
    std::thread canceller([&] { cancel = true; });
    r = listener.wait("S1", 20000, cancel, 20000);
    canceller.join();
    EXPECT_EQ(r.kind, REDIRECT_CANCELLED);
    EXPECT_EQ(r.text, "Sign-in was cancelled.");
    EXPECT_EQ(listener.wait("S1", 20000, cancel).kind, REDIRECT_CANCELLED);
}

const char* const grant_server = "pop.example.test:995";
const char* const grant_user = "ann@example.test";

OAuthGrant test_grant(const std::string& refresh_token) {
    return {"https://login.example.test/token", "client-1", "", refresh_token};
}

using OAuthGrantFile = FolderTest;

TEST_F(OAuthGrantFile, SealedInAFileOfItsOwnAndRemovedWithItsAccountOnlyWhenTheTableIsWritten) {
    ASSERT_EQ(oauth_grant_save(grant_server, grant_user, test_grant("rt-secret-1")), 0);
    std::string path = oauth_grant_path(grant_server, grant_user);
    EXPECT_EQ(path.size(), 25u);
    EXPECT_EQ(path.rfind("token", 0), 0u);
    EXPECT_NE(path, oauth_grant_path(grant_server, "bob@example.test"));
    EXPECT_NE(path, oauth_grant_path("pop.example.test:99", "5ann@example.test"));
    // Nothing of it readable in the file.
    std::string bytes = read_file(folder_ / path);
    EXPECT_EQ(bytes.find("rt-secret-1"), std::string::npos);
    EXPECT_EQ(bytes.find("client-1"), std::string::npos);
    EXPECT_EQ(bytes.find("login.example.test"), std::string::npos);
    OAuthGrant back;
    ASSERT_EQ(oauth_grant_load(grant_server, grant_user, &back), 0);
    EXPECT_EQ(back.token_endpoint, "https://login.example.test/token");
    EXPECT_EQ(back.client_id, "client-1");
    EXPECT_EQ(back.client_secret, "");
    EXPECT_EQ(back.refresh_token, "rt-secret-1");
    // A value that would break the file's lines is refused; the old grant stays.
    EXPECT_EQ(oauth_grant_save(grant_server, grant_user, test_grant("rt\r\nclient")), -1);
    EXPECT_EQ(oauth_grant_save(grant_server, grant_user, test_grant("")), -1);
    EXPECT_EQ(read_file(folder_ / path), bytes);
    // No grant, a plain file or a cut one is no grant.
    EXPECT_EQ(oauth_grant_load(grant_server, "bob@example.test", &back), -1);
    write_file(folder_ / path, "zenth-grant-1\nhttps://x\nc\n\nrt\n");
    EXPECT_EQ(oauth_grant_load(grant_server, grant_user, &back), -1);
    write_file(folder_ / path, bytes.substr(0, bytes.size() - 3));
    EXPECT_EQ(oauth_grant_load(grant_server, grant_user, &back), -1);
    EXPECT_EQ(back.refresh_token, "rt-secret-1");  // untouched by a failed load

    // The account manager: a removed account's grant goes when the table
    // is written, not before (Cancel keeps it), and not while another
    // account still names the same mailbox.
    AccountList list;
    list.table.count = 3;
    const char* mailboxes[3][2] = {{grant_server, grant_user}, {"pop.example.test:995", "bob@example.test"},
                                   {grant_server, grant_user}};
    for (int i = 0; i < 3; i++) {
        std::strcpy(list.table.accounts[i].fields[ACCOUNT_POP3_SERVER], mailboxes[i][0]);
        std::strcpy(list.table.accounts[i].fields[ACCOUNT_USER], mailboxes[i][1]);
        ASSERT_EQ(oauth_grant_save(mailboxes[i][0], mailboxes[i][1], test_grant("rt")), 0);
    }
    account_list_number(&list);
    account_list_remove(&list, 0);
    account_list_remove(&list, 0);
    // The server folder list of the mailbox goes the same way.
    ASSERT_EQ(imap_folders_save("pop.example.test:995", "bob@example.test", {{"INBOX", "maildir\\bob"}}), 0);
    EXPECT_TRUE(std::filesystem::exists(folder_ / oauth_grant_path("pop.example.test:995", "bob@example.test")));
    account_list_drop_removed_files(&list);
    EXPECT_FALSE(std::filesystem::exists(folder_ / oauth_grant_path("pop.example.test:995", "bob@example.test")));
    EXPECT_FALSE(std::filesystem::exists(folder_ / imap_folders_path("pop.example.test:995", "bob@example.test")));
    EXPECT_TRUE(std::filesystem::exists(folder_ / path));  // the third account still has it
    account_list_remove(&list, 0);
    account_list_drop_removed_files(&list);
    EXPECT_FALSE(std::filesystem::exists(folder_ / path));
    EXPECT_EQ(oauth_grant_remove(grant_server, grant_user), 0);  // none left: not a failure
}

// The client's state (its account table) with a status window.
class LoginSecrets : public StoreTest {
protected:
    std::string shown() {
        std::string all = ui.status_text(), now = all.substr(shown_from_);
        shown_from_ = all.size();
        return now;
    }
    UiRecorder ui;
    RecorderSink sink;
    size_t shown_from_ = 0;
};

TEST_F(LoginSecrets, PasswordsAsTheyAreTokensRenewedBeforeTheyExpireAndAFailedRenewalShown) {
    AccountTable table;
    table.count = 2;
    std::strcpy(table.accounts[0].fields[ACCOUNT_NAME], "plain");
    std::strcpy(table.accounts[0].fields[ACCOUNT_PASSWORD], "pw-1");
    std::strcpy(table.accounts[0].fields[ACCOUNT_OPTIONS], "1");
    std::strcpy(table.accounts[1].fields[ACCOUNT_NAME], "ann");
    std::strcpy(table.accounts[1].fields[ACCOUNT_POP3_SERVER], grant_server);
    std::strcpy(table.accounts[1].fields[ACCOUNT_USER], grant_user);
    std::strcpy(table.accounts[1].fields[ACCOUNT_PASSWORD], "never-sent");
    std::snprintf(table.accounts[1].fields[ACCOUNT_OPTIONS], account_field_size, "%d", ACCOUNT_OAUTH | ACCOUNT_POP3_TLS);
    accounts_use(&table);
    FakeTokenEndpoint endpoint;
    auto& requests = FakeTokenEndpoint::requests();
    auto& replies = FakeTokenEndpoint::replies();
    const std::string expired = "Sign-in for ann has expired: open the account manager and sign in again.\r\n";
    std::string secret;

    EXPECT_EQ(login_secret(0, sink, &secret), LOGIN_OK);
    EXPECT_EQ(secret, "pw-1");
    // Without a grant there is nothing to renew from, and the password
    // field is never the answer.
    EXPECT_EQ(login_secret(1, sink, &secret), LOGIN_EXPIRED);
    EXPECT_EQ(shown(), expired);
    EXPECT_TRUE(requests.empty());

    // A token with no more than the margin left is renewed; a new refresh
    // token that comes with the reply replaces the old one on disk.
    ASSERT_EQ(oauth_grant_save(grant_server, grant_user, test_grant("rt-1")), 0);
    login_token_keep(grant_server, grant_user, "at-stale", token_renew_margin_seconds);
    replies = {R"({"access_token":"at-1","token_type":"Bearer","expires_in":3600,"refresh_token":"rt-2"})"};
    EXPECT_EQ(login_secret(1, sink, &secret), LOGIN_OK);
    EXPECT_EQ(secret, "at-1");
    EXPECT_EQ(requests, (std::vector<std::string>{
                            "https://login.example.test/token grant_type=refresh_token&refresh_token=rt-1&client_id=client-1"}));
    OAuthGrant stored;
    ASSERT_EQ(oauth_grant_load(grant_server, grant_user, &stored), 0);
    EXPECT_EQ(stored.refresh_token, "rt-2");
    // One with time left serves as it is.
    EXPECT_EQ(login_secret(1, sink, &secret), LOGIN_OK);
    EXPECT_EQ(secret, "at-1");
    EXPECT_EQ(requests.size(), 1u);

    // A refused renewal (and an endpoint that never answers) asks for a new
    // sign-in, the stale token forgotten; the grant stays for the next try.
    login_token_keep(grant_server, grant_user, "at-stale", 1);
    replies = {R"({"error":"invalid_grant","error_description":"revoked"})"};
    EXPECT_EQ(login_secret(1, sink, &secret), LOGIN_EXPIRED);
    EXPECT_EQ(login_secret(1, sink, &secret), LOGIN_EXPIRED);
    EXPECT_EQ(shown(), expired + expired);
    EXPECT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests.back().find("refresh_token=rt-2"), requests.back().find("grant_type=refresh_token") + 25);
    EXPECT_EQ(oauth_grant_load(grant_server, grant_user, &stored), 0);

    std::string log = read_file(folder_ / "zmlog.txt");
    EXPECT_NE(log.find("invalid_grant"), std::string::npos);
    for (const char* token : {"at-1", "at-stale", "rt-1", "rt-2", "never-sent"})
        EXPECT_EQ(log.find(token), std::string::npos) << token;
    accounts_use(nullptr);
}

class SignIn : public LoginSecrets {
protected:
    void SetUp() override {
        LoginSecrets::SetUp();
        played = &browser_;
        open_browser_install(play_browser);
        table_.count = 1;
        std::strcpy(table_.accounts[0].fields[ACCOUNT_NAME], "ann");
        std::strcpy(table_.accounts[0].fields[ACCOUNT_POP3_SERVER], grant_server);
        std::strcpy(table_.accounts[0].fields[ACCOUNT_USER], grant_user);
        std::snprintf(table_.accounts[0].fields[ACCOUNT_OPTIONS], account_field_size, "%d",
                      ACCOUNT_OAUTH | ACCOUNT_POP3_TLS);
        accounts_use(&table_);
    }
    void TearDown() override {
        accounts_use(nullptr);
        open_browser_install(nullptr);
        played = nullptr;
        LoginSecrets::TearDown();
    }
    int sign_in(BrowserPart part, int milliseconds = 20000) {
        browser_.part = part;
        browser_.url.clear();
        cancel_ = false;
        browser_.cancel = &cancel_;
        error_ = "(untouched)";
        int result = oauth_sign_in(request_, cancel_, milliseconds, &error_);
        if (browser_.visit.thread.joinable()) browser_.visit.thread.join();
        return result;
    }
    // What the account would log in with now: a kept token, else the
    // renewal from a saved grant.
    int secret(std::string* out) { return login_secret(0, sink, out); }
    SignInRequest request_{.authorization_endpoint = "https://login.example.test/authorize",
                           .token_endpoint = "https://login.example.test/token",
                           .client_id = "c-1",
                           .client_secret = "s+1",
                           .scopes = "mail offline_access",
                           .login_hint = grant_user,
                           .server = grant_server,
                           .user = grant_user};
    PlayedBrowser browser_;
    std::atomic<bool> cancel_{false};
    std::string error_;
    AccountTable table_;
};

TEST_F(SignIn, TheCodeFromTheBrowserIsExchangedAndTheGrantSavedAndItsTokenKept) {
    FakeTokenEndpoint endpoint;
    FakeTokenEndpoint::replies() = {
        R"({"access_token":"at-1","token_type":"Bearer","expires_in":3600,"refresh_token":"rt-1"})"};
    ASSERT_EQ(sign_in(APPROVES), 0) << error_;
    EXPECT_EQ(error_, "");
    const std::string& url = browser_.url;
    EXPECT_EQ(url.find("https://login.example.test/authorize?response_type=code&client_id=c-1&redirect_uri="), 0u)
        << url;
    EXPECT_NE(url.find("&scope=mail%20offline_access&"), std::string::npos) << url;
    EXPECT_NE(url.find("&code_challenge_method=S256&"), std::string::npos) << url;
    EXPECT_NE(url.find("&login_hint=ann%40example.test"), std::string::npos) << url;
    EXPECT_EQ(url_value(url, "state").size(), 22u);
    // The code as the browser brought it, the same redirect URI, and the
    // verifier whose challenge the browser carried.
    ASSERT_EQ(FakeTokenEndpoint::requests().size(), 1u);
    const std::string& sent = FakeTokenEndpoint::requests()[0];
    std::string verifier = sent.substr(sent.rfind("&code_verifier=") + 15);
    EXPECT_EQ(sent, "https://login.example.test/token grant_type=authorization_code&code=M.C5%2Fx%2B1&redirect_uri=" +
                        url_value(url, "redirect_uri") + "&client_id=c-1&client_secret=s%2B1&code_verifier=" +
                        verifier);
    EXPECT_EQ(pkce_challenge(verifier), url_value(url, "code_challenge"));
    EXPECT_NE(browser_.visit.answer.find("You can close this window."), std::string::npos);
    OAuthGrant grant;
    ASSERT_EQ(oauth_grant_load(grant_server, grant_user, &grant), 0);
    EXPECT_EQ(grant.token_endpoint + " " + grant.client_id + " " + grant.client_secret + " " + grant.refresh_token,
              "https://login.example.test/token c-1 s+1 rt-1");
    std::string token;
    EXPECT_EQ(secret(&token), LOGIN_OK);
    EXPECT_EQ(token, "at-1");
    EXPECT_EQ(FakeTokenEndpoint::requests().size(), 1u);  // kept, not renewed
    std::string log = read_file(folder_ / "zmlog.txt");
    for (const char* hidden : {"at-1", "rt-1", "M.C5", verifier.c_str()})
        EXPECT_EQ(log.find(hidden), std::string::npos) << hidden;
    EXPECT_NE(log.find("Sign-in completed.\r\n"), std::string::npos);
}

TEST_F(SignIn, EachFailureIsToldAndLeavesNothingStored) {
    FakeTokenEndpoint endpoint;
    FakeTokenEndpoint::failure() = "Server certificate not accepted: untrusted issuer.";
    const std::string unread = "(not asked)";
    struct Row {
        BrowserPart part;
        std::string reply;  // of the token endpoint; none: it fails
        std::string error;
        int milliseconds = 20000;
    };
    const Row rows[] = {
        {REFUSES, unread, "The provider refused the sign-in: The user said no."},
        {ANSWERS_ANOTHER_STATE, unread, "The browser's answer does not belong to this sign-in."},
        {IS_MISSING, unread, "Could not open the browser for the sign-in."},
        {IS_CANCELLED, unread, "Sign-in was cancelled."},
        {STAYS_AWAY, unread, "Sign-in took too long: the browser did not come back.", 300},
        {APPROVES, "", "Server certificate not accepted: untrusted issuer."},
        {APPROVES, R"({"error":"invalid_grant","error_description":"The code has expired"})",
         "The provider refused the sign-in: The code has expired."},
        {APPROVES, R"({"access_token":"at-2","token_type":"Bearer"})",
         "The provider gave no refresh token: check that the scopes ask for offline access."},
        {APPROVES, "<html>Service unavailable</html>", "The token endpoint's answer could not be read."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.error);
        FakeTokenEndpoint::requests().clear();
        FakeTokenEndpoint::replies().clear();
        if (row.reply != unread && !row.reply.empty()) FakeTokenEndpoint::replies() = {row.reply};
        EXPECT_EQ(sign_in(row.part, row.milliseconds), -1);
        EXPECT_EQ(error_, row.error);
        EXPECT_EQ(FakeTokenEndpoint::requests().size(), row.reply == unread ? 0u : 1u);
        EXPECT_FALSE(std::filesystem::exists(folder_ / oauth_grant_path(grant_server, grant_user)));
        std::string token;
        EXPECT_EQ(secret(&token), LOGIN_EXPIRED);
    }
    // Endpoints that are not https:// are refused before the browser opens.
    request_.token_endpoint = "http://login.example.test/token";
    EXPECT_EQ(sign_in(APPROVES), -1);
    EXPECT_EQ(error_, "The token endpoint must be an https:// address.");
    request_.token_endpoint = "https://login.example.test/token";
    request_.authorization_endpoint = "C:\\Windows\\system32\\calc.exe";
    EXPECT_EQ(sign_in(APPROVES), -1);
    EXPECT_EQ(error_, "The authorization endpoint must be an https:// address.");
    EXPECT_EQ(browser_.url, "");
    EXPECT_FALSE(https_address("https://"));
    EXPECT_FALSE(https_address("https:///token"));
    EXPECT_FALSE(https_address("https://a b/"));
    EXPECT_TRUE(https_address("HTTPS://login.example.test:8443/token?x=1"));
}

TEST(OAuthProviders, PresetsNameTheProvidersEndpointsServersAndSecurity) {
    std::string names;
    for (const OAuthProvider& p : oauth_providers()) names += std::string(p.name) + ";";
    EXPECT_EQ(names, "Microsoft;Google;Other;");
    const OAuthProvider& m = oauth_provider(PROVIDER_MICROSOFT);
    EXPECT_STREQ(m.token_endpoint, "https://login.microsoftonline.com/common/oauth2/v2.0/token");
    EXPECT_STREQ(m.scopes,
                 "https://outlook.office.com/POP.AccessAsUser.All https://outlook.office.com/SMTP.Send offline_access");
    EXPECT_FALSE(m.needs_client_secret);
    const OAuthProvider& g = oauth_provider(PROVIDER_GOOGLE);
    EXPECT_STREQ(g.authorization_endpoint, "https://accounts.google.com/o/oauth2/v2/auth");
    EXPECT_STREQ(g.token_endpoint, "https://oauth2.googleapis.com/token");
    EXPECT_STREQ(g.scopes, "https://mail.google.com/");
    EXPECT_TRUE(g.needs_client_secret);
    // What each preset's servers and security mean to the sessions.
    const struct {
        int id;
        const char* pop3;
        const char* smtp;
        TlsMode pop3_mode, smtp_mode;
        int pop3_port, smtp_port;
    } rows[] = {
        {PROVIDER_MICROSOFT, "outlook.office365.com", "smtp.office365.com:587", TLS_IMPLICIT, TLS_UPGRADE, 995, 25},
        {PROVIDER_GOOGLE, "pop.gmail.com", "smtp.gmail.com", TLS_IMPLICIT, TLS_IMPLICIT, 995, 465},
        {PROVIDER_OTHER, "", "", TLS_IMPLICIT, TLS_IMPLICIT, 995, 465},
        {7, "", "", TLS_IMPLICIT, TLS_IMPLICIT, 995, 465},  // a later version's provider reads as "Other"
    };
    for (const auto& row : rows) {
        const OAuthProvider& p = oauth_provider(row.id);
        SCOPED_TRACE(p.name);
        EXPECT_STREQ(p.client_id, "");
        EXPECT_STREQ(p.pop3_server, row.pop3);
        EXPECT_STREQ(p.smtp_server, row.smtp);
        EXPECT_EQ(pop3_tls_mode(p.security), row.pop3_mode);
        EXPECT_EQ(smtp_tls_mode(p.security), row.smtp_mode);
        EXPECT_EQ(pop3_default_port(pop3_tls_mode(p.security)), row.pop3_port);
        EXPECT_EQ(smtp_default_port(smtp_tls_mode(p.security)), row.smtp_port);
        EXPECT_EQ(p.security & ~(ACCOUNT_POP3_TLS | ACCOUNT_POP3_STLS | ACCOUNT_SMTP_TLS | ACCOUNT_SMTP_STARTTLS), 0);
    }
}

}  // namespace
