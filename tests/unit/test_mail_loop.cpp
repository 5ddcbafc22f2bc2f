// The whole mail loop through the real servers: a message composed with text
// and attachments goes into "maildir\outbox", Send Queued hands it to exim,
// and the receive job fetches it from dovecot into the account's inbox,
// where it is read back as the user would see it: the decoded text, and
// attachment files byte for byte as they were attached.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "client/attachment_job.h"
#include "client/client_accounts.h"
#include "client/client_keys.h"
#include "client/client_settings.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/sys_time.h"
#include "format/address_list.h"
#include "format/encryption.h"
#include "format/message_builder.h"
#include "format/message_display.h"
#include "format/password_key.h"
#include "store/built_messages.h"
#include "store/busy_folders.h"
#include "store/list_mirror.h"
#include "store/message_summary.h"
#include "tests/unit/builder_fixture.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/relay.h"
#include "tests/unit/smtp_test_support.h"
#include "transport/pop3_jobs.h"
#include "transport/send_queued.h"
#include "transport/socks_config.h"

namespace fs = std::filesystem;

namespace {

const std::string received_lines = "X-ZMRead: FALSE\r\nX-ReceivedDate: Sun, 6 Dec 2026 13:32:38 +0100\r\n";

std::string all_byte_values() {
    std::string bytes;
    for (int round = 0; round < 3; round++)
        for (int i = 0; i < 256; i++) bytes += static_cast<char>(i);
    return bytes;
}

std::string random_bytes(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

std::string unique_token(const char* what) {
    std::random_device seed;
    return std::string(what) + "-" + std::to_string(seed()) + "-" + std::to_string(seed());
}

struct Attachment {
    std::string name;
    std::string bytes;
};

struct Letter {
    std::string subject;
    std::string text;  // Latin-1
    std::vector<Attachment> attachments;
    bool encrypt = false;
};

// A text of several lines with a Latin-1 letter, a long line that the
// encoder must break, and the characters quoted-printable escapes.
std::string letter_text(const std::string& token) {
    return "Hello Bob,\r\n\r\nthe figures for " + token + " are attached.\r\nCaf\xe9 at 8 = fine\r\n" +
           std::string(150, 'x') + "\r\n\ttabbed line \r\nRegards,\r\nAlice\r\n";
}

Letter two_attachments(const std::string& token, size_t big_size) {
    return Letter{token, letter_text(token),
                  {{"all_bytes.bin", all_byte_values()}, {"big.bin", random_bytes(big_size, 11)}}};
}

// Messages in the user's mailbox on the server, delivered or not yet seen.
size_t mailbox_count(const std::string& user) {
    size_t n = 0;
    std::error_code ignored;
    for (const char* sub : {"new", "cur"})
        for (auto it = fs::directory_iterator(maildir(user) / sub, ignored); it != fs::directory_iterator(); ++it) n++;
    return n;
}

// exim delivers on its own time; waits up to 30 s for the count.
bool wait_for_mailbox(const std::string& user, size_t count) {
    for (int waited = 0; waited < 300; waited++) {
        if (mailbox_count(user) == count) return true;
        sys_sleep_ms(100);
    }
    return mailbox_count(user) == count;
}

const auto extraction_window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(5));

struct Line {
    std::string text;
};
void line_clear(void* context) { static_cast<Line*>(context)->text.clear(); }
void line_append(void* context, const char* text) { static_cast<Line*>(context)->text += text; }

class MailLoopTest : public BuilderTest {
protected:
    void SetUp() override {
        BuilderTest::SetUp();
        ASSERT_EQ(log_open("zmlog.txt"), 0);
        for (const char* folder : {"maildir/inbox", "maildir/sent items"}) fs::create_directories(folder_ / folder);
        array_copy(app.current_folder, "maildir\\drafts");
        array_clear(app.new_mail_command);
        busy_folders_init();
        install_settings_menu();
        if (real_servers().present) clear_mailbox("bob");
    }
    void TearDown() override {
        socks_config.configured = 0;
        settings_flags = 0;
        log_close();
        fs::remove(folder_ / "pwdkey.dat");
        password_key_load();
        BuilderTest::TearDown();
    }

