#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/arrays.h"
#include "core/log.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/test_support.h"
#include "transport/connect.h"
#include "transport/socket_lines.h"
#include "transport/smtp_reply.h"

namespace {

std::vector<PeerStep> join(std::vector<PeerStep> a, const std::vector<PeerStep>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class SocketLinesTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        ASSERT_EQ(log_open("zmlog.txt"), 0);
    }
    UiRecorder ui;
    RecorderSink sink;
};

TEST_F(SocketLinesTest, LineSplitByteByByteIsReadWhole) {
    ScriptedPeer peer(join(peer_send_bytewise("+OK POP3 ready\r\n"), {}));
    MailSession s(sink, peer.connect_client());
    Array* line = array_new(520);
    EXPECT_EQ(recv_line(s, line), 0);
    EXPECT_STREQ(line->text, "+OK POP3 ready\r\n");
    s.close();
    delete_arrays(line);
}

// What came with the line in one receive is the next reply's, whichever
// reader reads it.
TEST_F(SocketLinesTest, BytesBehindTheLineEndStayForTheNextReply) {
    ScriptedPeer peer({peer_send("+OK 2 messages\r\n250-one\r\n250 two\r\n+OK\r\n")});
    MailSession s(sink, peer.connect_client());
    Array* line = array_new(520);
    EXPECT_EQ(recv_line(s, line), 0);
    EXPECT_STREQ(line->text, "+OK 2 messages\r\n");
    EXPECT_EQ(smtp_read_reply(s, line), 0);
    EXPECT_STREQ(line->text, "250-one\r\n250 two\r\n");
    EXPECT_EQ(s.behind(), 5);
    EXPECT_EQ(recv_line(s, line), 0);
    EXPECT_STREQ(line->text, "+OK\r\n");
    s.close();
    delete_arrays(line);
}

TEST_F(SocketLinesTest, PeerHangingUpMidLineEndsTheRead) {
    ScriptedPeer peer({peer_send("+OK hal"), peer_pause(50), peer_close()});
    MailSession s(sink, peer.connect_client());
    Array* line = array_new(520);
    EXPECT_EQ(recv_line(s, line), -1);
    s.close();
    delete_arrays(line);
}

TEST_F(SocketLinesTest, LineLongerThanTheBufferIsAFailureNotAWait) {
    ScriptedPeer peer({peer_send(std::string(600, 'x')), peer_pause(300)});
    MailSession s(sink, peer.connect_client());
    Array* line = array_new(520);
    EXPECT_EQ(recv_line(s, line), -1);
    EXPECT_EQ(std::string(line->text), std::string(519, 'x'));
    s.close();
    delete_arrays(line);
}

TEST_F(SocketLinesTest, Pop3CommandGoesOutAsGivenAndPlusIsSuccess) {
    ScriptedPeer peer({peer_receive("\r\n"), peer_send("+OK\r\n")});
    MailSession s(sink, peer.connect_client());
    EXPECT_EQ(send_pop3_command(s, "USER alice\r\n", false), 0);
    s.close();
    EXPECT_EQ(peer.received(), "USER alice\r\n");
    EXPECT_EQ(ui.status_text(), "");
}

TEST_F(SocketLinesTest, NegativePop3ReplyIsShownAndFails) {
    ScriptedPeer peer({peer_receive("\r\n"), peer_send("-ERR [AUTH] Authentication failed.\r\n")});
    MailSession s(sink, peer.connect_client());
    EXPECT_EQ(send_pop3_command(s, "PASS wrong\r\n", false), -1);
    s.close();
    EXPECT_EQ(ui.status_text(), "-ERR [AUTH] Authentication failed.\r\n\r\nIncorrect response from server.\r\n");
    std::string log = read_file(folder_ / "zmlog.txt");
    EXPECT_NE(log.find("] -ERR [AUTH] Authentication failed.\r\n"), std::string::npos);
}

