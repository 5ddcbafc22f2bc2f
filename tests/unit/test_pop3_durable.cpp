// Receiving into the inbox: every message written through to the disk
// before the server may forget it, seen through a recording file layer and
// scripted POP3 and IMAP peers; and pipelined commands (RFC 2449) against peers that
// announce it, do not, answer out of step or close mid-window, and dovecot.
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "client/client_accounts.h"
#include "client/client_keys.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/sys_files.h"
#include "format/account_table.h"
#include "format/password_key.h"
#include "store/busy_folders.h"
#include "store/durable_files.h"
#include "store/imap_state.h"
#include "store/uidl_state.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/test_support.h"
#include "transport/imap_download.h"
#include "transport/pop3_jobs.h"

namespace fs = std::filesystem;

namespace {

// The file layer's steps as they happen, each with what the peer had heard
// by then; a step can be made to fail.
struct Recording {
    std::mutex mutex;
    ScriptedPeer* peer = nullptr;
    std::vector<std::string> steps;
    int fail_flush_at = 0;  // the n-th flush and every later one fail (1-based), 0 none
    bool fail_sync = false;
    int flushes = 0;
    std::atomic<int> started{0};  // files handed to the system as they came whole
    // Another client writes this name just before the move to it.
    std::string taken_meanwhile;
    void note(const std::string& step) {
        std::lock_guard<std::mutex> hold(mutex);
        steps.push_back(step + (peer ? " | heard: " + peer->received_so_far() : ""));
    }
    // Each flush takes its number and its place among the steps together.
    int note_flush() {
        std::lock_guard<std::mutex> hold(mutex);
        int n = ++flushes;
        steps.push_back("flush " + std::to_string(n) + (peer ? " | heard: " + peer->received_so_far() : ""));
        return n;
    }
};
Recording* recording = nullptr;

int record_flush(std::FILE* f) {
    int n = recording->note_flush();
    if (recording->fail_flush_at && n >= recording->fail_flush_at) return -1;
    return sys_flush_file(f);
}
int record_start(std::FILE* f) {
    recording->started++;
    return sys_start_flush(f);
}
int record_move(const char* from, const char* to) {
    if (recording->taken_meanwhile == to) {
        std::string native = to;
        std::replace(native.begin(), native.end(), '\\', '/');
        write_file(native, "theirs");
    }
    int result = sys_rename_through(from, to);
    if (result == 0) recording->note(std::string("move ") + to);
    return result;
}
int record_sync(const char* folder) {
    recording->note(std::string("sync ") + folder);
    return recording->fail_sync ? -1 : sys_sync_folder(folder);
}
const DurableFiles recording_files{record_flush, record_move, record_sync, record_start};

const PeerStep greeting = peer_send("+OK ready\r\n");
std::string message(int n) { return "Subject: m" + std::to_string(n) + "\r\n\r\nbody " + std::to_string(n) + "\r\n"; }
std::string retr_reply(int n) { return "+OK\r\n" + message(n) + ".\r\n"; }
std::string stored_text(int n) {
    std::string m = message(n);
    return m.substr(0, m.size() - 2);
}

class DurableReceiveTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        fs::create_directories(folder_ / "maildir" / "inbox");
        array_copy(app.current_folder, "maildir\\drafts");
        write_file(folder_ / "pwdkey.dat", std::string(32, 'p'));
        ASSERT_EQ(password_key_load(), 0);
        busy_folders_init();
        recording = &record;
        durable_files_install(&recording_files);
    }
    void TearDown() override {
        durable_files_install(nullptr);
        recording = nullptr;
        fs::remove(folder_ / "pwdkey.dat");
        password_key_load();
        StoreTest::TearDown();
    }
    // One account on the peer (USER and PASS), deleting after receiving.
    void account_at(ScriptedPeer& peer, int options = ACCOUNT_DELETE_FROM_SERVER) {
        record.peer = &peer;
        account_on_port(port_from_network(peer.address().port), options);
    }
    void account_on_port(int port, int options, const char* user = "u", const char* password = "p") {
        Array* stored = array_new(100);
        encode_password(password_key(), password, stored);
        write_file(folder_ / "accountdata.cfg", std::string("a\r\n127.0.0.1\r\n\"A\" <a@example.test>\r\n127.0.0.1:") +
                                                    std::to_string(port) + "\r\n" + user + "\r\n" + stored->text +
                                                    "\r\nmaildir\\inbox\r\n" + std::to_string(options) + "\r\n");
        delete_arrays(stored);
        ASSERT_EQ(accounts_load(), 0);
    }
    std::vector<std::string> inbox() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder_ / "maildir" / "inbox")) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string in_inbox(int n) { return read_file(folder_ / "maildir/inbox" / ("mm" + std::to_string(n) + ".eml")); }
    // The peer's login, then its CAPA answer and a LIST of n messages.
    // UIDL is refused unless the test gives the ids' listing.
    static std::vector<PeerStep> session_start(const std::string& capa, int n, const std::string& uidl = "-ERR\r\n") {
        std::string list = "+OK\r\n";
        for (int i = 1; i <= n; i++) list += std::to_string(i) + " 40\r\n";
        return {greeting,         peer_receive("user u\r\n"), peer_send("+OK\r\n"), peer_receive("pass p\r\n"),
                peer_send("+OK\r\n"), peer_receive("capa\r\n"), peer_send(capa),    peer_receive("list\r\n"),
                peer_send(list + ".\r\n"), peer_receive("uidl\r\n"), peer_send(uidl)};
    }
    static std::vector<PeerStep> with(std::vector<PeerStep> steps, const std::vector<PeerStep>& more) {
        steps.insert(steps.end(), more.begin(), more.end());
        return steps;
    }
    Recording record;
    UiRecorder ui;
};