    // Account 0: bob, sending through `smtp` and receiving from `pop3`.
    void account(const std::string& smtp, const std::string& pop3, int options) {
        load_accounts({{smtp, pop3, "bob", "bobpw", options}});
    }
    // Builds the letter from alice to bob into the outbox, with the
    // account's server.
    void queue(const Letter& letter) {
        std::u16string units;
        for (char c : letter.text) units += static_cast<char16_t>(static_cast<unsigned char>(c));
        ComposeFields f = fields(units);
        f.server = account_field(0, ACCOUNT_SMTP_SERVER);
        f.from = "\"Alice\" <alice@example.test>";
        f.to = "\"Bob\" <bob@example.test>";
        f.subject = letter.subject.c_str();
        f.encrypt = letter.encrypt;
        for (const Attachment& a : letter.attachments) attach(&f, a.name, a.bytes);
        ASSERT_EQ(build_into_folder(&f, "maildir\\outbox", false, nullptr), 0) << ui.box_texts().size();
    }
    // Send Queued, which must send everything and leave the outbox empty.
    void send_all() {
        size_t before = ui.status_text().size();
        send_queued(recorder_jobs());
        std::string shown = ui.status_text().substr(before);
        EXPECT_TRUE(shown.ends_with("Done.\r\n")) << shown;
        EXPECT_TRUE(files_in(folder_ / "maildir/outbox").empty());
    }
    // Queues and sends the letter with SMTP authentication through a relay
    // to exim, where the wire shows the mechanism the client chose.
    void send_authenticated(const Letter& letter, const RelayOptions& options, const std::string& used,
                            const std::string& unused) {
        Relay relay(real_servers().smtp_port, options);
        account(server_text(relay.address()), server_text(real_servers().pop3_port), ACCOUNT_SMTP_AUTH);
        queue(letter);
        send_all();
        std::string wire = relay.client_bytes();
        EXPECT_NE(wire.find(used), std::string::npos) << wire.substr(0, 300);
        EXPECT_EQ(wire.find(unused), std::string::npos);
    }
    int receive() {
        size_t before = ui.status_text().size();
        int received = receive_job(recorder_jobs(), 0);
        last_receive_ = ui.status_text().substr(before);
        return received;
    }
    // The inbox emptied, and what was received forgotten: the next receive
    // stores the mailbox again.
    void clear_inbox() {
        for (const std::string& name : files_in(folder_ / "maildir/inbox")) fs::remove(folder_ / "maildir/inbox" / name);
        fs::remove_all(folder_ / "uidl");
    }
    std::string stored(const std::string& name) { return read_file(folder_ / "maildir/inbox" / name); }

    // The inbox file that holds the token (the receive order is the
    // server's), "" when none does.
    std::string file_holding(const std::string& token) {
        for (const std::string& name : files_in(folder_ / "maildir/inbox"))
            if (stored(name).find(token) != std::string::npos) return name;
        return "";
    }

