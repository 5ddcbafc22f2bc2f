// IMAP against scripted peers: what dovecot never sends (literals of 2 GB,
// literals cut short, endless lines, BYE in the middle of a command,
// untagged responses inside a FETCH), the lines the commands put on the
// wire, STARTTLS through the stand-in for TLS, and modified UTF-7 folder
// names both ways.
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "store/imap_state.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/smtp_test_support.h"
#include "tests/unit/test_support.h"
#include "tests/unit/tls_stand_in.h"
#include "transport/imap.h"
#include "transport/imap_download.h"
#include "transport/imap_idle.h"
#include "transport/imap_utf7.h"

namespace {

TEST(ImapUtf7, NamesBothWaysAndMalformedRefused) {
    const std::pair<std::string, std::string> both[] = {
        {"INBOX", "INBOX"},
        {"Tom & Jerry", "Tom &- Jerry"},
        {"Entw\xc3\xbc" "rfe", "Entw&APw-rfe"},
        // RFC 3501 section 5.1.3's own example.
        {"~peter/mail/\xe5\x8f\xb0\xe5\x8c\x97/\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e",
         "~peter/mail/&U,BTFw-/&ZeVnLIqe-"},
        {"\xc3\xa4\xc3\xb6\xc3\xbc", "&AOQA9gD8-"},
        {"\xf0\x9f\x93\xa7 mail", "&2D3c5w- mail"},  // a character outside the BMP: a surrogate pair
        {"", ""},
    };
    for (const auto& [utf8, wire] : both) {
        std::string out;
        EXPECT_TRUE(imap_utf7_encode(utf8, &out)) << wire;
        EXPECT_EQ(out, wire);
        EXPECT_TRUE(imap_utf7_decode(wire, &out)) << wire;
        EXPECT_EQ(out, utf8);
    }
    const char* const bad_wire[] = {
        "&U,BTFw",      // no "-"
        "&AGE-",        // "a", which stands for itself
        "&AOQ-&",       // a shift that never ends
        "a\xc3\xa4",    // 8-bit bytes on the wire
        "tab\there",    // a control character
        "&AOQ*-",       // outside the alphabet
        "&AOR-",        // left-over bits not zero
        "&AOQA-",       // left-over bits that make no 16-bit unit
        "&2D0-",        // a high surrogate alone
        "&3OcAZQ-",     // a low surrogate alone
        "&AAA-",        // a zero character
    };
    for (const char* wire : bad_wire) {
        std::string out = "kept?";
        EXPECT_FALSE(imap_utf7_decode(wire, &out)) << wire;
        EXPECT_EQ(out, "");
    }
    const char* const bad_utf8[] = {"\xc3", "\x80", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "a\rb"};
    for (const char* utf8 : bad_utf8) {
        std::string out;
        EXPECT_FALSE(imap_utf7_encode(utf8, &out)) << utf8;
    }
}

TEST(ImapUidSet, RangesInOrderWithoutRepeats) {
    EXPECT_EQ(imap_uid_set({9, 1, 2, 3, 5, 10, 10, 4294967295u}), "1:3,5,9:10,4294967295");
    EXPECT_EQ(imap_uid_set({7}), "7");
}

using ImapPeerTest = StatusTest;

const std::string fetch_body = "A1 UID FETCH 7 (UID BODY.PEEK[])\r\n";

struct HostileRow {
    const char* what;
    std::vector<PeerStep> server;  // after the client's UID FETCH
    std::string shown;
};

// Every response that cannot be read in step ends the session with its
// text, and nothing of a body that did not arrive whole counts as fetched.
TEST_F(ImapPeerTest, HostileResponsesEndTheSessionWithTheirText) {
    const std::string long_line = "* OK " + std::string(70000, 'x') + "\r\n";
    std::string deep = "* LIST ";
    for (int i = 0; i < 40; i++) deep += "(";
    const HostileRow rows[] = {
        {"a body of 2 GB announced",
         {peer_send("* 1 FETCH (UID 7 BODY[] {2147483648}\r\nFrom: a\r\n")},
         "IMAP server sent a literal of 2147483648 bytes.\r\n"},
        {"a kept literal larger than a response may be",
         {peer_send("* CAPABILITY {2147483648}\r\n")},
         "IMAP server sent a literal of 2147483648 bytes.\r\n"},
        {"a size of twenty digits",
         {peer_send("* 1 FETCH (UID 7 BODY[] {99999999999999999999}\r\n")},
         "IMAP server sent a literal of 99999999999999999999 bytes.\r\n"},
        {"a size with no end of digits",
         {peer_send("* 1 FETCH (UID 7 BODY[] {" + std::string(30, '9') + "}\r\n")},
         "Malformed response from IMAP server.\r\n"},
        {"a body cut short by the closing connection",
         {peer_send("* 1 FETCH (UID 7 BODY[] {100}\r\nFrom: a\r\n"), peer_close()},
         "IMAP server closed the connection inside a literal.\r\n"},
        {"a kept literal cut short",
         {peer_send("* 1 FETCH (UID 7 X-NAME {100}\r\nabc"), peer_close()},
         "IMAP server closed the connection inside a literal.\r\n"},
        {"a literal without its closing brace",
         {peer_send("* 1 FETCH (UID 7 BODY[] {12\r\nFrom: a\r\n\r\nb\r\n)\r\n")},
         "Malformed response from IMAP server.\r\n"},
        {"a line that never ends", {peer_send(long_line)}, "Response from IMAP server too long.\r\n"},
        {"lists nested beyond reason", {peer_send(deep + "\r\n")}, "Malformed response from IMAP server.\r\n"},
        {"an unclosed list", {peer_send("* 1 FETCH (UID 7\r\n")}, "Malformed response from IMAP server.\r\n"},
        {"a quoted string across the line end", {peer_send("* 1 FETCH (UID 7 BODY[] \"ab\r\n")},
         "Malformed response from IMAP server.\r\n"},
        {"BYE before the body", {peer_send("* BYE going down\r\n")},
         "* BYE going down\r\nIMAP server ended the session.\r\n"},
        {"BYE after the body, before the tagged reply",
         {peer_send("* 1 FETCH (UID 7 BODY[] {3}\r\nabc)\r\n* BYE going down now\r\n")},
         "* BYE going down now\r\nIMAP server ended the session.\r\n"},
        {"a tag of another command", {peer_send("A9 OK done\r\n")}, "Malformed response from IMAP server.\r\n"},
        {"a body of another message", {peer_send("* 1 FETCH (UID 8 BODY[] {3}\r\nabc)\r\n")},
         "Malformed response from IMAP server.\r\n"},
        {"a body without its UID", {peer_send("* 1 FETCH (BODY[] {3}\r\nabc)\r\n")},
         "Malformed response from IMAP server.\r\n"},
        {"a second body for the one message",
         {peer_send("* 1 FETCH (UID 7 BODY[] {3}\r\nabc)\r\n* 1 FETCH (UID 7 BODY[] {3}\r\nxyz)\r\n")},
         "Malformed response from IMAP server.\r\n"},
        {"a go-ahead nobody asked for", {peer_send("+ go on\r\n")}, "Malformed response from IMAP server.\r\n"},
        {"the connection closed between responses", {peer_send("* 3 EXISTS\r\n"), peer_close()},
         "receiveline error\r\n"},
    };
    for (const HostileRow& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<PeerStep> script{peer_receive(fetch_body)};
        script.insert(script.end(), row.server.begin(), row.server.end());
        script.push_back(peer_silent(5000));
        ScriptedPeer peer(script);
        MailSession s(sink, peer.connect_client());
        s.watch(5, 5);
        std::string body;
        EXPECT_EQ(imap_fetch_message(s, 7, [&](const char* b, int n) {
                      body.append(b, static_cast<size_t>(n));
                      return true;
                  }),
                  -1);
        EXPECT_FALSE(s.is_open());
        EXPECT_EQ(shown(), row.shown);
        // Nothing more goes to a server that is out of step.
        EXPECT_EQ(peer.received(), fetch_body);
    }
}

// IDLE: the server's news counted while it runs (an EXPUNGE makes room for
// a delivery to count as new), DONE when its time is up and the IDLE asked
// again, a stop seen at once; and each way a server ends an IDLE ends it
// with its text.
TEST_F(ImapPeerTest, IdleCountsNewMailRenewsAndEndsWithTheServersText) {
    ScriptedPeer peer({peer_receive("A1 IDLE\r\n"),
                       peer_send("* 3 EXISTS\r\n+ idling\r\n* 4 EXISTS\r\n* 2 EXPUNGE\r\n* 4 EXISTS\r\n"
                                 "* 4 FETCH (FLAGS (\\Seen))\r\n"),
                       peer_receive("DONE\r\n"), peer_send("* 5 EXISTS\r\nA1 OK IDLE terminated\r\n"),
                       peer_receive("A2 IDLE\r\n"), peer_send("+ idling\r\n"), peer_silent(5000)});
    MailSession s(sink, peer.connect_client());
    s.watch(5, 5);
    int entered = 0, new_mail = 0;
    bool stop = false;
    ImapIdleWatch watch{.exists = 3,
                        .seconds = 1,
                        .stop = [&] { return stop; },
                        .entered = [&] { entered++; },
                        .new_mail = [&] { new_mail++; }};
    EXPECT_EQ(imap_idle(s, &watch), IMAP_IDLE_RENEW);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(new_mail, 3);  // 4 above 3; 4 again after a removal; 5 in the answer to DONE
    EXPECT_EQ(watch.exists, 5u);
    watch.seconds = 600;
    watch.entered = [&] { stop = true; };
    EXPECT_EQ(imap_idle(s, &watch), IMAP_IDLE_STOPPED);
    s.close();
    EXPECT_EQ(peer.received(), "A1 IDLE\r\nDONE\r\nA2 IDLE\r\nDONE\r\n");
    EXPECT_EQ(shown(), "");

    struct Row {
        const char* what;
        std::vector<PeerStep> server;  // after the client's IDLE
        int result;
        std::string shown;
    };
    const Row rows[] = {
        {"IDLE refused", {peer_send("A1 NO [CANNOT] not in this folder\r\n")}, IMAP_REFUSED,
         "A1 NO [CANNOT] not in this folder\r\n\r\nIncorrect response from server.\r\n"},
        {"BYE while idling", {peer_send("+ idling\r\n* 9 EXISTS\r\n* BYE going down\r\n")}, IMAP_FAILED,
         "* BYE going down\r\nIMAP server ended the session.\r\n"},
        {"no go-ahead ever", {}, IMAP_FAILED, "Server did not answer within 1 seconds.\r\nreceiveline error\r\n"},
        {"DONE never answered", {peer_send("+ idling\r\n"), peer_receive("DONE\r\n")}, IMAP_FAILED,
         "Server did not answer within 1 seconds.\r\nreceiveline error\r\n"},
        {"a response too long", {peer_send("+ idling\r\n* OK " + std::string(70000, 'x') + "\r\n")}, IMAP_FAILED,
         "Response from IMAP server too long.\r\n"},
        {"OK without a go-ahead", {peer_send("A1 OK done\r\n")}, IMAP_FAILED,
         "Malformed response from IMAP server.\r\n"},
        {"the connection closed while idling", {peer_send("+ idling\r\n"), peer_close()}, IMAP_FAILED,
         "receiveline error\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<PeerStep> script{peer_receive("A1 IDLE\r\n")};
        script.insert(script.end(), row.server.begin(), row.server.end());
        script.push_back(peer_silent(5000));
        ScriptedPeer hostile(script);
        MailSession h(sink, hostile.connect_client());
        h.watch(1, 1);
        ImapIdleWatch quiet;
        quiet.exists = 3;
        quiet.seconds = 1;
        EXPECT_EQ(imap_idle(h, &quiet), row.result);
        EXPECT_EQ(shown(), row.shown);
        h.close();
    }
}

TEST_F(ImapPeerTest, FetchStreamsTheBodyPastUntaggedResponses) {
    // 50 MB in one literal, with the server's news before and after it.
    std::string message = "From: a@example.test\r\nSubject: big\r\n\r\n";
    while (message.size() < 50u << 20) message += std::string(998, 'x') + "\r\n";
    ScriptedPeer peer({peer_receive(fetch_body),
                       peer_send("* 4 EXISTS\r\n* 2 FETCH (FLAGS (\\Seen))\r\n* 1 FETCH (UID 7 BODY[] {" +
                                 std::to_string(message.size()) + "}\r\n" + message +
                                 " FLAGS (\\Recent))\r\n* 1 EXPUNGE\r\nA1 OK Fetch completed.\r\n"),
                       peer_receive("A2 UID FETCH 8 (UID BODY.PEEK[])\r\n"),
                       peer_send("* 3 FETCH (UID 8 BODY[] \"\")\r\nA2 OK done\r\n"),
                       peer_receive("A3 UID FETCH 9 (UID BODY.PEEK[])\r\n"), peer_send("A3 OK nothing\r\n")});
    MailSession s(sink, peer.connect_client());
    std::string body;
    size_t largest = 0;
    auto into = [&](const char* b, int n) {
        body.append(b, static_cast<size_t>(n));
        largest = std::max(largest, static_cast<size_t>(n));
        return true;
    };
    ASSERT_EQ(imap_fetch_message(s, 7, into), IMAP_FETCHED);
    EXPECT_TRUE(body == message) << body.size() << " bytes, not " << message.size();
    // In pieces as they came: the message itself is never held whole.
    EXPECT_LE(largest, 16384u);
    body.clear();
    EXPECT_EQ(imap_fetch_message(s, 8, into), IMAP_FETCHED);  // an empty message, quoted
    EXPECT_EQ(body, "");
    EXPECT_EQ(imap_fetch_message(s, 9, into), IMAP_GONE);
    EXPECT_EQ(shown(), "");
    // A sink that cannot write ends the session without a reader's text.
    ScriptedPeer failing({peer_receive(fetch_body), peer_send("* 1 FETCH (UID 7 BODY[] {3}\r\nabc)\r\n"),
                          peer_silent(5000)});
    MailSession f(sink, failing.connect_client());
    EXPECT_EQ(imap_fetch_message(f, 7, [](const char*, int) { return false; }), -1);
    EXPECT_FALSE(f.is_open());
    EXPECT_EQ(shown(), "");
}

TEST_F(ImapPeerTest, FetchesInFlightUpToTheWindow) {
    ScriptedPeer peer({peer_receive("A2 UID FETCH 8 (UID BODY.PEEK[])\r\n"),
                       peer_send("* 1 FETCH (UID 7 BODY[] {2}\r\nab)\r\nA1 OK\r\n"),
                       peer_receive("A3 UID FETCH 9 (UID BODY.PEEK[])\r\n"),
                       // The UID may follow the body it names.
                       peer_send("* 2 FETCH (BODY[] {2}\r\ncd UID 8)\r\nA2 OK\r\nA3 NO [SERVERBUG] broken\r\n"),
                       peer_receive("A4 UID FETCH 10 (UID BODY.PEEK[])\r\n"),
                       peer_send("* 4 FETCH (UID 10 BODY[] {2}\r\nef)\r\nA4 OK\r\n"), peer_silent(5000)});
    MailSession s(sink, peer.connect_client());
    std::string bodies, done;
    ImapFetchSinks sinks{.body = [&](uint32_t uid, const char* b, int n) {
                             bodies += std::to_string(uid) + ":" + std::string(b, static_cast<size_t>(n)) + " ";
                             return true;
                         },
                         .done = [&](uint32_t uid, int result) {
                             done += std::to_string(uid) + (result == IMAP_FETCHED ? " " : "? ");
                             return true;
                         }};
    // The refusal sends nothing more, but what was in flight still counts.
    EXPECT_EQ(imap_fetch_messages(s, {7, 8, 9, 10, 11}, 2, sinks), -1);
    EXPECT_EQ(bodies, "7:ab 8:cd 10:ef ");
    EXPECT_EQ(done, "7 8 10 ");
    EXPECT_EQ(shown(), "A3 NO [SERVERBUG] broken\r\n\r\nIncorrect response from server.\r\n");
    s.close();
    // Two commands before the first answer, never a third.
    EXPECT_EQ(peer.received_at_sends()[0],
              "A1 UID FETCH 7 (UID BODY.PEEK[])\r\nA2 UID FETCH 8 (UID BODY.PEEK[])\r\n");
    EXPECT_EQ(peer.received().find("A5"), std::string::npos);
}

TEST_F(ImapPeerTest, SelectListAndDeleteOnTheWire) {
    ScriptedPeer peer(
        {peer_receive("A1 SELECT \"Entw&APw-rfe\"\r\n"),
         peer_send("* FLAGS (\\Answered \\Deleted)\r\n* 3 EXISTS\r\n* 0 RECENT\r\n"
                   "* OK [UIDVALIDITY 3857529045] UIDs valid\r\n* OK [UIDNEXT 4392] Predicted next UID\r\n"
                   "A1 OK [READ-WRITE] Select completed.\r\n"),
         peer_receive("A2 UID FETCH 4390:* (UID RFC822.SIZE)\r\n"),
         // The highest message answers "n:*" even when its UID is below n.
         peer_send("* 3 FETCH (UID 4391 RFC822.SIZE 120)\r\n* 1 FETCH (FLAGS (\\Seen))\r\n"
                   "* 2 FETCH (RFC822.SIZE 99 UID 4390)\r\nA2 OK done\r\n"),
         peer_receive("A3 UID FETCH 4392:* (UID RFC822.SIZE)\r\n"),
         peer_send("* 3 FETCH (UID 4391 RFC822.SIZE 120)\r\nA3 OK done\r\n"),
         peer_receive("A4 UID STORE 4390:4391,4400 +FLAGS.SILENT (\\Deleted)\r\n"), peer_send("A4 OK Store\r\n"),
         peer_receive("A5 UID EXPUNGE 4390:4391,4400\r\n"),
         peer_send("* 2 EXPUNGE\r\n* 2 EXPUNGE\r\nA5 OK Expunge completed.\r\n"),
         peer_receive("A6 EXAMINE \"Archive\"\r\n"), peer_send("* 0 EXISTS\r\nA6 OK [READ-ONLY] Examine completed.\r\n"),
         peer_receive("A7 EXAMINE \"Gone\"\r\n"), peer_send("A7 NO Mailbox doesn't exist: Gone\r\n"),
         peer_receive("A8 LOGOUT\r\n"), peer_send("* BYE Logging out\r\nA8 OK Logout completed.\r\n")});
    MailSession s(sink, peer.connect_client());
    ImapFolder folder;
    ASSERT_EQ(imap_select(s, "Entw\xc3\xbc" "rfe", false, &folder), 0);
    EXPECT_EQ(folder.uidvalidity, 3857529045u);
    EXPECT_EQ(folder.uidnext, 4392u);
    EXPECT_EQ(folder.exists, 3u);
    std::vector<ImapMessage> listed;
    ASSERT_EQ(imap_list_above(s, 4389, 100, &listed), 0);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].uid, 4390u);
    EXPECT_EQ(listed[0].size, 99);
    EXPECT_EQ(listed[1].uid, 4391u);
    EXPECT_EQ(listed[1].size, 120);
    ASSERT_EQ(imap_list_above(s, 4391, 100, &listed), 0);
    EXPECT_TRUE(listed.empty());
    EXPECT_EQ(imap_delete_messages(s, {4391, 4390, 4400}, true), 0);
    // A folder that gives no UIDVALIDITY cannot be downloaded by UID.
    EXPECT_EQ(imap_select(s, "Archive", true, &folder), -1);
    EXPECT_EQ(shown(), "IMAP server did not give the folder's UIDVALIDITY.\r\n");
    EXPECT_EQ(imap_select(s, "Gone", true, &folder), imap_select_refused);
    EXPECT_EQ(shown(), "A7 NO Mailbox doesn't exist: Gone\r\n\r\nIncorrect response from server.\r\n");
    EXPECT_EQ(imap_select(s, "bad\xc3", true, &folder), -1);
    EXPECT_EQ(shown(), "Invalid IMAP folder name.\r\n");
    EXPECT_EQ(imap_logout(s), 0);
    EXPECT_FALSE(s.is_open());
    EXPECT_EQ(shown(), "");
}