const char* const login_wire = "user u\r\npass p\r\ncapa\r\nlist\r\nuidl\r\n";
const std::string no_pipelining = "+OK\r\nTOP\r\nUIDL\r\nUSER\r\n.\r\n";
const std::string pipelining = "+OK Capability list follows\r\nTOP\r\nPIPELINING\r\nUIDL\r\n.\r\n";

// Two messages, each answered and deleted before the next command, and QUIT.
std::vector<PeerStep> two_received_and_deleted() {
    return {peer_receive("retr 1\r\n"), peer_send(retr_reply(1)), peer_receive("dele 1\r\n"), peer_send("+OK\r\n"),
            peer_receive("retr 2\r\n"), peer_send(retr_reply(2)), peer_receive("dele 2\r\n"), peer_send("+OK\r\n"),
            peer_receive("quit\r\n"),   peer_send("+OK bye\r\n")};
}

// Four messages on a pipelining server: the first alone, then the second
// with the first's DELE answered, then the third and fourth together.
std::vector<PeerStep> four_pipelined() {
    return {peer_receive("retr 1\r\n"), peer_send(retr_reply(1)), peer_receive("retr 2\r\n"),
            peer_send("+OK\r\n" + retr_reply(2)), peer_receive("retr 4\r\n"), peer_send(retr_reply(3) + retr_reply(4))};
}

// Each message is on the disk before its DELE goes out, and the folder
// before QUIT; one command at a time for a server without pipelining.
TEST_F(DurableReceiveTest, FlushMoveDeleAndQuitInThatOrder) {
    ScriptedPeer peer(with(session_start(no_pipelining, 2), two_received_and_deleted()));
    account_at(peer);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 2);
    const std::string heard = login_wire;
    EXPECT_EQ(record.steps,
              (std::vector<std::string>{"flush 1 | heard: " + heard + "retr 1\r\n",
                                        "move maildir\\inbox\\mm1.eml | heard: " + heard + "retr 1\r\n",
                                        "sync maildir\\inbox | heard: " + heard + "retr 1\r\n",
                                        "flush 2 | heard: " + heard + "retr 1\r\ndele 1\r\nretr 2\r\n",
                                        "move maildir\\inbox\\mm2.eml | heard: " + heard + "retr 1\r\ndele 1\r\nretr 2\r\n",
                                        "sync maildir\\inbox | heard: " + heard + "retr 1\r\ndele 1\r\nretr 2\r\n",
                                        "sync maildir\\inbox | heard: " + heard + "retr 1\r\ndele 1\r\nretr 2\r\ndele 2\r\n"}));
    // Without PIPELINING every reply answered the one command just heard.
    std::vector<std::string> at_sends = peer.received_at_sends();
    for (const std::string& at : std::vector<std::string>(at_sends.begin() + 6, at_sends.end()))
        EXPECT_TRUE(at.ends_with("1\r\n") || at.ends_with("2\r\n") || at.ends_with("quit\r\n")) << at;
    EXPECT_EQ(peer.received(), heard + "retr 1\r\ndele 1\r\nretr 2\r\ndele 2\r\nquit\r\n");
    EXPECT_EQ(inbox(), (std::vector<std::string>{"mm1.eml", "mm2.eml"}));
}