    // What the user sees of the stored message: its two private lines, the
    // decoded text and the extracted attachments.
    void expect_arrived(const std::string& name, const Letter& letter) {
        SCOPED_TRACE(name + " " + letter.subject);
        std::string path = "maildir\\inbox\\" + name;
        std::string bytes = stored(name);
        EXPECT_EQ(bytes.substr(0, received_lines.size()), received_lines);
        for (const char* field : {"X-ZMServer", "X-ZMAccountIndex", "X-ZMAddress", "X-ZMRecipients", "X-ZMOpts"})
            EXPECT_EQ(bytes.find(field), std::string::npos) << field << " went out";

        DisplayRequest request;
        request.path = path.c_str();
        request.window = extraction_window;
        request.text_only = true;
        DisplayResult result;
        display_result_init(&result);
        ASSERT_EQ(prepare_display(&request, &result), 0);
        std::string shown = result.shown_path->text;  // a store path, with backslashes
        std::replace(shown.begin(), shown.end(), '\\', '/');
        EXPECT_EQ(read_file(folder_ / shown), letter.text);
        display_result_release(&result);

        Line line;
        AttachmentLine sink{line_clear, line_append, &line};
        ASSERT_EQ(extract_attachments(path.c_str(), extraction_window, &sink), static_cast<int>(letter.attachments.size()));
        std::string names;
        for (size_t i = 0; i < letter.attachments.size(); i++) {
            names += letter.attachments[i].name + "  ";
            std::string extracted = read_file(folder_ / "temp" / ("5exatt" + std::to_string(i + 1) + ".dat"));
            EXPECT_EQ(extracted.size(), letter.attachments[i].bytes.size());
            EXPECT_TRUE(extracted == letter.attachments[i].bytes) << letter.attachments[i].name << " differs";
        }
        EXPECT_EQ(line.text, names);
    }
    void expect_inbox_holds(const std::vector<Letter>& letters) {
        EXPECT_EQ(files_in(folder_ / "maildir/inbox").size(), letters.size());
        for (const Letter& letter : letters) {
            std::string name = file_holding(letter.subject);
            ASSERT_FALSE(name.empty()) << letter.subject << " did not arrive";
            expect_arrived(name, letter);
        }
    }
    // The proxy in the settings file, as the options program writes it.
    void use_proxy(int port, const std::string& user, const std::string& password) {
        write_file(folder_ / "zenth.cfg", std::to_string(SETTING_USE_SOCKS) + "\r\n\r\n\r\n127.0.0.1\r\n" +
                                              std::to_string(port) + "\r\n" + user + "\r\n" + password + "\r\n");
        ASSERT_EQ(settings_load(), 0);
        ASSERT_EQ(socks_config.configured.load(), 1);
        ASSERT_TRUE(setting_on(SETTING_USE_SOCKS));
    }

