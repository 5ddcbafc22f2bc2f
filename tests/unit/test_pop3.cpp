#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/log.h"
#include "format/dates.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/test_support.h"
#include "transport/pop3.h"

namespace fs = std::filesystem;

namespace {

LocalTime fixed_time() { return LocalTime{2026, 12, 6, 13, 32, 38, 0, 0}; }
int fixed_bias() { return -60; }
const DateClock fixed_clock{fixed_time, fixed_bias};
const std::string received_lines = "X-ZMRead: FALSE\r\nX-ReceivedDate: Sun, 6 Dec 2026 13:32:38 +0100\r\n";

std::string port_of(const ScriptedPeer& peer) { return std::to_string(port_from_network(peer.address().port)); }

class Pop3Test : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        if (!app.program_folder) create_app_state();
        array_clear(app.new_mail_command);
        ASSERT_EQ(log_open("zmlog.txt"), 0);
        date_clock_install(&fixed_clock);
        fs::create_directories(folder_ / "temp");
        fs::create_directories(folder_ / "maildir" / "inbox");
        reply = array_new(520);
        command = array_new(520);
    }
    void TearDown() override {
        date_clock_install(nullptr);
        delete_arrays(reply, command);
        FolderTest::TearDown();
    }
    // Logs in to the scripted server; what the client then does is the test's.
    int login(ScriptedPeer& peer, bool use_auth, bool encrypted_only, const char* password = "pw") {
        s.open();
        std::string server = "127.0.0.1:" + port_of(peer);
        return pop3_login(s, reply, command, server.c_str(), "alice", password,
                          {.use_auth = use_auth, .encrypted_only = encrypted_only});
    }
    std::vector<std::string> inbox() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder_ / "maildir" / "inbox")) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    Array* reply = nullptr;
    Array* command = nullptr;
    UiRecorder ui;
    RecorderSink sink;
    MailSession s{sink};
};

const PeerStep greeting = peer_send("+OK ready\r\n");

TEST_F(Pop3Test, UserAndPassGoOutAsTyped) {
    ScriptedPeer peer({greeting, peer_receive("\r\n"), peer_send("+OK\r\n"), peer_receive("pw\r\n"), peer_send("+OK\r\n")});
    EXPECT_EQ(login(peer, false, true), 0);
    s.close();
    EXPECT_EQ(peer.received(), "user alice\r\npass pw\r\n");
    EXPECT_EQ(ui.status_text(), "Connected to server.\r\n");
}

TEST_F(Pop3Test, LowerCaseCramMd5InTheListIsUsed) {
    ScriptedPeer peer({greeting, peer_receive("auth\r\n"), peer_send("+OK\r\nplain\r\ncram-md5\r\n.\r\n"),
                       peer_receive("cram-md5\r\n"), peer_send("+ PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+\r\n"),
                       peer_receive("\r\n"), peer_send("+OK logged in\r\n")});
    EXPECT_EQ(login(peer, true, false), 0);
    s.close();
    std::string wire = peer.received();
    EXPECT_EQ(wire.substr(0, 21), "auth\r\nauth cram-md5\r\n");
}

TEST_F(Pop3Test, AuthRefusedAltogether) {
    ScriptedPeer peer({greeting, peer_receive("auth\r\n"), peer_send("-ERR no such command\r\n")});
    EXPECT_EQ(login(peer, true, false), -1);
    s.close();
    EXPECT_EQ(ui.status_text(),
              "Connected to server.\r\n-ERR no such command\r\nPOP3 server does not support authentication.\r\n");
}

TEST_F(Pop3Test, EncryptedOnlyRefusesAServerOfferingOnlyPlain) {
    ScriptedPeer peer({greeting, peer_receive("auth\r\n"), peer_send("+OK\r\nPLAIN\r\n.\r\n")});
    EXPECT_EQ(login(peer, true, true), -1);
    s.close();
    EXPECT_EQ(ui.status_text(), "Connected to server.\r\n+OK\r\nPLAIN\r\n.\r\n"
                                "POP3 server does not support requested authentication.\r\n");
}