// A name that another client takes while the job runs is stepped over and
// kept; the job's numbers go on after it.
TEST_F(DurableReceiveTest, ANameTakenWhileReceivingIsSteppedOver) {
    write_file(folder_ / "maildir/inbox/mm5.eml", "older");
    record.taken_meanwhile = "maildir\\inbox\\mm7.eml";
    std::vector<PeerStep> steps = session_start(no_pipelining, 3);
    for (int n = 1; n <= 3; n++)
        steps = with(steps, {peer_receive("retr " + std::to_string(n) + "\r\n"), peer_send(retr_reply(n))});
    ScriptedPeer peer(with(steps, {peer_receive("quit\r\n"), peer_send("+OK\r\n")}));
    account_at(peer, 0);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 3);
    EXPECT_EQ(inbox(), (std::vector<std::string>{"mm5.eml", "mm6.eml", "mm7.eml", "mm8.eml", "mm9.eml"}));
    EXPECT_EQ(in_inbox(7), "theirs");
    EXPECT_TRUE(in_inbox(8).ends_with(stored_text(2)));
    EXPECT_TRUE(in_inbox(9).ends_with(stored_text(3)));
}

// The disk refuses the second message: it is not moved in, not deleted, and
// the session ends without QUIT, so the server deletes nothing at all.
TEST_F(DurableReceiveTest, AFailedFlushEndsTheJobWithoutQuit) {
    record.fail_flush_at = 2;
    ScriptedPeer peer(with(session_start(no_pipelining, 2),
                           {peer_receive("retr 1\r\n"), peer_send(retr_reply(1)), peer_receive("dele 1\r\n"),
                            peer_send("+OK\r\n"), peer_receive("retr 2\r\n"), peer_send(retr_reply(2)),
                            peer_receive("quit\r\n")}));
    account_at(peer);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 1);
    EXPECT_EQ(peer.received(), std::string(login_wire) + "retr 1\r\ndele 1\r\nretr 2\r\n");
    EXPECT_EQ(inbox(), (std::vector<std::string>{"mm1.eml"}));
    EXPECT_TRUE(fs::is_empty(folder_ / "temp"));
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find(": could not write file to disk.\r\nError 1: Cannot download messages.\r\n"), std::string::npos)
        << shown;
}

TEST_F(DurableReceiveTest, AFolderThatCannotBeSyncedGetsNoQuit) {
    record.fail_sync = true;
    ScriptedPeer peer(with(session_start("-ERR\r\n", 1), {peer_receive("retr 1\r\n"), peer_send(retr_reply(1))}));
    account_at(peer);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 1);
    // Not even the DELE: the message moved in, but its folder is not known
    // to be on the disk.
    EXPECT_EQ(peer.received(), std::string(login_wire) + "retr 1\r\n");
    EXPECT_EQ(inbox(), (std::vector<std::string>{"mm1.eml"}));
    EXPECT_NE(ui.status_text().find("Could not write the folder to disk.\r\nError 1: Cannot download messages.\r\n"),
              std::string::npos)
        << ui.status_text();
}

// A pipelining server: the window opens as messages arrive, replies that
// arrive together are taken apart, and every DELE follows its file.
TEST_F(DurableReceiveTest, PipelinedCommandsAreAnsweredInOrder) {
    ScriptedPeer peer(with(with(session_start(pipelining, 4), four_pipelined()),
                           {peer_receive("dele 4\r\n"), peer_send("+OK\r\n+OK\r\n+OK\r\n"), peer_receive("quit\r\n"),
                            peer_send("+OK\r\n")}));
    account_at(peer);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 4);
    // The first message alone, then two, then the rest: messages 2 to 4 are
    // written through together, and only then marked for deletion.
    EXPECT_EQ(peer.received(), std::string(login_wire) +
                                   "retr 1\r\ndele 1\r\nretr 2\r\nretr 3\r\nretr 4\r\ndele 2\r\ndele 3\r\ndele 4\r\nquit\r\n");
    ASSERT_EQ(inbox(), (std::vector<std::string>{"mm1.eml", "mm2.eml", "mm3.eml", "mm4.eml"}));
    for (int n = 1; n <= 4; n++) EXPECT_TRUE(in_inbox(n).ends_with(stored_text(n))) << in_inbox(n);
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find("#1 (0.0 KB)  done\r\n#2 (0.0 KB)  done\r\n#3 (0.0 KB)  done\r\n#4 (0.0 KB)  done\r\n"),
              std::string::npos)
        << shown;
    // Each file and its folder were on the disk before its DELE; the last
    // sync saw every DELE and no QUIT.
    const std::string before_deles = std::string(login_wire) + "retr 1\r\ndele 1\r\nretr 2\r\nretr 3\r\nretr 4\r\n";
    ASSERT_EQ(record.steps.size(), 11u);
    EXPECT_EQ(record.steps[3], "flush 2 | heard: " + before_deles);
    // The whole batch is on the disk before the first of it moves in; each
    // file went to the system as it came whole.
    EXPECT_EQ(record.steps[5], "flush 4 | heard: " + before_deles);
    EXPECT_EQ(record.steps[6], "move maildir\\inbox\\mm2.eml | heard: " + before_deles);
    EXPECT_EQ(record.steps[8], "move maildir\\inbox\\mm4.eml | heard: " + before_deles);
    EXPECT_EQ(record.steps[9], "sync maildir\\inbox | heard: " + before_deles);
    EXPECT_EQ(record.started.load(), 4);
    EXPECT_EQ(record.steps.back(), "sync maildir\\inbox | heard: " + before_deles + "dele 2\r\ndele 3\r\ndele 4\r\n");
}

