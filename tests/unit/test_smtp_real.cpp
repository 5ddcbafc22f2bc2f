// The SMTP session and Send Queued against the real exim on loopback: the
// message arrives in alice's Maildir as it was sent, with CRAM-MD5 and with
// PLAIN, and a recipient exim refuses leaves the message queued.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/sys_time.h"
#include "store/busy_folders.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/relay.h"
#include "tests/unit/smtp_test_support.h"
#include "transport/send_queued.h"
#include "transport/smtp_session.h"

namespace {

namespace fs = std::filesystem;

fs::path maildir_root() {
#ifdef _WIN32
    const char* root = std::getenv("ZM_MAILDIR_ROOT_WIN");
#else
    const char* root = std::getenv("ZM_MAILDIR_ROOT");
#endif
    return root ? fs::path(root) : fs::path();
}

// The message in alice's mailbox whose subject holds the token, as exim
// stored it (with line feeds for line ends); waits for the delivery.
std::string delivered_to_alice(const std::string& token) {
    fs::path box = maildir_root() / "alice" / "Maildir";
    for (int tries = 0; tries < 100; tries++) {
        for (const char* part : {"new", "cur"}) {
            std::error_code ignored;
            for (const auto& e : fs::directory_iterator(box / part, ignored)) {
                std::string text = read_file(e.path());
                if (text.find("Subject: " + token + "\n") != std::string::npos) return text;
            }
        }
        sys_sleep_ms(100);
    }
    return "";
}

// The "Envelope-to" addresses of every message in sink's mailbox whose
// subject holds the token, once `expected` of them arrived (or the wait
// ended).
std::vector<std::string> envelopes_in_sink(const std::string& token, size_t expected) {
    fs::path box = maildir_root() / "sink" / "Maildir";
    std::vector<std::string> found;
    for (int tries = 0; tries < 300 && found.size() < expected; tries++) {
        if (tries) sys_sleep_ms(100);
        found.clear();
        for (const char* part : {"new", "cur"}) {
            std::error_code ignored;
            for (const auto& e : fs::directory_iterator(box / part, ignored)) {
                std::string text = read_file(e.path());
                if (text.find("Subject: " + token + "\n") == std::string::npos) continue;
                size_t at = text.find("Envelope-to: ");
                if (at == std::string::npos) continue;
                std::string value = text.substr(at + 13, text.find('\n', at) - at - 13);
                // One delivery may name several, separated by ", ".
                for (size_t start = 0; start <= value.size();) {
                    size_t comma = value.find(", ", start);
                    if (comma == std::string::npos) comma = value.size();
                    found.push_back(value.substr(start, comma - start));
                    start = comma + 2;
                }
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string with_line_feeds(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

std::string unique_token(const char* what) {
    std::random_device seed;
    return std::string(what) + "-" + std::to_string(seed()) + "-" + std::to_string(seed());
}

// Base64 lines like those of an attachment, lines beginning with dots and a
// line that holds only a dot.
std::string awkward_body() {
    std::string body = "Here is the file.\r\n.\r\n..\r\n.hidden line\r\n...three\r\n\r\n";
    std::mt19937 random(7);
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int line = 0; line < 400; line++) {
        std::string text;
        for (int i = 0; i < 76; i++) text += alphabet[random() % 64];
        if (line % 50 == 0) text[0] = '.';
        body += text + "\r\n";
    }
    return body + "QUJD\r\n.\r\nend of the message\r\n";
}

class RealSmtpTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        make_send_folders();
        load_accounts({});
        busy_folders_init();
    }
    // An account that logs in to exim as alice, and a message from it.
    Outgoing from_alice(const std::string& server, int options, const std::string& token) {
        load_accounts({{server, "", "alice", "alicepw", options}});
        Outgoing m;
        m.server = server;
        m.account = "0";
        m.options = std::to_string(options | 32);
        m.recipients = "alice@example.test";
        m.subject = token;
        m.body = awkward_body();
        return m;
    }
    void expect_intact(const Outgoing& m) {
        std::string stored = delivered_to_alice(m.subject);
        ASSERT_FALSE(stored.empty()) << "nothing arrived for " << m.subject;
        // exim puts its own lines in front; from the first line of ours on,
        // the message is as it was sent.
        size_t ours = stored.find("From: \"Alice\"");
        ASSERT_NE(ours, std::string::npos) << stored;
        EXPECT_EQ(stored.substr(ours), with_line_feeds(without_private_fields(m)));
        EXPECT_EQ(stored.find("X-ZM"), std::string::npos);
    }
    void expect_sent_item(const Outgoing& m) {
        EXPECT_EQ(files_in(folder_ / "maildir/sent items"), std::vector<std::string>{"mm1.eml"});
        std::string kept = read_file(folder_ / "maildir/sent items/mm1.eml");
        EXPECT_EQ(kept, without_private_fields(m));
        EXPECT_EQ(kept.find("X-ZM"), std::string::npos);
    }
    UiRecorder ui;
    RecorderSink status;
};

TEST_F(RealSmtpTest, CramMd5MessageArrivesIntact) {
    REQUIRE_REAL_SERVERS();
    Relay relay(real_servers().smtp_port);
    Outgoing m = from_alice(server_text(relay.address()), 2, unique_token("cram"));
    write_file("maildir/outbox/mm1.eml", outgoing_file(m));
    ASSERT_EQ(smtp_send_file(status, "maildir\\outbox\\mm1.eml"), 0) << ui.status_text();
    std::string wire = relay.client_bytes();
    EXPECT_NE(wire.find("\r\nauth cram-md5\r\n"), std::string::npos) << wire.substr(0, 200);
    EXPECT_EQ(wire.find("auth plain"), std::string::npos);
    expect_intact(m);
    expect_sent_item(m);
}

TEST_F(RealSmtpTest, PlainMessageArrivesIntactWhenCramMd5IsNotOffered) {
    REQUIRE_REAL_SERVERS();
    Relay relay(real_servers().smtp_port, hiding_cram_md5());
    Outgoing m = from_alice(server_text(relay.address()), 2, unique_token("plain"));
    write_file("maildir/outbox/mm1.eml", outgoing_file(m));
    ASSERT_EQ(smtp_send_file(status, "maildir\\outbox\\mm1.eml"), 0) << ui.status_text();
    std::string wire = relay.client_bytes();
    EXPECT_NE(wire.find("\r\nauth plain\r\n"), std::string::npos) << wire.substr(0, 200);
    EXPECT_EQ(wire.find("cram-md5"), std::string::npos);
    expect_intact(m);
    expect_sent_item(m);
}

TEST_F(RealSmtpTest, WrongPasswordIsRefusedByExim) {
    REQUIRE_REAL_SERVERS();
    load_accounts({{server_text(real_servers().smtp_port), "", "alice", "not alices", 2}});
    Outgoing m;
    m.server = server_text(real_servers().smtp_port);
    m.account = "0";
    m.options = "2";
    write_file("maildir/outbox/mm1.eml", outgoing_file(m));
    EXPECT_EQ(smtp_send_file(status, "maildir\\outbox\\mm1.eml"), -1);
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find("535 "), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 31), "Cram-md5 authorisation error!\r\n");
}

TEST_F(RealSmtpTest, RecipientEximRefusesLeavesTheMessageQueued) {
    REQUIRE_REAL_SERVERS();
    Outgoing m;
    m.server = server_text(real_servers().smtp_port);
    m.recipients = "alice@example.test,nobody-here@example.test";
    m.subject = unique_token("refused");
    write_file("maildir/outbox/mm1.eml", outgoing_file(m));
    EXPECT_EQ(send_queued(recorder_jobs()), 1);
    EXPECT_EQ(read_file(folder_ / "maildir/outbox/mm1.eml"), outgoing_file(m));
    std::string shown = ui.status_text();
    EXPECT_NE(shown.find("Connected to server.\r\n550 unknown user <nobody-here@example.test>\r\nErrors: 1\r\n"),
              std::string::npos)
        << shown;
}

TEST_F(RealSmtpTest, SendQueuedDeliversAndEmptiesTheOutbox) {
    REQUIRE_REAL_SERVERS();
    std::vector<Outgoing> queued(3);
    for (size_t i = 0; i < queued.size(); i++) {
        queued[i].server = server_text(real_servers().smtp_port);
        queued[i].recipients = "alice@example.test";
        queued[i].subject = unique_token("queued");
        queued[i].body = awkward_body();
        write_file(folder_ / "maildir/outbox" / ("mm" + std::to_string(i + 1) + ".eml"), outgoing_file(queued[i]));
    }
    EXPECT_EQ(send_queued(recorder_jobs()), 0) << ui.status_text();
    EXPECT_TRUE(files_in(folder_ / "maildir/outbox").empty());
    for (const Outgoing& m : queued) {
        std::string stored = delivered_to_alice(m.subject);
        size_t body = stored.find("\n\n");
        ASSERT_NE(body, std::string::npos);
        EXPECT_EQ(stored.substr(body + 2), with_line_feeds(m.body));
        EXPECT_EQ(stored.find("Mon, 1 Jan 2024"), std::string::npos);
    }
    EXPECT_EQ(ui.status_text().substr(ui.status_text().size() - 7), "Done.\r\n");
}

// 100 addresses of 60 characters, 6099 characters of "X-ZMRecipients":
// exim takes every one whole, and each gets the message.
TEST_F(RealSmtpTest, AMessageToOneHundredLongAddressesReachesEach) {
    REQUIRE_REAL_SERVERS();
    std::string token = unique_token("hundred");
    Outgoing m = from_alice(server_text(real_servers().smtp_port), 2, token);
    std::vector<std::string> addresses;
    m.recipients.clear();
    for (int i = 0; i < 100; i++) {
        // Other domains than the servers' own land in sink's mailbox.
        std::string domain = "@d" + std::to_string(i) + ".example.net";
        std::string local = token.substr(0, 20) + "-" + std::to_string(i) + "-";
        addresses.push_back(local + std::string(60 - local.size() - domain.size(), 'x') + domain);
        m.recipients += (i ? "," : "") + addresses.back();
    }
    ASSERT_EQ(m.recipients.size(), 6099u);
    write_file("maildir/outbox/mm1.eml", outgoing_file(m));
    ASSERT_EQ(smtp_send_file(status, "maildir\\outbox\\mm1.eml"), 0) << ui.status_text();
    EXPECT_NE(ui.status_text().find("KB to 100 recipients.\r\n"), std::string::npos) << ui.status_text();
    std::vector<std::string> arrived = envelopes_in_sink(token, addresses.size());
    std::sort(addresses.begin(), addresses.end());
    EXPECT_EQ(arrived, addresses);
}

}  // namespace