TEST_F(SocketLinesTest, SmtpIntermediateReplyIsSuccessAnd421Fails) {
    ScriptedPeer peer({peer_receive("DATA\r\n"), peer_send("354 go ahead\r\n"), peer_receive("QUIT\r\n"),
                       peer_send("421 closing\r\n")});
    MailSession s(sink, peer.connect_client());
    EXPECT_EQ(smtp_command(s, "DATA\r\n", false), 0);
    EXPECT_EQ(smtp_command(s, "QUIT\r\n", false), -1);
    s.close();
    EXPECT_EQ(ui.status_text(), "421 closing\r\n");
}

TEST_F(SocketLinesTest, ReplyThatNeverComesIsAReceiveError) {
    ScriptedPeer peer({peer_receive("\r\n"), peer_close()});
    MailSession s(sink, peer.connect_client());
    EXPECT_EQ(smtp_command(s, "NOOP\r\n", false), -1);
    s.close();
    EXPECT_EQ(ui.status_text(), "receiveline error\r\n");
}

// A server that takes nothing more: once the connection's buffers are full
// the send waits, and gives up after the time-out like a receive; nothing
// more goes over that connection afterwards.
TEST_F(SocketLinesTest, ASendThatCannotGoOutTimesOut) {
    // Reads nothing: the system may still free some room in the first
    // seconds, after which a send waits in vain. The pause outlasts any
    // bound of the test; the peer's end cuts it short.
    ScriptedPeer peer({peer_pause(120000)});
    MailSession s(sink, peer.connect_client());
    ASSERT_EQ(s.watch(1, 1), 0);
    const std::string bulk(64 * 1024 * 1024, 'x');  // more than loopback buffers hold
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(s.send_all(bulk.data(), static_cast<int>(bulk.size())), -1);
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ timing ] a send blocked by a server that reads nothing: failed after %.2f s (time-out 1 s)\n",
                took);
    // Bounded well above the time-out: how long a system keeps freeing
    // room differs between kernels; a send that never gives up does not end.
    EXPECT_LT(took, 30.0);
    EXPECT_TRUE(s.timed_out());
    EXPECT_EQ(ui.status_text(), "Server did not answer within 1 seconds.\r\n");
    EXPECT_EQ(send_pop3_command(s, "quit\r\n", true), -1);
    s.close();
}

TEST_F(SocketLinesTest, SendOnlyReadsNothing) {
    ScriptedPeer peer({peer_receive("\r\n")});
    MailSession s(sink, peer.connect_client());
    EXPECT_EQ(smtp_command(s, "QUIT\r\n", true), 0);
    s.close();
    EXPECT_EQ(peer.received(), "QUIT\r\n");
}

class BodyTest : public SocketLinesTest {
protected:
    // Receives a body through a scripted peer into a file; returns the result.
    int receive(std::vector<PeerStep> script, BodyTransfer t) {
        ScriptedPeer peer(std::move(script));
        MailSession s(sink, peer.connect_client());
        std::FILE* f = std::fopen((folder_ / "body.eml").string().c_str(), "wb");
        int result = recv_body_to_file(f, s, t);
        std::fclose(f);
        s.close();
        return result;
    }
    BodyTransfer pop3(int step_bytes = 100) {
        return {.terminator = "\r\n.\r\n",
                .step_bytes = step_bytes,
                .step_count = 100,
                .dot_stuffed = true,
                .at_line_start = true};
    }
    std::string body() { return read_file(folder_ / "body.eml"); }
};

TEST_F(BodyTest, TerminatorIsNotStoredAndTheLastLineKeepsItsCharacters) {
    EXPECT_EQ(receive({peer_send("Subject: x\r\n\r\nlast line\r\n.\r\n")}, pop3()), BODY_COMPLETE);
    EXPECT_EQ(body(), "Subject: x\r\n\r\nlast line");
}