TEST_F(Pop3Test, AuthListCutOffIsAFailureNotAWait) {
    ScriptedPeer peer({greeting, peer_receive("auth\r\n"), peer_send("+OK\r\nPLA"), peer_close()});
    EXPECT_EQ(login(peer, true, false), -1);
    s.close();
}

TEST_F(Pop3Test, ConnectionRefusedAndBadPort) {
    MailSession t(sink);
    t.open();
    EXPECT_EQ(pop3_login(t, reply, command, "127.0.0.1:1", "a", "b", {.use_auth = false}), -1);
    t.close();
    t.open();
    EXPECT_EQ(pop3_login(t, reply, command, "127.0.0.1:99999", "a", "b", {.use_auth = false}), -1);
    t.close();
    EXPECT_EQ(ui.status_text(), "Cannot connect to POP3 server.\r\nSee readme file for explanation.\r\n"
                                "Invalid POP3 port number.\r\n");
}

TEST_F(Pop3Test, ListCountsAndSizes) {
    ScriptedPeer peer({peer_receive("list\r\n"), peer_send("+OK 3 messages\r\n1 120\r\n2 2048\r\n"), peer_pause(20),
                       peer_send("3 99999\r\n.\r\n")});
    s.adopt(peer.connect_client());
    Array* sizes = array_new_elements(1000, 4);
    EXPECT_EQ(pop3_list(s, sizes), 3);
    EXPECT_EQ(sizes->int32s[0], 120);
    EXPECT_EQ(sizes->int32s[1], 2048);
    EXPECT_EQ(sizes->int32s[2], 99999);
    s.close();
    delete_arrays(sizes);
}

// A listing is taken in large receives; what a server sent behind it (here
// the next replies, all in one segment) is the next reader's, byte for byte.
TEST_F(Pop3Test, RepliesBehindAListingAreLeftForTheNextReplies) {
    ScriptedPeer peer({peer_receive("list\r\n"),
                       peer_send("+OK 2 messages\r\n1 120\r\n2 2048\r\n.\r\n+OK\r\n1 id-one\r\n2 id-two\r\n.\r\n"
                                 "+OK\r\nUSER\r\nPIPELINING\r\n.\r\n+OK bye\r\n"),
                       peer_receive("uidl\r\ncapa\r\nquit\r\n"), peer_close()});
    s.adopt(peer.connect_client());
    Array* sizes = array_new_elements(1000, 4);
    EXPECT_EQ(pop3_list(s, sizes), 2);
    EXPECT_EQ(sizes->int32s[1], 2048);
    std::vector<std::string> ids;
    EXPECT_EQ(pop3_uidl(s, 2, &ids), UIDL_LISTED);
    EXPECT_EQ(ids, (std::vector<std::string>{"id-one", "id-two"}));
    EXPECT_TRUE(pop3_pipelining(s));
    EXPECT_EQ(pop3_quit(s), 0);
    EXPECT_EQ(peer.received(), "list\r\nuidl\r\ncapa\r\nquit\r\n");
    delete_arrays(sizes);
}

TEST_F(Pop3Test, EmptyListErrorAndCutList) {
    {
        ScriptedPeer peer({peer_receive("list\r\n"), peer_send("+OK\r\n.\r\n")});
        s.adopt(peer.connect_client());
        EXPECT_EQ(pop3_list(s, nullptr), 0);
        s.close();
    }
    {
        ScriptedPeer peer({peer_receive("list\r\n"), peer_send("-ERR mailbox locked\r\n")});
        s.adopt(peer.connect_client());
        EXPECT_EQ(pop3_list(s, nullptr), -1);
        s.close();
        EXPECT_EQ(ui.status_text(), "-ERR mailbox locked\r\n");
    }
    {
        ScriptedPeer peer({peer_receive("list\r\n"), peer_send("+OK\r\n1 100\r\n"), peer_close()});
        s.adopt(peer.connect_client());
        EXPECT_EQ(pop3_list(s, nullptr), -1);
        s.close();
    }
}