// Many messages arriving in one receive: what follows the end of one is
// the start of the next, however much of it there is.
TEST_F(DurableReceiveTest, ManyRepliesInOneReceiveAreTakenApart) {
    auto big = [](int n) { return "Subject: m" + std::to_string(n) + "\r\n\r\n" + std::string(3000, 'a' + n) + "\r\n"; };
    auto reply = [&](int n) { return "+OK\r\n" + big(n) + ".\r\n"; };
    ScriptedPeer peer(with(session_start(pipelining, 7),
                           {peer_receive("retr 1\r\n"), peer_send(reply(1)), peer_receive("retr 3\r\n"),
                            peer_send(reply(2) + reply(3)), peer_receive("retr 7\r\n"),
                            peer_send(reply(4) + reply(5) + reply(6) + reply(7)), peer_receive("quit\r\n"),
                            peer_send("+OK\r\n")}));
    account_at(peer, 0);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 7) << ui.status_text();
    ASSERT_EQ(inbox().size(), 7u);
    for (int n = 1; n <= 7; n++) {
        std::string b = big(n);
        EXPECT_TRUE(in_inbox(n).ends_with(b.substr(0, b.size() - 2))) << n;
    }
}

// A reply that cannot answer the command in flight (message text where a
// status line belongs) ends the session: what was stored stays, nothing
// else is stored, and without QUIT nothing is deleted.
TEST_F(DurableReceiveTest, AReplyOutOfStepEndsTheSessionWithoutQuit) {
    ScriptedPeer peer(with(session_start(pipelining, 3),
                           {peer_receive("retr 1\r\n"), peer_send(retr_reply(1)), peer_receive("retr 2\r\n"),
                            peer_send("+OK\r\n" + message(2) + ".\r\n"), peer_receive("quit\r\n")}));
    account_at(peer);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 1);
    std::string wire = peer.received();
    EXPECT_EQ(wire, std::string(login_wire) + "retr 1\r\ndele 1\r\nretr 2\r\nretr 3\r\n");
    EXPECT_EQ(inbox(), (std::vector<std::string>{"mm1.eml"}));
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find("Subject: m2\r\n\r\nReply out of step with the commands sent.\r\nError 1: Cannot download "
                         "messages.\r\n"),
              std::string::npos)
        << shown;
}

TEST_F(DurableReceiveTest, AServerClosingMidWindowKeepsWhatWasWhole) {
    ScriptedPeer peer(with(session_start(pipelining, 5),
                           {peer_receive("retr 1\r\n"), peer_send(retr_reply(1)), peer_receive("retr 2\r\n"),
                            peer_send("+OK\r\n" + retr_reply(2)), peer_receive("retr 4\r\n"),
                            peer_send("+OK\r\n+OK\r\nSubject: m3\r\n\r\nhalf"), peer_close()}));
    account_at(peer);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 2);
    std::string wire = peer.received();
    EXPECT_EQ(wire.find("dele 3"), std::string::npos) << wire;
    EXPECT_EQ(inbox(), (std::vector<std::string>{"mm1.eml", "mm2.eml"}));
    EXPECT_TRUE(in_inbox(2).ends_with(stored_text(2)));
    EXPECT_TRUE(fs::is_empty(folder_ / "temp"));
    EXPECT_NE(ui.status_text().find("#3 (0.0 KB) Error 1: Cannot download messages.\r\n"), std::string::npos)
        << ui.status_text();
}