struct LoginRow {
    const char* what;
    std::vector<PeerStep> server;
    LoginOptions options;
    const char* password;
    int result;
    std::string wire;   // what the server received, as sent
    std::string shown;  // after "Connected to server.\r\n"
};

TEST_F(ImapPeerTest, LoginsOnTheWire) {
    StandInTls tls;
    const std::string greeting = "* OK [CAPABILITY IMAP4rev1 LITERAL+ AUTH=PLAIN] ready\r\n";
    const std::string caps = "* CAPABILITY IMAP4rev1 UIDPLUS IDLE\r\n";
    const std::string plain_caps = "* OK [CAPABILITY IMAP4rev1 STARTTLS AUTH=PLAIN] ready\r\n";
    const char* escaped = "p\\w d";
    const char* utf8 = "p\xc3\xa4sswd";
    const LoginOptions secured{.use_auth = false, .encrypted_only = false, .tls = TLS_UPGRADE};
    const LoginRow rows[] = {
        {"quoted strings with their escapes",
         {peer_send(greeting), peer_receive("d\"\r\n"), peer_send("A1 OK Logged in\r\n"),
          peer_receive("A2 CAPABILITY\r\n"), peer_send(caps + "A2 OK done\r\n")},
         {}, escaped, 0,
         "A1 LOGIN \"al\\\"ice\" \"p\\\\w d\"\r\nA2 CAPABILITY\r\n", ""},
        {"a password in UTF-8 as a synchronising literal",
         {peer_send("* OK ready\r\n"), peer_receive("A1 CAPABILITY\r\n"),
          peer_send("* CAPABILITY IMAP4rev1\r\nA1 OK\r\n"), peer_receive("{7}\r\n"), peer_send("+ go ahead\r\n"),
          peer_receive("sswd\r\n"), peer_send("A2 OK Logged in\r\n"), peer_receive("A3 CAPABILITY\r\n"),
          peer_send(caps + "A3 OK done\r\n")},
         {}, utf8, 0,
         "A1 CAPABILITY\r\nA2 LOGIN \"al\\\"ice\" {7}\r\np\xc3\xa4sswd\r\nA3 CAPABILITY\r\n", ""},
        {"the same with LITERAL+: no wait for the go-ahead",
         {peer_send(greeting), peer_receive("sswd\r\n"), peer_send("A1 OK Logged in\r\n"),
          peer_receive("A2 CAPABILITY\r\n"), peer_send(caps + "A2 OK done\r\n")},
         {}, utf8, 0,
         "A1 LOGIN \"al\\\"ice\" {7+}\r\np\xc3\xa4sswd\r\nA2 CAPABILITY\r\n", ""},
        {"the literal refused",
         {peer_send("* OK ready\r\n"), peer_receive("A1 CAPABILITY\r\n"),
          peer_send("* CAPABILITY IMAP4rev1\r\nA1 OK\r\n"), peer_receive("{7}\r\n"), peer_send("A2 NO too big\r\n")},
         {}, utf8, -1,
         "A1 CAPABILITY\r\nA2 LOGIN \"al\\\"ice\" {7}\r\n",
         "A2 NO too big\r\n\r\nIncorrect response from server.\r\n"},
        {"a wrong password",
         {peer_send(greeting), peer_receive("d\"\r\n"),
          peer_send("A1 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n")},
         {}, escaped, -1,
         "A1 LOGIN \"al\\\"ice\" \"p\\\\w d\"\r\n",
         "A1 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n\r\nIncorrect response from server.\r\n"},
        {"LOGIN disabled", {peer_send("* OK [CAPABILITY IMAP4rev1 LOGINDISABLED] ready\r\n")}, {}, escaped, -1, "",
         "IMAP server does not support LOGIN.\r\n"},
        {"a greeting of BYE", {peer_send("* BYE too busy\r\n")}, {}, escaped, -1, "",
         "* BYE too busy\r\nIMAP server ended the session.\r\n"},
        {"STARTTLS, then everything secured and the list asked anew",
         {peer_send(plain_caps), peer_receive("A1 STARTTLS\r\n"), peer_send("A1 OK Begin TLS negotiation now.\r\n"),
          peer_secure(), peer_receive("A2 CAPABILITY\r\n"),
          peer_send("* CAPABILITY IMAP4rev1 AUTH=PLAIN\r\nA2 OK\r\n"), peer_receive("A3 AUTHENTICATE PLAIN\r\n"),
          peer_send("+ \r\n"), peer_receive("ZA==\r\n"), peer_send("A3 OK Logged in\r\n"),
          peer_receive("A4 CAPABILITY\r\n"), peer_send(caps + "A4 OK done\r\n")},
         {.use_auth = true, .encrypted_only = false, .tls = TLS_UPGRADE}, escaped, 0,
         "A1 STARTTLS\r\nSTARTSECURE\r\nA2 CAPABILITY\r\nA3 AUTHENTICATE PLAIN\r\nAGFsImljZQBwXHcgZA==\r\n"
         "A4 CAPABILITY\r\n",
         "Secure connection established (stand-in).\r\n"},
        {"STARTTLS not offered", {peer_send(greeting)}, secured, escaped, -1, "",
         "CAPABILITY IMAP4rev1 LITERAL+ AUTH=PLAIN\r\nIMAP server does not support STARTTLS.\r\n"},
        {"plain text behind the go-ahead",
         {peer_send(plain_caps), peer_receive("A1 STARTTLS\r\n"), peer_send("A1 OK Begin\r\n* OK sneaked in\r\n")},
         secured, escaped, -1, "A1 STARTTLS\r\n", "Server sent data before the secure connection began.\r\n"},
        {"only encrypted logins, PLAIN offered", {peer_send(greeting)},
         {.use_auth = true, .encrypted_only = true, .tls = TLS_NONE}, escaped, -1, "",
         "CAPABILITY IMAP4rev1 LITERAL+ AUTH=PLAIN\r\nIMAP server does not support requested authentication.\r\n"},
        // OAuth 2.0 logs in with a bearer mechanism whatever the AUTH bit
        // says, never with LOGIN, and its token never goes to a password
        // mechanism.
        {"OAuth 2.0 after STARTTLS, XOAUTH2 on the AUTHENTICATE line",
         {peer_send("* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready\r\n"), peer_receive("A1 STARTTLS\r\n"),
          peer_send("A1 OK Begin TLS negotiation now.\r\n"), peer_secure(), peer_receive("A2 CAPABILITY\r\n"),
          peer_send("* CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN AUTH=XOAUTH2\r\nA2 OK\r\n"),
          peer_receive("A3 AUTHENTICATE XOAUTH2 dXNlcj1hbCJpY2UBYXV0aD1CZWFyZXIgdG9rAQE=\r\n"),
          peer_send("A3 OK Logged in\r\n"), peer_receive("A4 CAPABILITY\r\n"), peer_send(caps + "A4 OK done\r\n")},
         {.oauth = true, .tls = TLS_UPGRADE}, "tok", 0,
         "A1 STARTTLS\r\nSTARTSECURE\r\nA2 CAPABILITY\r\nA3 AUTHENTICATE XOAUTH2 "
         "dXNlcj1hbCJpY2UBYXV0aD1CZWFyZXIgdG9rAQE=\r\nA4 CAPABILITY\r\n",
         "Secure connection established (stand-in).\r\n"},
        {"OAuth 2.0 where the server takes only passwords",
         {peer_secure(), peer_send("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN AUTH=CRAM-MD5] ready\r\n")},
         {.use_auth = true, .oauth = true, .tls = TLS_IMPLICIT}, "tok", -1, "STARTSECURE\r\n",
         "Secure connection established (stand-in).\r\nCAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN AUTH=CRAM-MD5\r\n"
         "IMAP server does not support requested authentication.\r\n"},
    };
    for (const LoginRow& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<PeerStep> script = row.server;
        script.push_back(peer_silent(5000));
        ScriptedPeer peer(script);
        MailSession s(sink);
        ASSERT_TRUE(s.open());
        std::string capabilities;
        EXPECT_EQ(imap_login(s, server_text(peer.address()).c_str(), "al\"ice", row.password, row.options,
                             &capabilities),
                  row.result);
        if (row.result == 0) {
            EXPECT_EQ(capabilities, "IMAP4rev1 UIDPLUS IDLE");
        }
        s.close();
        EXPECT_EQ(peer.received(), row.wire);
        EXPECT_EQ(shown(), "Connected to server.\r\n" + row.shown);
    }
}