TEST_F(BodyTest, TerminatorSplitAcrossChunksIsFound) {
    std::vector<PeerStep> script = {peer_send("line one\r\nline two\r"), peer_pause(30), peer_send("\n."),
                                    peer_pause(30), peer_send("\r"), peer_pause(30), peer_send("\nafter")};
    EXPECT_EQ(receive(script, pop3()), BODY_COMPLETE);
    EXPECT_EQ(body(), "line one\r\nline two");
}

TEST_F(BodyTest, StuffedDotsLoseTheirExtraDot) {
    EXPECT_EQ(receive({peer_send("..a line\r\n...\r\n..\r\nmid.dle\r\n.x\r\n.\r\n")}, pop3()), BODY_COMPLETE);
    EXPECT_EQ(body(), ".a line\r\n..\r\n.\r\nmid.dle\r\nx");
}

TEST_F(BodyTest, FirstLineDotDependsOnWhereTheBodyStarts) {
    BodyTransfer t = pop3();
    EXPECT_EQ(receive({peer_send("..first\r\n.\r\n")}, t), BODY_COMPLETE);
    EXPECT_EQ(body(), ".first");
    t.at_line_start = false;
    EXPECT_EQ(receive({peer_send("..rest\r\n.\r\n")}, t), BODY_COMPLETE);
    EXPECT_EQ(body(), "..rest");
}

TEST_F(BodyTest, ConnectionClosedBeforeTheEndIsAFailure) {
    EXPECT_EQ(receive({peer_send("Subject: cut\r\n\r\nhalf a mess"), peer_pause(30), peer_close()}, pop3()),
              BODY_FAILED);
    EXPECT_EQ(body(), "Subject: cut\r\n\r\nhalf a");  // the window still holds the rest
}

TEST_F(BodyTest, SkipServerEndsTheReadBeforeTheNextReceive) {
    ui.skip = true;
    EXPECT_EQ(receive({peer_send("anything\r\n.\r\n")}, pop3()), BODY_SKIPPED);
    EXPECT_EQ(body(), "");
}

TEST_F(BodyTest, ProgressFillsTheBarOnceAndNoMore) {
    std::string big(20000, 'a');
    EXPECT_EQ(receive({peer_send(big + "\r\n.\r\n")}, pop3(100)), BODY_COMPLETE);
    EXPECT_EQ(ui.progress_steps, 100);
    EXPECT_EQ(body(), big);
}

TEST_F(BodyTest, LargeBodyArrivesByteIdentical) {
    std::string text;
    for (int i = 0; i < 20000; i++) text += "line " + std::to_string(i) + (i % 7 ? "" : " with more") + "\r\n";
    text += "end";
    EXPECT_EQ(receive({peer_send(text + "\r\n.\r\n")}, pop3(4096)), BODY_COMPLETE);
    EXPECT_EQ(body(), text);
}

TEST_F(SocketLinesTest, SplitServerPort) {
    Array* server = array_new(100);
    array_copy(server, "mail.example.test:995");
    EXPECT_EQ(split_server_port(server, 110), 995);
    EXPECT_STREQ(server->text, "mail.example.test");
    array_copy(server, "mail.example.test");
    EXPECT_EQ(split_server_port(server, 25), 25);
    for (const char* bad : {"host:0", "host:65536", "host:", "host:abc"}) {
        array_copy(server, bad);
        EXPECT_EQ(split_server_port(server, 110), 0) << bad;
        EXPECT_STREQ(server->text, "host");
    }
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>(4, "Invalid port number entered!"));
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
    delete_arrays(server);
}

TEST_F(SocketLinesTest, ResolveServer) {
    uint32_t address = 0;
    EXPECT_EQ(resolve_server("127.0.0.1", &address), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&address), 4), std::string("\x7f\0\0\x01", 4));
    address = 0;
    EXPECT_EQ(resolve_server("localhost", &address), 0);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(&address)[0], 127);
    EXPECT_EQ(resolve_server("no-such-host.invalid", &address), -1);
}

}  // namespace