    std::string last_receive_;
};

std::string pop3_server() { return server_text(real_servers().pop3_port); }
std::string smtp_server() { return server_text(real_servers().smtp_port); }

TEST_F(MailLoopTest, TextAndAttachmentsGoRoundWithEveryLogin) {
    REQUIRE_REAL_SERVERS();
    const Letter first = two_attachments(unique_token("cram"), 3 * 1024 * 1024);
    const Letter second = two_attachments(unique_token("plain"), 3 * 1024 * 1024 + 7);

    send_authenticated(first, {}, "\r\nauth cram-md5\r\n", "auth plain");
    // exim offers both; CRAM-MD5 is always preferred, so PLAIN needs a
    // server that does not offer it.
    send_authenticated(second, hiding_cram_md5(), "\r\nauth plain\r\n", "cram-md5");
    ASSERT_TRUE(wait_for_mailbox("bob", 2));

    // USER and PASS; the messages stay on the server.
    account(smtp_server(), pop3_server(), 0);
    EXPECT_EQ(receive(), 2) << last_receive_;
    expect_inbox_holds({first, second});
    EXPECT_EQ(mailbox_count("bob"), 2u);

    // AUTH (CRAM-MD5, which dovecot offers), deleting on the server.
    clear_inbox();
    Relay relay(real_servers().pop3_port);
    account(smtp_server(), server_text(relay.address()), ACCOUNT_POP3_AUTH | ACCOUNT_DELETE_FROM_SERVER);
    EXPECT_EQ(receive(), 2) << last_receive_;
    std::string wire = relay.client_bytes();
    EXPECT_EQ(wire.rfind("auth\r\nauth cram-md5\r\n", 0), 0u) << wire.substr(0, 200);
    EXPECT_NE(wire.find("dele 2\r\nquit\r\n"), std::string::npos);
    expect_inbox_holds({first, second});
    EXPECT_EQ(mailbox_count("bob"), 0u);
}

TEST_F(MailLoopTest, ThroughBothProxiesFromTheSettings) {
    REQUIRE_REAL_SERVERS();
    const Letter by_dante = two_attachments(unique_token("dante"), 1024 * 1024);
    const Letter by_microsocks = two_attachments(unique_token("microsocks"), 1024 * 1024 + 3);

    use_proxy(real_servers().socks_port, "", "");
    account(smtp_server(), pop3_server(), ACCOUNT_SMTP_AUTH);
    queue(by_dante);
    send_all();
    ASSERT_TRUE(wait_for_mailbox("bob", 1));
    EXPECT_EQ(receive(), 1) << last_receive_;
    expect_inbox_holds({by_dante});

    clear_inbox();
    use_proxy(real_servers().socks_auth_port, real_servers().socks_user, real_servers().socks_password);
    account(smtp_server(), pop3_server(), ACCOUNT_SMTP_AUTH | ACCOUNT_POP3_AUTH | ACCOUNT_DELETE_FROM_SERVER);
    queue(by_microsocks);
    send_all();
    ASSERT_TRUE(wait_for_mailbox("bob", 2));
    EXPECT_EQ(receive(), 2) << last_receive_;
    expect_inbox_holds({by_dante, by_microsocks});
    EXPECT_EQ(mailbox_count("bob"), 0u);

    // Without its password microsocks lets nothing through.
    use_proxy(real_servers().socks_auth_port, real_servers().socks_user, "wrong");
    EXPECT_EQ(receive(), 0);
    EXPECT_NE(last_receive_.find("Cannot connect to POP3 server.\r\n"), std::string::npos) << last_receive_;
}

TEST_F(MailLoopTest, EncryptedMessageNeedsTheSharedKey) {
    REQUIRE_REAL_SERVERS();
    const std::string shared_key = read_file(folder_ / "bfkey.dat");
    Letter letter = two_attachments(unique_token("secret"), 100 * 1024 + 5);
    letter.encrypt = true;
    const std::string subject = "Plans for " + letter.subject.substr(0, 40);
    const std::string token = letter.subject;
    letter.subject = subject;
    letter.text = letter_text(token);

    account(smtp_server(), pop3_server(), ACCOUNT_SMTP_AUTH);
    queue(letter);
    send_all();
    ASSERT_TRUE(wait_for_mailbox("bob", 1));
    EXPECT_EQ(receive(), 1) << last_receive_;
    ASSERT_EQ(files_in(folder_ / "maildir/inbox"), std::vector<std::string>{"mm1.eml"});
    const char* path = "maildir\\inbox\\mm1.eml";
    // Nothing readable travelled: neither the subject nor the text.
    std::string bytes = stored("mm1.eml");
    EXPECT_EQ(bytes.find(subject), std::string::npos);
    EXPECT_EQ(bytes.find(token), std::string::npos);
    EXPECT_EQ(is_encrypted_message(path), 1);

    // The reader has the same key file.
    MessageSummary* summary = summary_new();
    EXPECT_EQ(read_summary(0, summary, path), SUMMARY_OK);
    EXPECT_EQ(std::string(summary->subject->text), subject);
    letter.subject = "";  // the stored file holds only the enciphered subject
    expect_arrived("mm1.eml", letter);

    // Without it the message stays closed.
    fs::remove(folder_ / "bfkey.dat");
    load_message_key();
    EXPECT_EQ(read_summary(0, summary, path), SUMMARY_SUBJECT_LOCKED);
    DisplayRequest request;
    request.path = path;
    request.window = extraction_window;
    request.text_only = true;
    DisplayResult result;
    display_result_init(&result);
    EXPECT_EQ(prepare_display(&request, &result), -1);
    display_result_release(&result);
    summary_delete(summary);

    write_file(folder_ / "bfkey.dat", shared_key);
    ASSERT_EQ(load_message_key(), 0);
    expect_arrived("mm1.eml", letter);
}

TEST_F(MailLoopTest, LinesOfDotsArriveIntact) {
    REQUIRE_REAL_SERVERS();
    account(smtp_server(), pop3_server(), 0);
    // A file queued as it is: its lines go out as they stand, dot-stuffed.
    Outgoing raw;
    raw.server = smtp_server();
    raw.recipients = "bob@example.test";
    raw.subject = unique_token("dots");
    raw.body = ".\r\n..\r\n.leading dot\r\n...\r\n\r\n.\r\nmiddle\r\n. \r\n.\r\nlast line\r\n";
    write_file(folder_ / "maildir/outbox/mm1.eml", outgoing_file(raw));
    send_all();
    // And a composed one, whose text the encoder escapes.
    Letter composed{unique_token("composed dots"), ".\r\n.. two\r\n.\r\n.\r\nend\r\n", {{"a.txt", ".\r\n.\r\n"}}};
    queue(composed);
    send_all();
    ASSERT_TRUE(wait_for_mailbox("bob", 2));

    EXPECT_EQ(receive(), 2) << last_receive_;
    std::string name = file_holding(raw.subject);
    ASSERT_FALSE(name.empty());
    std::string bytes = stored(name);
    EXPECT_EQ(bytes.substr(0, received_lines.size()), received_lines);
    size_t body = bytes.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos);
    // The stored message ends before the line end of its last line.
    EXPECT_EQ(bytes.substr(body + 4), raw.body.substr(0, raw.body.size() - 2));
    expect_arrived(file_holding(composed.subject), composed);
}