// The disk refuses a pipelined batch: none of it moves in or is deleted,
// and the session ends without QUIT; the message before it stays stored.
TEST_F(DurableReceiveTest, AFailedFlushInAPipelinedBatchMovesNoneOfIt) {
    record.fail_flush_at = 2;
    ScriptedPeer peer(with(with(session_start(pipelining, 4), four_pipelined()), {peer_receive("quit\r\n")}));
    account_at(peer);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 1);
    EXPECT_EQ(peer.received(), std::string(login_wire) + "retr 1\r\ndele 1\r\nretr 2\r\nretr 3\r\nretr 4\r\n");
    EXPECT_EQ(inbox(), (std::vector<std::string>{"mm1.eml"}));
    EXPECT_TRUE(in_inbox(1).ends_with(stored_text(1)));
    EXPECT_TRUE(fs::is_empty(folder_ / "temp"));
    // The first file that cannot be flushed ends the batch.
    EXPECT_EQ(record.flushes, 2);
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find(": could not write file to disk.\r\nError 1: Cannot download messages.\r\n"), std::string::npos)
        << shown;
}

// A UIDL listing of the ids, message k the k-th.
std::string uidl_listing(const std::vector<std::string>& ids) {
    std::string listing = "+OK\r\n";
    for (size_t k = 0; k < ids.size(); k++) listing += std::to_string(k + 1) + " " + ids[k] + "\r\n";
    return listing + ".\r\n";
}

class UidlReceiveTest : public DurableReceiveTest {
protected:
    // The first message of a session that makes the state file: its file,
    // its move, its folder on the disk, then the state written whole and
    // moved into place.
    std::vector<std::string> first_recorded(ScriptedPeer& peer, const std::string& heard) {
        std::string state = uidl_state_path(server(peer).c_str(), "u");
        return {"flush 1 | heard: " + heard, "move maildir\\inbox\\mm1.eml | heard: " + heard,
                "sync maildir\\inbox | heard: " + heard, "flush 2 | heard: " + heard, "move " + state + " | heard: " + heard, "sync uidl | heard: " + heard};
    }
    static std::vector<std::string> with_steps(std::vector<std::string> steps, const std::vector<std::string>& more) {
        steps.insert(steps.end(), more.begin(), more.end());
        return steps;
    }
    // The state file of the account on the peer, as a native path.
    fs::path state_file(ScriptedPeer& peer) {
        std::string p = uidl_state_path(server(peer).c_str(), "u");
        std::replace(p.begin(), p.end(), '\\', '/');
        return folder_ / p;
    }
    static std::string server(ScriptedPeer& peer) {
        return "127.0.0.1:" + std::to_string(port_from_network(peer.address().port));
    }
    std::string head(ScriptedPeer& peer) { return "Server: " + server(peer) + "\r\nUser: u\r\n"; }
    void state_before(ScriptedPeer& peer, const std::string& ids) {
        fs::create_directories(folder_ / "uidl");
        write_file(state_file(peer), head(peer) + ids);
    }
};

// Each id is on the disk once its message is in the inbox and the inbox on
// the disk, and before its DELE goes out or the next message moves in.
TEST_F(UidlReceiveTest, EachIdIsRecordedOnTheDiskBeforeItsDele) {
    ScriptedPeer peer(with(session_start(no_pipelining, 2, uidl_listing({"aaa", "bbb"})), two_received_and_deleted()));
    account_at(peer);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 2);
    const std::string first = std::string(login_wire) + "retr 1\r\n";
    const std::string second = first + "dele 1\r\nretr 2\r\n";
    EXPECT_EQ(record.steps, with_steps(first_recorded(peer, first), {
                                        "flush 3 | heard: " + second,
                                        "move maildir\\inbox\\mm2.eml | heard: " + second,
                                        "sync maildir\\inbox | heard: " + second,
                                        "flush 4 | heard: " + second,
                                        "sync maildir\\inbox | heard: " + second + "dele 2\r\n"}));
    EXPECT_EQ(read_file(state_file(peer)), head(peer) + "aaa\r\nbbb\r\n");
    EXPECT_FALSE(fs::exists(state_file(peer).string() + ".new"));
    EXPECT_EQ(ui.status_text().find("UIDL"), std::string::npos) << ui.status_text();
}