// A folder whose UIDVALIDITY changed is not downloaded again unasked: the
// check stops after EXAMINE with the state as it was; once the user agrees,
// the folder's messages are new under the new UIDVALIDITY. Bodies that come
// before the commands before them are answered wait each in its own file;
// a refused fetch keeps what was stored, and deletes it.
TEST_F(ImapPeerTest, AChangedUidvalidityWaitsForTheUser) {
    if (!app.program_folder) create_app_state();
    std::filesystem::create_directories("maildir/inbox");
    std::filesystem::create_directories("temp");
    ImapState state;
    ASSERT_EQ(imap_state_load(&state, "peer", "u", "INBOX"), 0);
    ASSERT_EQ(imap_state_record(&state, 7, 41), 0);
    const std::string before = read_file("uidl/" + state.path.substr(5));
    const std::string examined = "* 2 EXISTS\r\n* OK [UIDVALIDITY 9] UIDs valid\r\nA1 OK [READ-ONLY] done\r\n";
    ScriptedPeer peer({peer_receive("A1 EXAMINE \"INBOX\"\r\n"), peer_send(examined), peer_receive("A2 LOGOUT\r\n"),
                       peer_send("* BYE\r\nA2 OK\r\n")});
    MailSession s(sink, peer.connect_client());
    int count = -1;
    EXPECT_EQ(imap_download(s, "peer", "u", "INBOX", "maildir\\inbox", {}, &count), imap_uidvalidity_changed);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(imap_logout(s), 0);
    EXPECT_EQ(peer.received(), "A1 EXAMINE \"INBOX\"\r\nA2 LOGOUT\r\n");
    EXPECT_EQ(read_file("uidl/" + state.path.substr(5)), before);
    EXPECT_EQ(shown(), "");

    const std::string selected = "* 2 EXISTS\r\n* OK [UIDVALIDITY 9] UIDs valid\r\nA1 OK [READ-WRITE] done\r\n";
    ScriptedPeer agreed(
        {peer_receive("A1 SELECT \"INBOX\"\r\n"), peer_send(selected),
         peer_receive("A2 UID FETCH 1:* (UID RFC822.SIZE)\r\n"),
         peer_send("* 1 FETCH (UID 3 RFC822.SIZE 5)\r\n* 2 FETCH (UID 4 RFC822.SIZE 3)\r\n"
                   "* 3 FETCH (UID 6 RFC822.SIZE 3)\r\nA2 OK\r\n"),
         peer_receive("A5 UID FETCH 6 (UID BODY.PEEK[])\r\n"),
         peer_send("* 1 FETCH (UID 3 BODY[] {6}\r\nA: b\r\n)\r\n* 2 FETCH (UID 4 BODY[] {3}\r\nxyz)\r\n"
                   "A3 OK\r\n* 3 FETCH (UID 6 BODY[] {3}\r\nabc)\r\nA4 OK\r\nA5 NO gone wrong\r\n"),
         peer_receive("A6 UID STORE 3:4 +FLAGS.SILENT (\\Deleted)\r\n"), peer_send("A6 OK\r\n"),
         peer_receive("A7 UID EXPUNGE 3:4\r\n"), peer_send("A7 OK\r\n"), peer_silent(5000)});
    MailSession again(sink, agreed.connect_client());
    ImapDownloadOptions options{.delete_after = true, .uidplus = true, .new_uidvalidity = true};
    EXPECT_EQ(imap_download(again, "peer", "u", "INBOX", "maildir\\inbox", options, &count), -1);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(shown(), "Found 3.\r\n#1 (0.0 KB)  done\r\n#2 (0.0 KB)  done\r\n#3 (0.0 KB) A5 NO gone wrong\r\n"
                       "\r\nIncorrect response from server.\r\n");
    std::string first = read_file("maildir/inbox/mm1.eml");
    EXPECT_TRUE(first.starts_with("X-ZMRead: FALSE\r\nX-ReceivedDate: ")) << first;
    EXPECT_TRUE(first.ends_with("\r\nA: b")) << first;
    EXPECT_TRUE(read_file("maildir/inbox/mm2.eml").ends_with("\r\nxyz"));
    EXPECT_FALSE(std::filesystem::exists("maildir/inbox/mm3.eml"));
    ASSERT_EQ(imap_state_load(&state, "peer", "u", "INBOX"), 0);
    EXPECT_EQ(state.uidvalidity, 9u);
    EXPECT_EQ(state.highest, 4u);
    EXPECT_TRUE(std::filesystem::is_empty("temp"));
    again.close();
    EXPECT_NE(agreed.received().find("A7 UID EXPUNGE 3:4\r\n"), std::string::npos);
}

}  // namespace