std::vector<std::string> delivered_three() {
    std::vector<std::string> messages;
    for (int i = 1; i <= 3; i++) {
        std::string m = "From: carol@example.test\r\nTo: bob@example.test\r\nSubject: number " + std::to_string(i) +
                        "\r\n\r\n";
        for (int line = 0; line < 40; line++) m += "line " + std::to_string(line) + " of message " + std::to_string(i) + "\r\n";
        deliver("bob", m);
        messages.push_back(m);
        // Maildir names sort by time and counter; keep the order certain.
        sys_sleep_ms(20);
    }
    return messages;
}

// The files the delivered messages become, in no order: the server lists a
// mailbox in an order of its own, which within one second need not be the
// order of delivery.
std::multiset<std::string> as_received(const std::vector<std::string>& messages) {
    std::multiset<std::string> files;
    for (const std::string& m : messages) files.insert(received_lines + m.substr(0, m.size() - 2));
    return files;
}

TEST_F(MailLoopTest, ConnectionCutMidMessageKeepsEveryMessageOnTheServer) {
    REQUIRE_REAL_SERVERS();
    const std::vector<std::string> messages = delivered_three();
    for (int cut_in : {1, 2}) {
        SCOPED_TRACE("cut in message " + std::to_string(cut_in));
        clear_inbox();
        // The connection breaks 300 bytes into the message.
        Relay relay(real_servers().pop3_port, cutting_after("retr " + std::to_string(cut_in) + "\r\n", 300));
        account(smtp_server(), server_text(relay.address()), ACCOUNT_DELETE_FROM_SERVER);
        EXPECT_EQ(receive(), cut_in - 1) << last_receive_;
        std::string wire = relay.client_bytes();
        EXPECT_NE(last_receive_.find("Error 1: Cannot download messages.\r\n"), std::string::npos) << last_receive_;
        EXPECT_EQ(wire.find("dele " + std::to_string(cut_in)), std::string::npos) << wire;
        // Only whole messages are in the inbox, and no scratch file is left.
        if (cut_in == 1) {
            EXPECT_TRUE(files_in(folder_ / "maildir/inbox").empty());
        } else {
            EXPECT_EQ(files_in(folder_ / "maildir/inbox"), std::vector<std::string>{"mm1.eml"});
            // The server's first message, whichever of the three it lists first.
            EXPECT_EQ(as_received(messages).count(stored("mm1.eml")), 1u) << stored("mm1.eml");
        }
        for (const auto& e : fs::directory_iterator(folder_ / "temp"))
            EXPECT_NE(e.path().filename().string().rfind("pop3in", 0), 0u) << "left behind: " << e.path();
        // The server never heard QUIT: a message marked for deletion before
        // the cut is still there.
        EXPECT_EQ(mailbox_count("bob"), 3u);
    }

    // A receive that runs to its end stores every message, and only then
    // is the mailbox empty.
    clear_inbox();
    account(smtp_server(), pop3_server(), ACCOUNT_DELETE_FROM_SERVER);
    EXPECT_EQ(receive(), 3) << last_receive_;
    ASSERT_EQ(files_in(folder_ / "maildir/inbox"), (std::vector<std::string>{"mm1.eml", "mm2.eml", "mm3.eml"}));
    std::multiset<std::string> arrived;
    for (int i = 0; i < 3; i++) arrived.insert(stored("mm" + std::to_string(i + 1) + ".eml"));
    EXPECT_EQ(arrived, as_received(messages));
    EXPECT_EQ(mailbox_count("bob"), 0u);
}