// A pipelined batch: all its files are on the disk before the first moves
// in; then each moves in, the folder goes on the disk and its id after it,
// before the next moves, and only then are its messages marked.
TEST_F(UidlReceiveTest, APipelinedBatchIsOnTheDiskBeforeItsMovesAndEachIdAfterItsFolder) {
    ScriptedPeer peer(with(with(session_start(pipelining, 4, uidl_listing({"aaa", "bbb", "ccc", "ddd"})), four_pipelined()),
                           {peer_receive("dele 4\r\n"), peer_send("+OK\r\n+OK\r\n+OK\r\n"), peer_receive("quit\r\n"),
                            peer_send("+OK\r\n")}));
    account_at(peer);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 4);
    const std::string first = std::string(login_wire) + "retr 1\r\n";
    const std::string batch = first + "dele 1\r\nretr 2\r\nretr 3\r\nretr 4\r\n";
    EXPECT_EQ(record.steps, with_steps(first_recorded(peer, first), {
                                        "flush 3 | heard: " + batch,
                                        "flush 4 | heard: " + batch,
                                        "flush 5 | heard: " + batch,
                                        "move maildir\\inbox\\mm2.eml | heard: " + batch,
                                        "sync maildir\\inbox | heard: " + batch,
                                        "flush 6 | heard: " + batch,
                                        "move maildir\\inbox\\mm3.eml | heard: " + batch,
                                        "sync maildir\\inbox | heard: " + batch,
                                        "flush 7 | heard: " + batch,
                                        "move maildir\\inbox\\mm4.eml | heard: " + batch,
                                        "sync maildir\\inbox | heard: " + batch,
                                        "flush 8 | heard: " + batch,
                                        "sync maildir\\inbox | heard: " + batch + "dele 2\r\ndele 3\r\ndele 4\r\n"}));
    EXPECT_EQ(read_file(state_file(peer)), head(peer) + "aaa\r\nbbb\r\nccc\r\nddd\r\n");
    EXPECT_EQ(peer.received(), batch + "dele 2\r\ndele 3\r\ndele 4\r\nquit\r\n");
}

// Messages stored before are marked for deletion without a download, the
// new one is stored, and an id the server no longer lists leaves the file.
TEST_F(UidlReceiveTest, MessagesStoredBeforeAreDeletedWithoutADownload) {
    const std::string longest(70, '~');
    ScriptedPeer peer(with(session_start(no_pipelining, 3, uidl_listing({"aaa", "bbb", longest})),
                           {peer_receive("dele 1\r\n"), peer_send("+OK\r\n"), peer_receive("dele 2\r\n"),
                            peer_send("+OK\r\n"), peer_receive("retr 3\r\n"), peer_send(retr_reply(3)),
                            peer_receive("dele 3\r\n"), peer_send("+OK\r\n"), peer_receive("quit\r\n"),
                            peer_send("+OK bye\r\n")}));
    state_before(peer, "aaa\r\ngone\r\nbbb\r\n");
    account_at(peer);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 1);
    EXPECT_EQ(peer.received(), std::string(login_wire) + "dele 1\r\ndele 2\r\nretr 3\r\ndele 3\r\nquit\r\n");
    EXPECT_EQ(inbox(), (std::vector<std::string>{"mm1.eml"}));
    EXPECT_TRUE(in_inbox(1).ends_with(stored_text(3)));
    EXPECT_EQ(read_file(state_file(peer)), head(peer) + "aaa\r\nbbb\r\n" + longest + "\r\n");
    EXPECT_NE(ui.status_text().find("Found 3.\r\nAlready received: 2\r\n#3 "), std::string::npos) << ui.status_text();
}

TEST_F(UidlReceiveTest, NothingNewOnAKeptMailboxIsNoNewMail) {
    ScriptedPeer peer(with(session_start(pipelining, 2, uidl_listing({"aaa", "bbb"})),
                           {peer_receive("quit\r\n"), peer_send("+OK bye\r\n")}));
    state_before(peer, "gone\r\naaa\r\nbbb\r\n");
    account_at(peer, 0);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 0);
    EXPECT_EQ(peer.received(), std::string(login_wire) + "quit\r\n");
    EXPECT_TRUE(inbox().empty());
    EXPECT_EQ(read_file(state_file(peer)), head(peer) + "aaa\r\nbbb\r\n");
    EXPECT_NE(ui.status_text().find("Found 2.\r\nAlready received: 2\r\nYou have no new mail.\r\n"), std::string::npos)
        << ui.status_text();
}