TEST_F(Pop3Test, RetrieveStoresUnstuffedMessagesUnderTheNextNumbers) {
    write_file(folder_ / "maildir/inbox/mm41.eml", "older");
    std::string first = "Subject: one\r\n\r\n..a dotted line\r\n..\r\nend";
    ScriptedPeer peer({peer_receive("retr 1\r\n"), peer_send("+OK 40 octets\r\nSubject: one\r\n\r\n..a dot"),
                       peer_pause(20), peer_send("ted line\r\n..\r\nend\r\n.\r\n"), peer_receive("dele 1\r\n"),
                       peer_send("+OK\r\n"), peer_receive("retr 2\r\n"), peer_send("+OK\r\n"), peer_pause(20),
                       peer_send("Subject: two\r\n\r\n.\r\n"), peer_receive("dele 2\r\n"), peer_send("+OK\r\n")});
    s.adopt(peer.connect_client());
    int stored = -1;
    EXPECT_EQ(pop3_retrieve(s, "maildir\\inbox", 1, 3, {.delete_after = true}, nullptr, &stored), 0);
    s.close();
    EXPECT_EQ(stored, 2);
    EXPECT_EQ(peer.received(), "retr 1\r\ndele 1\r\nretr 2\r\ndele 2\r\n");
    EXPECT_EQ(inbox(), (std::vector<std::string>{"mm41.eml", "mm42.eml", "mm43.eml"}));
    EXPECT_EQ(read_file(folder_ / "maildir/inbox/mm42.eml"), received_lines + "Subject: one\r\n\r\n.a dotted line\r\n.\r\nend");
    EXPECT_EQ(read_file(folder_ / "maildir/inbox/mm43.eml"), received_lines + "Subject: two\r\n");
    EXPECT_EQ(ui.status_text(), "#1 (unknown KB)  done\r\n#2 (unknown KB)  done\r\n");
}

TEST_F(Pop3Test, EmptyMessageEndsAtOnce) {
    ScriptedPeer peer({peer_receive("retr 1\r\n"), peer_send("+OK 0 octets\r\n.\r\n"), peer_pause(2000)});
    s.adopt(peer.connect_client());
    int stored = 0;
    EXPECT_EQ(pop3_retrieve(s, "maildir\\inbox", 1, 2, {.delete_after = false}, nullptr, &stored), 0);
    s.close();
    EXPECT_EQ(read_file(folder_ / "maildir/inbox/mm1.eml"), received_lines);
}

TEST_F(Pop3Test, ConnectionCutMidMessageStoresNothingAndDeletesNothing) {
    ScriptedPeer peer({peer_receive("retr 1\r\n"), peer_send("+OK\r\nSubject: one\r\n\r\nbody\r\n.\r\n"),
                       peer_receive("dele 1\r\n"), peer_send("+OK\r\n"), peer_receive("retr 2\r\n"),
                       peer_send("+OK\r\nSubject: two\r\n\r\nhalf of it"), peer_pause(30), peer_close()});
    s.adopt(peer.connect_client());
    int stored = -1;
    EXPECT_EQ(pop3_retrieve(s, "maildir\\inbox", 1, 3, {.delete_after = true}, nullptr, &stored), -1);
    s.close();
    EXPECT_EQ(stored, 1);
    EXPECT_EQ(peer.received(), "retr 1\r\ndele 1\r\nretr 2\r\n");
    EXPECT_EQ(inbox(), (std::vector<std::string>{"mm1.eml"}));
    for (const auto& e : fs::directory_iterator(folder_ / "temp")) ADD_FAILURE() << "left behind: " << e.path();
}

TEST_F(Pop3Test, ErrorInsteadOfAMessageIsNotStored) {
    ScriptedPeer peer({peer_receive("retr 1\r\n"), peer_send("-ERR no such message\r\n")});
    s.adopt(peer.connect_client());
    int stored = -1;
    EXPECT_EQ(pop3_retrieve(s, "maildir\\inbox", 1, 2, {.delete_after = true}, nullptr, &stored), -1);
    s.close();
    EXPECT_TRUE(inbox().empty());
    EXPECT_EQ(peer.received(), "retr 1\r\n");
}