// Texts beyond ASCII through exim and dovecot: a letter written in UTF-8 by
// the builder, and a message whose header is written as other programs
// write theirs; the list's mirror and the extracted names hold what was
// written.
TEST_F(MailLoopTest, TextsBeyondAsciiArriveAsTheyWereWritten) {
    REQUIRE_REAL_SERVERS();
    account(smtp_server(), pop3_server(), ACCOUNT_SMTP_AUTH | ACCOUNT_DELETE_FROM_SERVER);
    const std::string token = unique_token("words");
    const std::string subject = "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 " + token + " \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
    ComposeFields f = fields(u"Hello");
    f.server = account_field(0, ACCOUNT_SMTP_SERVER);
    f.from = "\"J\xC3\xBCrgen M\xC3\xBCller\" <alice@example.test>";
    f.to = "\"\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\" <bob@example.test>";
    f.subject = subject.c_str();
    write_file(folder_ / "temp" / "attachment77_0.tmp", "X-ZMAttachment: Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC.txt\r\nYWJj");
    f.attachment_count = 1;
    ASSERT_EQ(build_into_folder(&f, "maildir\\outbox", false, nullptr), 0);
    // Another program's header behind the private fields Send Queued reads.
    std::string built = read_file(folder_ / "maildir/outbox/mm1.eml");
    std::string private_fields = built.substr(0, built.find("From: "));
    write_file(folder_ / "maildir/outbox/mm2.eml",
               private_fields +
                   "From: =?koi8-r?B?8NLJ18XU?= <ivan@example.ru>\r\nTo: bob@example.test\r\n"
                   "Subject: =?iso-8859-7?Q?=C3=E5=E9=DC_?=\r\n =?ISO-8859-7?q?=F3=EF=F5?= " + token + "-2\r\n"
                   "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
                   "--b1\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nbody\r\n"
                   "--b1\r\nContent-Type: application/octet-stream; name=\"=?utf-8?Q?caf=C3=A9?= menu.txt\"\r\n"
                   "Content-Disposition: attachment;\r\n filename*0*=utf-8''caf%C3%A9%20;\r\n filename*1*=menu.txt\r\n"
                   "Content-Transfer-Encoding: base64\r\n\r\nYWJj\r\n--b1--\r\n");
    send_all();
    ASSERT_TRUE(wait_for_mailbox("bob", 2));
    EXPECT_EQ(receive(), 2) << last_receive_;

    // The inbox's list mirror, as a fill makes it.
    ListMirror mirror;
    mirror_open(&mirror, "maildir\\inbox");
    MessageSummary* summary = summary_new();
    Array* recipients = array_new(address_field_capacity);
    for (const std::string& name : files_in(folder_ / "maildir/inbox"))
        EXPECT_EQ(mirror_lookup(&mirror, ("maildir\\inbox\\" + name).c_str(), summary, recipients), 0);
    mirror_close(&mirror);
    delete_arrays(recipients);
    summary_delete(summary);
    std::string lines = read_file(folder_ / "maildir/inbox/mirror.dat");
    EXPECT_NE(lines.find("\tJ\xC3\xBCrgen M\xC3\xBCller\t\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD <bob@example.test>\t" + subject + "\t"),
              std::string::npos) << lines;
    EXPECT_NE(lines.find("\t\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\tbob@example.test\t"
                         "\xCE\x93\xCE\xB5\xCE\xB9\xCE\xAC \xCF\x83\xCE\xBF\xCF\x85 " + token + "-2\t"),
              std::string::npos) << lines;
    fs::remove(folder_ / "maildir/inbox/mirror.dat");  // it holds the tokens too

    // The attachments as extracted, their names in the system's code page
    // (windows-1252 here) on the attachments line.
    for (const auto& [holding, shown] : {std::pair{std::string("Gr%C3%B6%C3%9Fe"), std::string("Gr\xF6\xDF" "e_\x80.txt  ")},
                                         std::pair{token + "-2", std::string("caf\xE9_menu.txt  ")}}) {
        std::string name = file_holding(holding);
        ASSERT_FALSE(name.empty()) << holding;
        Line line;
        AttachmentLine sink{line_clear, line_append, &line};
        EXPECT_EQ(extract_attachments(("maildir\\inbox\\" + name).c_str(), extraction_window, &sink), 1);
        EXPECT_EQ(line.text, shown);
        EXPECT_EQ(read_file(folder_ / "temp" / "5exatt1.dat"), "abc");
    }
}

}  // namespace