// A server that refuses UIDL or lists the ids wrongly: that session stores
// every message, as without a state, and the state stays as it was.
TEST_F(UidlReceiveTest, ARefusedOrMalformedListingDownloadsEverything) {
    const std::string listings[] = {
        "-ERR unknown command\r\n",
        "+OK\r\n1 aaa\r\n2 aaa\r\n.\r\n",                  // one id twice
        "+OK\r\n1 aaa\r\n1 bbb\r\n.\r\n",                  // one number twice
        "+OK\r\n1 aaa\r\n3 bbb\r\n.\r\n",                  // a number not listed
        "+OK\r\n1 aaa\r\n.\r\n",                           // a message without an id
        "+OK\r\n1 aaa\r\n2 bbb\r\n3 ccc\r\n.\r\n",         // more than listed
        "+OK\r\n1 aaa\r\n2 b b\r\n.\r\n",                  // a blank in an id
        "+OK\r\n1 aaa\r\n2 " + std::string(71, 'b') + "\r\n.\r\n",  // too long
        "+OK\r\n1 aaa\r\n2bbb\r\n.\r\n",                   // no blank at all
        "+OK\r\n1 aaa\r\n2 bbb\n.\r\n",                    // a bare line feed
    };
    int files = 0;
    for (const std::string& listing : listings) {
        SCOPED_TRACE(listing);
        ScriptedPeer peer(with(session_start(no_pipelining, 2, listing),
                               {peer_receive("retr 1\r\n"), peer_send(retr_reply(1)), peer_receive("retr 2\r\n"),
                                peer_send(retr_reply(2)), peer_receive("quit\r\n"), peer_send("+OK\r\n")}));
        state_before(peer, "aaa\r\n");
        account_at(peer, 0);
        size_t shown = ui.status_text().size();
        EXPECT_EQ(receive_job(recorder_jobs(), 0), 2);
        files += 2;
        EXPECT_EQ(inbox().size(), static_cast<size_t>(files));
        EXPECT_EQ(read_file(state_file(peer)), head(peer) + "aaa\r\n");
        EXPECT_NE(ui.status_text().find("Found 2.\r\nServer does not support UIDL: every message is downloaded.\r\n#1 ",
                                        shown),
                  std::string::npos)
            << ui.status_text().substr(shown);
    }
}

// An id that cannot be put on the disk ends the session without its DELE
// and without QUIT: the server keeps the message, which is in the inbox.
TEST_F(UidlReceiveTest, AnIdThatCannotBeRecordedEndsTheSessionWithoutQuit) {
    record.fail_flush_at = 2;
    ScriptedPeer peer(with(session_start(no_pipelining, 2, uidl_listing({"aaa", "bbb"})),
                           {peer_receive("retr 1\r\n"), peer_send(retr_reply(1)), peer_receive("quit\r\n")}));
    account_at(peer);
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 1);
    EXPECT_EQ(peer.received(), std::string(login_wire) + "retr 1\r\n");
    EXPECT_EQ(inbox(), (std::vector<std::string>{"mm1.eml"}));
    EXPECT_FALSE(fs::exists(state_file(peer)));
    EXPECT_TRUE(fs::is_empty(folder_ / "uidl"));
    EXPECT_NE(ui.status_text().find(uidl_state_path(server(peer).c_str(), "u") +
                                    ": could not write file to disk.\r\nError 1: Cannot download messages.\r\n"),
              std::string::npos)
        << ui.status_text();
}

// Dovecot announces PIPELINING: forty messages, more than the window holds,
// each stored once, and the mailbox empty only after all are in the inbox.
TEST_F(DurableReceiveTest, DovecotPipelinesAWholeMailbox) {
    REQUIRE_REAL_SERVERS();
    clear_mailbox("bob");
    for (int n = 1; n <= 40; n++) deliver("bob", message(n));
    account_on_port(real_servers().pop3_port, ACCOUNT_DELETE_FROM_SERVER, "bob", "bobpw");
    EXPECT_EQ(receive_job(recorder_jobs(), 0), 40) << ui.status_text();
    ASSERT_EQ(inbox().size(), 40u);
    std::vector<std::string> texts;
    for (int n = 1; n <= 40; n++) {
        std::string t = in_inbox(n);
        texts.push_back(t.substr(t.find("Subject:")));
    }
    std::sort(texts.begin(), texts.end());
    std::vector<std::string> expected;
    for (int n = 1; n <= 40; n++) expected.push_back(stored_text(n));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(texts, expected);
    EXPECT_TRUE(mailbox_messages("bob").empty());
    // Each message's file, and each message's id in the mailbox's state.
    EXPECT_EQ(record.flushes, 80);
    EXPECT_TRUE(record.steps.back().starts_with("sync maildir\\inbox")) << record.steps.back();
}

