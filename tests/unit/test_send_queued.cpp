// The Send Queued job against scripted peers: what is sent, what stays in
// the outbox, the status window and the busy folder.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/settings.h"
#include "core/sys_files.h"
#include "format/dates.h"
#include "store/busy_folders.h"
#include "store/durable_files.h"
#include "tests/unit/smtp_test_support.h"
#include "tests/unit/tls_stand_in.h"
#include "transport/send_queued.h"

namespace {

LocalTime sending_time() { return LocalTime{2026, 12, 6, 13, 32, 38, 0, 0}; }
int sending_bias() { return -60; }
const DateClock sending_clock{sending_time, sending_bias};

std::vector<std::string> removed_rows;
bool outbox_busy_while_sending = false;
int row_result = 0;

// The durable steps of the sent-items copies, and when the queued file went.
std::vector<std::string> steps;
bool fail_flush = false;
int record_flush(std::FILE* f) {
    steps.push_back("flush");
    return fail_flush ? -1 : sys_flush_file(f);
}
int record_move(const char* from, const char* to) {
    steps.push_back(std::string("move ") + to);
    return sys_rename_through(from, to);
}
int record_sync(const char* folder) {
    steps.push_back(std::string("sync ") + folder);
    return sys_sync_folder(folder);
}
const DurableFiles recording_files{record_flush, record_move, record_sync, sys_start_flush};

int record_row(const char* folder, int number) {
    steps.push_back("queued file removed");
    removed_rows.push_back(std::string(folder) + " " + std::to_string(number));
    outbox_busy_while_sending = busy_folders_contains("maildir\\outbox") == 1;
    return row_result;
}

class SendQueuedTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        make_send_folders();
        load_accounts({});
        busy_folders_init();
        date_clock_install(&sending_clock);
        removed_rows.clear();
        row_result = 0;
        outbox_busy_while_sending = false;
        set_sent_row_remover(record_row);
        steps.clear();
        fail_flush = false;
        durable_files_install(&recording_files);
    }
    void TearDown() override {
        durable_files_install(nullptr);
        set_sent_row_remover(nullptr);
        date_clock_install(nullptr);
        FolderTest::TearDown();
    }
    void queue(int number, const ScriptedPeer& peer, const std::string& subject, const char* options = "0") {
        Outgoing m;
        m.server = server_text(peer.address());
        m.options = options;
        m.subject = subject;
        write_file(folder_ / "maildir/outbox" / ("mm" + std::to_string(number) + ".eml"), outgoing_file(m));
    }
    UiRecorder ui;
};

TEST_F(SendQueuedTest, EmptyOutboxSaysSo) {
    EXPECT_EQ(send_queued(recorder_jobs()), 0);
    EXPECT_EQ(ui.status_text(), "No files to send.\r\nDone.\r\n");
    EXPECT_EQ(ui.job_calls, (std::vector<std::string>{"open -2", "ok 0", "skip 0", "ok 1"}));
    EXPECT_EQ(busy_folders_contains("maildir\\outbox"), 0);
}