TEST_F(Pop3Test, HeadersOnlyAndSizesInTheStatusLine) {
    Array* sizes = array_new_elements(1000, 4);
    array_set_int32(sizes, 0, 20480);
    ScriptedPeer peer({peer_receive("top 1 10\r\n"), peer_send("+OK\r\nSubject: s\r\n\r\nline\r\n.\r\n")});
    s.adopt(peer.connect_client());
    int stored = 0;
    EXPECT_EQ(pop3_retrieve(s, "temp", 1, 2, {.headers_only = true}, sizes, &stored), 0);
    s.close();
    EXPECT_EQ(read_file(folder_ / "temp/mm1.eml"), received_lines + "Subject: s\r\n\r\nline");
    EXPECT_EQ(ui.status_text(), "#1 (20.0 KB)  done\r\n");
    EXPECT_EQ(ui.job_calls, (std::vector<std::string>{"file", "reset 1", "file none"}));
    delete_arrays(sizes);
}

TEST_F(Pop3Test, NewMailCommandSeesTheStoredFile) {
#ifdef _WIN32
    array_copy(app.new_mail_command, "cmd /c echo %FILE%^|%SUBJECT%^|%NAME%> seen.txt");
#else
    array_copy(app.new_mail_command, "printf '%s|%s|%s' \"$FILE\" \"$SUBJECT\" \"$NAME\" > seen.txt");
#endif
    ScriptedPeer peer({peer_receive("retr 1\r\n"),
                       peer_send("+OK\r\nFrom: \"Jane Doe\" <jane@example.org>\r\nSubject: hello there\r\n\r\nx\r\n.\r\n")});
    s.adopt(peer.connect_client());
    int stored = 0;
    EXPECT_EQ(pop3_retrieve(s, "maildir\\inbox", 1, 2, {.delete_after = false}, nullptr, &stored), 0);
    s.close();
    std::string seen = read_file(folder_ / "seen.txt");
    while (!seen.empty() && (seen.back() == '\n' || seen.back() == '\r' || seen.back() == ' ')) seen.pop_back();
    EXPECT_EQ(seen, "maildir\\inbox\\mm1.eml|hello there|Jane Doe");
    array_clear(app.new_mail_command);
}

// The command sees the subject, the name and the recipients decoded, every
// character of them, and FROM as it came.
TEST_F(Pop3Test, NewMailCommandGetsDecodedTextsAndTheRawSender) {
#ifdef _WIN32
    // The variables are set on this process through the wide call, where
    // the test reads them back whole (cmd would write them in a code page).
    array_copy(app.new_mail_command, "cmd /c exit");
#else
    array_copy(app.new_mail_command, "printf '%s|%s|%s|%s' \"$SUBJECT\" \"$NAME\" \"$TO\" \"$FROM\" > seen.txt");
#endif
    ScriptedPeer peer({peer_receive("retr 1\r\n"),
                       peer_send("+OK\r\nFrom: =?utf-8?B?0JjQstCw0L0=?= <ivan@example.ru>\r\n"
                                 "To: =?iso-8859-7?Q?=C3=E5=E9=DC?= <g@example.gr>\r\n"
                                 "Subject: =?shift_jis?B?k/qWe4zq?=\r\n\r\nx\r\n.\r\n")});
    s.adopt(peer.connect_client());
    int stored = 0;
    EXPECT_EQ(pop3_retrieve(s, "maildir\\inbox", 1, 2, {.delete_after = false}, nullptr, &stored), 0);
    s.close();
#ifdef _WIN32
    auto variable = [](const wchar_t* name) {
        wchar_t value[200] = {};
        GetEnvironmentVariableW(name, value, 200);
        return std::wstring(value);
    };
    EXPECT_EQ(variable(L"SUBJECT"), L"\u65e5\u672c\u8a9e");
    EXPECT_EQ(variable(L"NAME"), L"\u0418\u0432\u0430\u043d");
    EXPECT_EQ(variable(L"TO"), L"\u0393\u03b5\u03b9\u03ac <g@example.gr>");
    EXPECT_EQ(variable(L"FROM"), L"=?utf-8?B?0JjQstCw0L0=?= <ivan@example.ru>");
#else
    EXPECT_EQ(read_file(folder_ / "seen.txt"),
              "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E|\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD|"
              "\xCE\x93\xCE\xB5\xCE\xB9\xCE\xAC <g@example.gr>|=?utf-8?B?0JjQstCw0L0=?= <ivan@example.ru>");
#endif
    array_clear(app.new_mail_command);
}

}  // namespace