// An IMAP folder downloaded in delete mode: each message's file, its move
// and its folder on the disk, then its UID recorded, before the next
// message moves in; the records written through once for the batch; the
// messages are marked and expunged only after all of that.
TEST_F(DurableReceiveTest, ImapRecordsEachUidAfterItsMessageAndDeletesLast) {
    std::string fetches, bodies;
    const int uids[] = {5, 9, 12};
    for (int n = 1; n <= 3; n++) {
        const std::string uid = std::to_string(uids[n - 1]), tag = "A" + std::to_string(n + 2);
        fetches += tag + " UID FETCH " + uid + " (UID BODY.PEEK[])\r\n";
        bodies += "* " + std::to_string(n) + " FETCH (UID " + uid + " BODY[] {" + std::to_string(message(n).size()) +
                  "}\r\n" + message(n) + ")\r\n" + tag + " OK\r\n";
    }
    const std::string to_fetch = "A1 SELECT \"INBOX\"\r\nA2 UID FETCH 1:* (UID RFC822.SIZE)\r\n" + fetches;
    ScriptedPeer peer({peer_receive("A1 SELECT \"INBOX\"\r\n"),
                       peer_send("* 3 EXISTS\r\n* OK [UIDVALIDITY 77] ok\r\nA1 OK [READ-WRITE] done\r\n"),
                       peer_receive("A2 UID FETCH 1:* (UID RFC822.SIZE)\r\n"),
                       peer_send("* 1 FETCH (UID 5 RFC822.SIZE 20)\r\n* 2 FETCH (UID 9 RFC822.SIZE 20)\r\n"
                                 "* 3 FETCH (UID 12 RFC822.SIZE 20)\r\nA2 OK\r\n"),
                       peer_receive(fetches), peer_send(bodies),
                       peer_receive("A6 UID STORE 5,9,12 +FLAGS.SILENT (\\Deleted)\r\n"), peer_send("A6 OK\r\n"),
                       peer_receive("A7 UID EXPUNGE 5,9,12\r\n"), peer_send("A7 OK\r\n"), peer_silent(5000)});
    record.peer = &peer;
    RecorderSink sink;
    MailSession s(sink, peer.connect_client());
    int count = 0;
    ImapDownloadOptions options{.delete_after = true, .uidplus = true};
    ASSERT_EQ(imap_download(s, "peer", "u", "INBOX", "maildir\\inbox", options, &count), 0) << ui.status_text();
    EXPECT_EQ(count, 3);
    const std::string state = uidl_state_path("peer", "u", "INBOX");
    const std::string heard = " | heard: " + to_fetch;
    // The files through to the disk as one batch; then each moved in and
    // its folder written through before its UID is recorded and the next
    // moves (the new state file written whole, the next UIDs appended to
    // it and written through together at the end of the batch).
    EXPECT_EQ(record.steps, (std::vector<std::string>{"flush 1" + heard, "flush 2" + heard, "flush 3" + heard,
                                                      "move maildir\\inbox\\mm1.eml" + heard,
                                                      "sync maildir\\inbox" + heard, "flush 4" + heard,
                                                      "move " + state + heard, "sync uidl" + heard,
                                                      "move maildir\\inbox\\mm2.eml" + heard,
                                                      "sync maildir\\inbox" + heard,
                                                      "move maildir\\inbox\\mm3.eml" + heard,
                                                      "sync maildir\\inbox" + heard, "flush 5" + heard}));
    s.close();
    EXPECT_EQ(peer.received(), to_fetch + "A6 UID STORE 5,9,12 +FLAGS.SILENT (\\Deleted)\r\nA7 UID EXPUNGE 5,9,12\r\n");
    EXPECT_EQ(read_file("maildir/inbox/mm3.eml").substr(read_file("maildir/inbox/mm3.eml").find("Subject")),
              stored_text(3));
    ImapState kept;
    ASSERT_EQ(imap_state_load(&kept, "peer", "u", "INBOX"), 0);
    EXPECT_EQ(kept.uidvalidity, 77u);
    EXPECT_EQ(kept.highest, 12u);
    EXPECT_EQ(kept.appended, 2);
}

}  // namespace