TEST_F(SendQueuedTest, AcceptedMessageGoesWithTheDateOfSendingAndRefusedOneStays) {
    ScriptedPeer accepting(plain_session(good_replies()));
    ScriptedPeer refusing(plain_session({"220 hi\r\n", "250 hello\r\n", "250 ok\r\n", "550 unknown user\r\n"}));
    queue(3, accepting, "accepted");
    queue(7, refusing, "refused");
    const std::string refused_file = read_file(folder_ / "maildir/outbox/mm7.eml");

    EXPECT_EQ(send_queued(recorder_jobs()), 1);
    EXPECT_EQ(files_in(folder_ / "maildir/outbox"), std::vector<std::string>{"mm7.eml"});
    EXPECT_EQ(read_file(folder_ / "maildir/outbox/mm7.eml"), refused_file);
    std::string wire = accepting.received();
    EXPECT_NE(wire.find("\r\nSubject: accepted\r\nDate: Sun, 6 Dec 2026 13:32:38 +0100\r\nMIME-Version"),
              std::string::npos)
        << wire;
    EXPECT_EQ(wire.find("Mon, 1 Jan 2024"), std::string::npos);
    EXPECT_EQ(refusing.received().find("data"), std::string::npos);
    EXPECT_EQ(removed_rows, std::vector<std::string>{"maildir\\outbox 3"});
    EXPECT_TRUE(outbox_busy_while_sending);
    EXPECT_EQ(busy_folders_contains("maildir\\outbox"), 0);
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find("550 unknown user\r\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 11), "Errors: 1\r\n");
    EXPECT_EQ(ui.job_calls.front(), "open -2");
    EXPECT_EQ(ui.job_calls.back(), "ok 1");
}

// The messages of one server go over one connection, whatever was queued
// between them: one greeting and HELO, a transaction each, RSET before the
// next after the one the server refused (which stays queued), and one QUIT;
// the other server's message has a connection of its own.
TEST_F(SendQueuedTest, OneConnectionPerServerWithResetAfterARefusal) {
    auto turn = [](const std::string& cue, const std::string& reply) {
        return std::vector<PeerStep>{peer_receive(cue), peer_send(reply)};
    };
    std::vector<PeerStep> script{peer_send("220 hi\r\n")};
    for (const auto& [cue, reply] : std::vector<std::pair<std::string, std::string>>{
             {"helo ", "250 hello\r\n"},
             {"mail from:<a1@", "250 ok\r\n"},
             {"rcpt to:<r1@", "250 ok\r\n"},
             {"data\r\n", "354 go ahead\r\n"},
             {"body one\r\n.\r\n", "250 queued 1\r\n"},
             {"mail from:<a2@", "250 ok\r\n"},
             {"rcpt to:<r2@", "550 unknown user\r\n"},
             {"rset\r\n", "250 reset\r\n"},
             {"mail from:<a4@", "250 ok\r\n"},
             // The go-ahead for DATA comes with this reply, before "data" is sent.
             {"rcpt to:<r4@", "250 ok\r\n354 go ahead\r\n"},
             {"body four\r\n.\r\n", "250 queued 4\r\n"},
             {"quit\r\n", "221 bye\r\n"}})
        script = join_steps(script, turn(cue, reply));
    ScriptedPeer one_server(script);
    ScriptedPeer other_server(plain_session(good_replies()));
    for (int n : {1, 2, 3, 4}) {
        Outgoing m;
        m.server = server_text((n == 3 ? other_server : one_server).address());
        m.address = "a" + std::to_string(n) + "@example.test";
        m.recipients = "r" + std::to_string(n) + "@example.test";
        m.body = std::string("body ") + (n == 1 ? "one" : n == 2 ? "two" : n == 3 ? "three" : "four") + "\r\n";
        write_file(folder_ / "maildir/outbox" / ("mm" + std::to_string(n) + ".eml"), outgoing_file(m));
    }

    EXPECT_EQ(send_queued(recorder_jobs()), 1) << ui.status_text();
    EXPECT_EQ(files_in(folder_ / "maildir/outbox"), std::vector<std::string>{"mm2.eml"});
    std::sort(removed_rows.begin(), removed_rows.end());
    EXPECT_EQ(removed_rows, (std::vector<std::string>{"maildir\\outbox 1", "maildir\\outbox 3", "maildir\\outbox 4"}));
    std::string wire = one_server.received();
    auto count = [&wire](const std::string& what) {
        size_t n = 0;
        for (size_t at = wire.find(what); at != std::string::npos; at = wire.find(what, at + 1)) n++;
        return n;
    };
    EXPECT_EQ(count("helo "), 1u) << wire;
    EXPECT_EQ(count("data\r\n"), 2u) << wire;
    EXPECT_EQ(count("quit\r\n"), 1u) << wire;
    EXPECT_NE(wire.find("rcpt to:<r2@example.test>\r\nrset\r\nmail from:<a4@example.test>\r\n"), std::string::npos)
        << wire;
    EXPECT_TRUE(wire.ends_with("body four\r\n.\r\nquit\r\n")) << wire;
    EXPECT_NE(other_server.received().find("body three\r\n.\r\nquit\r\n"), std::string::npos);
    std::string shown = ui.status_text();
    EXPECT_EQ(shown.find("receiveline error"), std::string::npos) << shown;
    EXPECT_NE(shown.find("550 unknown user\r\n"), std::string::npos) << shown;
    EXPECT_TRUE(shown.ends_with("Errors: 1\r\n")) << shown;
}

TEST_F(SendQueuedTest, MessageWithoutDateGetsOne) {
    ScriptedPeer peer(plain_session(good_replies()));
    Outgoing m;
    m.server = server_text(peer.address());
    std::string file = outgoing_file(m);
    size_t at = file.find("Date:");
    file.erase(at, file.find("\r\n", at) + 2 - at);
    write_file(folder_ / "maildir/outbox/mm1.eml", file);
    EXPECT_EQ(send_queued(recorder_jobs()), 0);
    EXPECT_NE(peer.received().find("data\r\nDate: Sun, 6 Dec 2026 13:32:38 +0100\r\nFrom:"), std::string::npos)
        << peer.received();
    EXPECT_TRUE(files_in(folder_ / "maildir/outbox").empty());
}

TEST_F(SendQueuedTest, ListRowThatCannotGoStopsTheJob) {
    ScriptedPeer first(plain_session(good_replies()));
    queue(1, first, "one");
    write_file(folder_ / "maildir/outbox/mm2.eml", read_file(folder_ / "maildir/outbox/mm1.eml"));
    row_result = -1;
    EXPECT_EQ(send_queued(recorder_jobs()), 1);
    // One of the two was sent and its file deleted; the other was never tried.
    EXPECT_EQ(files_in(folder_ / "maildir/outbox").size(), 1u);
    EXPECT_EQ(removed_rows.size(), 1u);
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find("Could not remove list box entry!\r\nErrors: 1\r\n"), std::string::npos) << shown;
}

// Sent items numbered from one look at the folder, each copy on the disk
// before its queued file goes; a copy that cannot be written keeps the
// queued file, the only other copy, and stops the job.
TEST_F(SendQueuedTest, SentItemCopiesAreOnTheDiskBeforeTheQueuedFileGoes) {
    write_file(folder_ / "maildir/sent items/mm8.eml", "older\r\n");
    ScriptedPeer first(plain_session(good_replies()));
    ScriptedPeer second(plain_session(good_replies()));
    queue(1, first, "one", "32");
    queue(2, second, "two", "32");
    EXPECT_EQ(send_queued(recorder_jobs()), 0);
    EXPECT_TRUE(files_in(folder_ / "maildir/outbox").empty());
    EXPECT_EQ(files_in(folder_ / "maildir/sent items"), (std::vector<std::string>{"mm10.eml", "mm8.eml", "mm9.eml"}));
    const std::vector<std::string> one_copy{"flush", "move maildir\\sent items\\mm9.eml", "sync maildir\\sent items",
                                            "queued file removed"};
    ASSERT_EQ(steps.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(steps.begin(), steps.begin() + 4), one_copy);
    EXPECT_EQ(steps[5], "move maildir\\sent items\\mm10.eml");
    EXPECT_EQ(steps[7], "queued file removed");
}

TEST_F(SendQueuedTest, ASentItemThatCannotBeWrittenKeepsTheQueuedFile) {
    fail_flush = true;
    ScriptedPeer first(plain_session(good_replies()));
    queue(1, first, "one", "32");
    write_file(folder_ / "maildir/outbox/mm2.eml", read_file(folder_ / "maildir/outbox/mm1.eml"));
    EXPECT_EQ(send_queued(recorder_jobs()), 1);
    EXPECT_EQ(files_in(folder_ / "maildir/outbox").size(), 2u);
    EXPECT_TRUE(files_in(folder_ / "maildir/sent items").empty());
    EXPECT_TRUE(removed_rows.empty());
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find("Could not save sent item!\r\nErrors: 1\r\n"), std::string::npos) << shown;
    EXPECT_EQ(steps, std::vector<std::string>{"flush"});
}

}  // namespace

// A server that stops answering: the message waits in the outbox as it was,
// the job goes on with the next one, and the time-out is said in front of
// the failure of that step.
TEST_F(SendQueuedTest, ASilentServerTimesOutAndTheNextQueuedMessageGoes) {
    server_timeout_seconds = 1;
    StandInTls stand_in;
    struct Row {
        const char* name;
        std::vector<PeerStep> script;
        int options;
        const char* failure;
        bool pop_first;
    };
    const Row rows[] = {
        {"SMTP silent after connect", {peer_silent(15000)}, 0, "receiveline error\r\n", false},
        {"SMTP silent after the STARTTLS go-ahead",
         {peer_send("220 peer ready\r\n"), peer_receive("ehlo "), peer_send("250-peer\r\n250 STARTTLS\r\n"),
          peer_receive("starttls\r\n"), peer_send("220 go ahead\r\n"), peer_silent(15000)},
         ACCOUNT_SMTP_STARTTLS, "Secure connection failed",
         false},
        {"POP before SMTP silent after the greeting", {peer_send("+OK ready\r\n"), peer_silent(15000)},
         ACCOUNT_POP_BEFORE_SMTP, "receiveline error\r\n", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer silent(row.script);
        ScriptedPeer accepting(plain_session(good_replies()));
        Outgoing first;
        first.server = server_text(row.pop_first ? accepting.address() : silent.address());
        first.options = std::to_string(row.options);
        if (row.pop_first) {
            load_accounts({{first.server, server_text(silent.address()), "alice", "alicepw", row.options}});
            first.account = "0";
        }
        first.subject = "waits";
        write_file(folder_ / "maildir/outbox/mm1.eml", outgoing_file(first));
        const std::string waiting = read_file(folder_ / "maildir/outbox/mm1.eml");
        queue(2, accepting, "goes");
        ui.status_calls.clear();
        removed_rows.clear();

        auto start = std::chrono::steady_clock::now();
        // With POP before SMTP the first message never reaches its SMTP
        // server, the accepting one, which takes the second.
        EXPECT_EQ(send_queued(recorder_jobs()), 1);
        double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("[ timing ] %s: ended after %.2f s (time-out 1 s)\n", row.name, took);
        EXPECT_LT(took, 1 + 4.0);

        std::string shown = ui.status_text();
        std::string timed_out = "Server did not answer within 1 seconds.\r\n";
        size_t at = shown.find(timed_out);
        ASSERT_NE(at, std::string::npos) << shown;
        EXPECT_EQ(shown.compare(at + timed_out.size(), std::strlen(row.failure), row.failure), 0) << shown;
        EXPECT_EQ(read_file(folder_ / "maildir/outbox/mm1.eml"), waiting);
        std::string said = silent.received();
        EXPECT_EQ(said.find("data"), std::string::npos) << said;
        EXPECT_EQ(removed_rows, std::vector<std::string>{"maildir\\outbox 2"});
        sys_remove_file("maildir\\outbox\\mm1.eml");
        sys_remove_file("maildir\\outbox\\mm2.eml");
        load_accounts({});
    }
    server_timeout_seconds = server_timeout_default;
}
