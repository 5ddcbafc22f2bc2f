#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "client/client_keys.h"
#include "format/base64.h"
#include "format/encryption.h"
#include "format/message_builder.h"
#include "format/message_id.h"
#include "format/subject_crypt.h"
#include "store/built_messages.h"
#include "tests/unit/builder_fixture.h"

namespace {

const std::string private_fields =
    "X-ZMServer: smtp.example.org:2525\r\n"
    "X-ZMAccountIndex: 0\r\n"
    "X-ZMAddress: jane@example.org\r\n";
// A build for sending: the date, and beside it the message's id (the
// fixture's random bits are zeros).
const std::string date_line =
    "Date: Sun, 6 Dec 2026 13:32:38 +0100\r\n"
    "Message-ID: <AAAAAAAAAAAAAAAAAAAAAA@example.org>\r\n";

TEST_F(BuilderTest, PlainTextMessage) {
    ComposeFields f = fields(u"Hello Bob.\r\nCaf\u00e9 at 8 = fine\r\n");
    f.to = "\"Bob\" <bob@example.org>, carol@example.org";
    f.subject = "Plans for Friday";
    f.save_sent = true;
    EXPECT_EQ(build(f),
              private_fields +
                  "X-ZMRecipients: bob@example.org,carol@example.org\r\n"
                  "X-ZMOpts: 41\r\n"
                  "From: \"Jane Doe\" <jane@example.org>\r\n"
                  "To: \"Bob\" <bob@example.org>,\r\n\t carol@example.org\r\n"
                  "Subject: Plans for Friday\r\n" +
                  date_line +
                  "MIME-Version: 1.0\r\n"
                  "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
                  "Content-Transfer-Encoding: quoted-printable\r\n"
                  "\r\n"
                  "Hello Bob=2E\r\nCaf=E9 at 8 =3D fine\r\n");
    EXPECT_TRUE(ui.boxes.empty());
    // The text as written, and where the build kept it.
    EXPECT_EQ(read_file(folder_ / "temp" / "message77.tmp"), "Hello Bob.\r\nCaf\xe9 at 8 = fine\r\n");
}

TEST_F(BuilderTest, TextBeyondLatin1IsWrittenAndDeclaredAsUtf8) {
    ComposeFields f = fields(u"\u0416 \u20ac");
    f.reply_reference = "<1234@example.org>";
    f.account = -1;
    EXPECT_EQ(build(f),
              "X-ZMServer: smtp.example.org:2525\r\n"
              "X-ZMAccountIndex: -1\r\n"
              "X-ZMAddress: jane@example.org\r\n"
              "X-ZMRecipients: bob@example.org\r\n"
              "X-ZMOpts: 0\r\n"
              "From: \"Jane Doe\" <jane@example.org>\r\n"
              "To: \"Bob\" <bob@example.org>\r\n"
              "Subject: Plans\r\n" +
                  date_line +
                  "In-Reply-To: <1234@example.org>\r\n"
                  "MIME-Version: 1.0\r\n"
                  "Content-Type: text/plain; charset=\"utf-8\"\r\n"
                  "Content-Transfer-Encoding: quoted-printable\r\n"
                  "\r\n"
                  "=D0=96 =E2=82=AC");
}

TEST_F(BuilderTest, AttachmentsMakeAMultipartBody) {
    ComposeFields f = fields(u"See the files.\r\n");
    attach(&f, "notes.txt", "abc");
    attach(&f, "data.bin", std::string("\0\xff\x10", 3));
    ASSERT_EQ(f.attachment_count, 2);
    std::string part_header =
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=";
    EXPECT_EQ(build(f),
              private_fields +
                  "X-ZMRecipients: bob@example.org\r\n"
                  "X-ZMOpts: 9\r\n"
                  "From: \"Jane Doe\" <jane@example.org>\r\n"
                  "To: \"Bob\" <bob@example.org>\r\n"
                  "Subject: Plans\r\n" +
                  date_line +
                  "MIME-Version: 1.0\r\n"
                  "Content-Type: multipart/mixed; boundary=\"----=_NextPart_00042\"\r\n"
                  "Content-Transfer-Encoding: quoted-printable\r\n"
                  "\r\n"
                  "------=_NextPart_00042\r\n"
                  "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
                  "Content-Transfer-Encoding: quoted-printable\r\n"
                  "\r\n"
                  "See the files=2E\r\n"
                  "\r\n------=_NextPart_00042\r\n"
                  "Content-Type: application/octet-stream; name=\"notes.txt\"\r\n" +
                  part_header + "\"notes.txt\"\r\n\r\nYWJj"
                  "\r\n------=_NextPart_00042\r\n"
                  "Content-Type: application/octet-stream; name=\"data.bin\"\r\n" +
                  part_header + "\"data.bin\"\r\n\r\nAP8Q"
                  "\r\n------=_NextPart_00042--\r\n");
}

TEST_F(BuilderTest, NonLatin1TextPartDeclaresUtf8Too) {
    ComposeFields f = fields(u"\u4e2d\u6587");
    attach(&f, "a.txt", "x");
    std::string message = build(f);
    EXPECT_NE(message.find("------=_NextPart_00042\r\nContent-Type: text/plain; charset=\"utf-8\"\r\n"
                           "Content-Transfer-Encoding: quoted-printable\r\n\r\n=E4=B8=AD=E6=96=87\r\n"),
              std::string::npos);
}

TEST_F(BuilderTest, BoundaryIsOneThatOccursInNoPiece) {
    // 42 is in the text and 7 in the attachment; 9 is free.
    boundary_numbers({42, 7, 9});
    ComposeFields f = fields(u"quoting ----=_NextPart_00042 here");
    attach(&f, "raw.txt", "");
    write_file(folder_ / "temp" / "attachment77_0.tmp", "X-ZMAttachment: raw.txt\r\n----=_NextPart_00007\r\n");
    std::string message = build(f);
    EXPECT_EQ(field_of(message, "Content-Type"), "multipart/mixed; boundary=\"----=_NextPart_00009\"");
    EXPECT_NE(message.find("\r\n------=_NextPart_00009--\r\n"), std::string::npos);

    // Every number taken: the build gives up after 1000 tries.
    boundary_numbers(std::vector<int>(1000, 42));
    ui.boxes.clear();
    EXPECT_EQ(build(f), "");
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not find unique boundary identifier!"});
    EXPECT_FALSE(std::filesystem::exists(folder_ / "out.eml"));
}

TEST_F(BuilderTest, CopiesAndHiddenRecipients) {
    ComposeFields f = fields(u"hi");
    f.to = "bob@example.org";
    f.cc = "\"Carol\" <carol@example.org>,dave@example.org";
    f.bcc = "eve@example.org, bob@example.org";
    std::string message = build(f);
    EXPECT_EQ(field_of(message, "X-ZMRecipients"), "bob@example.org,carol@example.org,dave@example.org,eve@example.org");
    EXPECT_EQ(field_of(message, "To"), "bob@example.org");
    EXPECT_NE(message.find("\r\nCc: \"Carol\" <carol@example.org>,\r\n\tdave@example.org\r\nSubject: Plans\r\n"),
              std::string::npos);
    EXPECT_EQ(message.find("eve@"), message.rfind("eve@"));  // only in the envelope
    EXPECT_EQ(message.find("Bcc"), std::string::npos);
}

TEST_F(BuilderTest, UndisclosedRecipientsForABccSendOfSeveral) {
    ComposeFields f = fields(u"hi");
    f.to = "\"Bob\" <bob@example.org>,carol@example.org";
    f.bcc_multiple = true;
    std::string message = build(f);
    EXPECT_EQ(field_of(message, "To"), "<Undisclosed Recipients>");
    EXPECT_EQ(field_of(message, "X-ZMRecipients"), "bob@example.org,carol@example.org");
    // Saved or printed, the names stay.
    EXPECT_EQ(field_of(build(f, true), "To"), "\"Bob\" <bob@example.org>,");
    // One recipient keeps its name; a copy recipient counts as a second.
    f.to = "\"Bob\" <bob@example.org>";
    EXPECT_EQ(field_of(build(f), "To"), "\"Bob\" <bob@example.org>");
    f.cc = "carol@example.org";
    message = build(f);
    EXPECT_EQ(field_of(message, "To"), "<Undisclosed Recipients>");
    EXPECT_EQ(message.find("Cc:"), std::string::npos);
}

TEST_F(BuilderTest, DuplicateAddressesAreRemovedOnlyWhenTheUserSaysYes) {
    ComposeFields f = fields(u"hi");
    f.to = "bob@example.org,\"Robert\" <bob@example.org>,carol@example.org";
    ui.answers = {UI_ANSWER_NO, UI_ANSWER_YES};
    EXPECT_EQ(field_of(build(f), "X-ZMRecipients"), "bob@example.org,bob@example.org,carol@example.org");
    EXPECT_EQ(field_of(build(f), "X-ZMRecipients"), "bob@example.org,carol@example.org");
    ASSERT_EQ(ui.boxes.size(), 2u);
    for (const RecordedBox& b : ui.boxes) {
        EXPECT_EQ(b.text, "The to field contains duplicate email addresses. Do you want to remove these?");
        EXPECT_EQ(b.caption, "Zenth Mail");
        EXPECT_EQ(b.style, static_cast<unsigned>(UI_YESNO));
    }
}

TEST_F(BuilderTest, MalformedRecipientTextsAreRefused) {
    write_file(folder_ / "out.eml", "the saved message");
    for (const char* to : {"bob@example.org,", "bob@example.org,,carol@example.org", ",bob@example.org",
                           "bob@example.org, ,carol@example.org"}) {
        ComposeFields f = fields(u"hi");
        f.to = to;
        ui.boxes.clear();
        EXPECT_EQ(build_message_file(&f, "out.eml", false), -1) << to;
        EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Recipient address string is syntactically incorrect!"})
            << to;
        // The file the build was to replace is as it was.
        EXPECT_EQ(read_file(folder_ / "out.eml"), "the saved message");
    }
    ComposeFields f = fields(u"hi");
    f.bcc = "eve@example.org,";
    EXPECT_EQ(build_message_file(&f, "out.eml", false), -1);
    // What was written so far stays in the scratch file, the private fields
    // first.
    EXPECT_EQ(read_file(folder_ / "temp" / "building77.tmp").substr(0, 12), "X-ZMServer: ");
}

TEST_F(BuilderTest, RecipientTextsBeyondCapacityAreRefused) {
    std::string many;
    for (int i = 0; i < 101; i++) many += "r" + std::to_string(i) + "@example.org,";
    many.pop_back();
    std::string long_entry = std::string(256, 'x') + "@example.org";
    std::string long_text = std::string(12630, 'y');
    std::string hundred;
    for (int i = 0; i < 100; i++) hundred += (i ? "," : "") + std::string("t") + std::to_string(i) + "@example.org";
    struct Case {
        std::string to, cc;
    };
    for (const Case& c : {Case{many, ""}, Case{long_entry, ""}, Case{long_text, ""}, Case{hundred, "extra@example.org"}}) {
        ComposeFields f = fields(u"hi");
        f.to = c.to.c_str();
        f.cc = c.cc.c_str();
        ui.boxes.clear();
        EXPECT_EQ(build(f), "");
        EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Recipient string exceed capacity."});
    }
    // A hundred recipients is the most, and each of them is sent to.
    ComposeFields f = fields(u"hi");
    f.to = hundred.c_str();
    f.bcc = "t5@example.org";
    ui.boxes.clear();
    std::string message = build(f);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(field_of(message, "X-ZMRecipients"), hundred);
}

TEST_F(BuilderTest, LongToLineIsCutAtAWholeEntry) {
    std::string to;
    for (int i = 0; i < 100; i++)
        to += (i ? "," : "") + ("\"Recipient number " + std::to_string(i) + " of a long list of names\" <r" +
                                std::to_string(i) + "@example.org>");
    ComposeFields f = fields(u"hi");
    f.to = to.c_str();
    std::string message = build(f);
    std::string header = header_of(message);
    size_t start = header.find("\r\nTo: ") + 6;
    size_t end = header.find("\r\nSubject: ");
    ASSERT_NE(end, std::string::npos);
    std::string value = header.substr(start, end - start);
    EXPECT_LE(value.size(), 5999u);
    EXPECT_GT(value.size(), 5800u);
    EXPECT_EQ(value.back(), '>');
    EXPECT_EQ(value.find("\r\n\r\n"), std::string::npos);
    // All hundred are still recipients.
    EXPECT_NE(field_of(message, "X-ZMRecipients").find("r99@example.org"), std::string::npos);
}

TEST_F(BuilderTest, LineBreaksInTypedTextsCannotAddHeaderLines) {
    ComposeFields f = fields(u"hi");
    f.subject = "Hello\r\nBcc: spy@example.org";
    f.server = "smtp.example.org\r\nX-ZMRecipients: spy@example.org";
    f.to = "bob@example.org\r\nX-Injected: yes";
    f.reply_reference = "<a@x>\r\n\t<b@x>";
    std::string header = header_of(build(f));
    EXPECT_NE(header.find("\r\nSubject: Hello  Bcc: spy@example.org\r\n"), std::string::npos);
    EXPECT_NE(header.find("X-ZMServer: smtp.example.org  X-ZMRecipients: spy@example.org\r\n"), std::string::npos);
    EXPECT_NE(header.find("\r\nIn-Reply-To: <a@x>  \t<b@x>\r\n"), std::string::npos);
    EXPECT_EQ(header.find("\r\nBcc"), std::string::npos);
    EXPECT_EQ(header.find("\r\nX-Injected"), std::string::npos);
    EXPECT_EQ(header.find("\r\nX-ZMRecipients: spy"), std::string::npos);
}

TEST_F(BuilderTest, PlainSubjectIsCutTo80Characters) {
    std::string subject(90, 's');
    ComposeFields f = fields(u"hi");
    f.subject = subject.c_str();
    EXPECT_EQ(field_of(build(f), "Subject"), std::string(80, 's'));
}

TEST_F(BuilderTest, EncryptedSubjectsOfEveryLengthComeBackWhole) {
    ComposeFields f = fields(u"hi");
    f.encrypt = true;
    std::string subject;
    Array* plain = array_new(100);
    for (int length = 0; length <= subject_max_length; length++) {
        f.subject = subject.c_str();
        std::string stored = field_of(build(f), "Subject");
        ASSERT_FALSE(stored.empty()) << length;
        EXPECT_EQ(decrypt_subject(stored.c_str(), plain), 0) << length;
        EXPECT_EQ(std::string(plain->text), subject) << length;
        subject += static_cast<char>(length % 10 == 3 ? ' ' : 'a' + length % 26);
    }
    delete_arrays(plain);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(BuilderTest, EncryptedMessageWithAnEncryptedAttachment) {
    ComposeFields f = fields(u"Secret plans.\r\n");
    f.encrypt = true;
    f.subject = "Top secret";
    std::string attachment("attachment bytes\r\n\0 and more", 28);
    attach(&f, "plan.doc", attachment);
    std::string message = build(f);
    std::string header = header_of(message);
    EXPECT_NE(header.find(date_line +
                          "MIME-Version: 1.0\r\n"
                          "Content-Type: multipart/mixed; boundary=\"----=_NextPart_00042\"\r\n"
                          "Content-Transfer-Encoding: X-ZMcrypt\r\n\r\n"),
              std::string::npos);
    Array* subject = array_new(100);
    EXPECT_EQ(decrypt_subject(field_of(message, "Subject").c_str(), subject), 0);
    EXPECT_STREQ(subject->text, "Top secret");
    delete_arrays(subject);
    write_file(folder_ / "out.eml", message);
    EXPECT_EQ(is_encrypted_message("out.eml"), 1);

    // The text part: base64 of the enciphered text, in lines of 84.
    std::string text_start =
        "------=_NextPart_00042\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n";
    size_t at = message.find(text_start);
    ASSERT_EQ(at, header.size());
    at += text_start.size();
    size_t end = message.find("\r\n------=_NextPart_00042\r\n", at);
    write_file(folder_ / "body.b64", message.substr(at, end - at));
    ASSERT_EQ(base64_decode_file("body.b64", "body.bin"), 0);
    EXPECT_EQ(read_file(folder_ / "body.bin").size(), 16u);
    ASSERT_EQ(decrypt_file("body.bin", "body.txt", 1), 0);
    EXPECT_EQ(read_file(folder_ / "body.txt"), "Secret plans.\r\n");

    // The attachment: enciphered when it was added.
    std::string part_start = "filename=\"plan.doc\"\r\n\r\n";
    at = message.find(part_start) + part_start.size();
    end = message.find("\r\n------=_NextPart_00042--\r\n", at);
    write_file(folder_ / "part.b64", message.substr(at, end - at));
    ASSERT_EQ(base64_decode_file("part.b64", "part.bin"), 0);
    ASSERT_EQ(decrypt_file("part.bin", "part.out", 1), 0);
    EXPECT_EQ(read_file(folder_ / "part.out"), attachment);
}

TEST_F(BuilderTest, EncryptionWithoutAKeyIsRefused) {
    std::filesystem::remove(folder_ / "bfkey.dat");
    load_message_key();
    ComposeFields f = fields(u"hi");
    f.encrypt = true;
    EXPECT_EQ(build(f), "");
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{
                                  "Could not encrypt e-mail because the encryption key file bfkey.dat does not exist."});
}

int failing_writer(const ComposeFields*, const char*) { return -1; }

TEST_F(BuilderTest, FailuresOfTheStepsAreShown) {
    ComposeFields f = fields(u"hi");
    f.write_text = failing_writer;
    EXPECT_EQ(build(f), "");
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"getmessagetext error"});

    // An attachment file that is gone, or is no attachment file.
    f = fields(u"hi");
    f.attachment_count = 1;
    ui.boxes.clear();
    EXPECT_EQ(build(f), "");
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not send attachment!"});
    write_file(folder_ / "temp" / "attachment77_0.tmp", "YWJj");
    ui.boxes.clear();
    EXPECT_EQ(build(f), "");
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not send attachment!"});

    // No temp folder: the build has nowhere to write.
    std::filesystem::remove_all(folder_ / "temp");
    f = fields(u"hi");
    ui.boxes.clear();
    EXPECT_EQ(build(f), "");
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not open temp\\building77.tmp!"});
}

TEST_F(BuilderTest, OutputThatCannotBeWrittenIsReported) {
    ComposeFields f = fields(u"hi");
    EXPECT_EQ(build_message_file(&f, "missing\\folder\\out.eml", true), -1);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not open missing\\folder\\out.eml!"});
}

TEST_F(BuilderTest, StoreFolderGetsTheNextNumberWholeAndNothingElse) {
    write_file(folder_ / "maildir" / "outbox" / "mm4.eml", "four");
    ComposeFields f = fields(u"queued");
    Array* path = array_new(1100);
    ASSERT_EQ(build_into_folder(&f, "maildir\\outbox", false, path), 0);
    EXPECT_STREQ(path->text, "maildir\\outbox\\mm5.eml");
    std::string message = read_file(folder_ / "maildir" / "outbox" / "mm5.eml");
    EXPECT_EQ(message.substr(0, 12), "X-ZMServer: ");
    EXPECT_EQ(message.substr(message.size() - 10), "\r\n\r\nqueued");
    EXPECT_EQ(read_file(folder_ / "maildir" / "outbox" / "mm4.eml"), "four");

    // A failed build leaves the folder as it was.
    f.to = "bob@example.org,";
    EXPECT_EQ(build_into_folder(&f, "maildir\\outbox", false, path), -1);
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(folder_ / "maildir" / "outbox")) {
        (void)entry;
        files++;
    }
    EXPECT_EQ(files, 2);

    // No such folder.
    f = fields(u"hi");
    ui.boxes.clear();
    EXPECT_EQ(build_into_folder(&f, "maildir\\drafts", true, path), -1);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Could not open maildir\\drafts\\mm1.eml!"});
    delete_arrays(path);
}

// Builds a second message of the same window while the first is writing its
// text, as a Save during a send does.
int nested_writer(const ComposeFields* f, const char* path) {
    ComposeFields inner = *f;
    inner.write_text = write_compose_text;
    inner.subject = "inner";
    int built = build_message_file(&inner, "inner.eml", true);
    int result = write_compose_text(f, path);
    return built == 0 ? result : -1;
}

TEST_F(BuilderTest, OverlappingBuildsOfOneWindowKeepTheirOwnFiles) {
    ComposeFields f = fields(u"shared text");
    attach(&f, "a.txt", "abc");
    f.subject = "outer";
    f.write_text = nested_writer;
    std::string outer = build(f);
    std::string inner = read_file(folder_ / "inner.eml");
    EXPECT_EQ(field_of(outer, "Subject"), "outer");
    EXPECT_EQ(field_of(inner, "Subject"), "inner");
    for (const std::string& m : {outer, inner}) {
        EXPECT_NE(m.find("\r\n\r\nshared text\r\n------=_NextPart_00042\r\n"), std::string::npos);
        EXPECT_NE(m.find("\r\n\r\nYWJj\r\n------=_NextPart_00042--\r\n"), std::string::npos);
    }
}

}  // namespace

// Every message built for sending has an id of its own: 128 random bits,
// the sender's domain, nothing of the machine; a saved or printed one has
// none, so that a draft takes a new one when it goes. A reply carries its
// thread folded one id a line.
TEST_F(BuilderTest, MessageIdBesideTheDateAndReferencesOfAReply) {
    ComposeFields f = fields(u"hi");
    f.reply_reference = "<two@example.org>";
    f.reply_references = "<one@example.org> <two@example.org>";
    std::string header = header_of(build(f));
    EXPECT_NE(header.find(date_line + "In-Reply-To: <two@example.org>\r\n"
                                      "References: <one@example.org>\r\n <two@example.org>\r\n"
                                      "MIME-Version: 1.0\r\n"),
              std::string::npos)
        << header;
    std::string saved = header_of(build(f, true));
    EXPECT_EQ(saved.find("Message-ID"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nReferences: <one@example.org>\r\n <two@example.org>\r\n"), std::string::npos);

    // A sender without a domain, and one whose domain is no domain.
    for (const char* from : {"jane", "jane@", "jane@[10.0.0.1]", "jane@example..org"}) {
        f.from = from;
        EXPECT_EQ(field_of(build(f), "Message-ID"), "<AAAAAAAAAAAAAAAAAAAAAA@zenthmail.invalid>") << from;
    }
}

TEST(MessageIdTest, ValidUniqueAndOnlyRandom) {
    // id-left is dot-atom-text; 22 characters of the URL-safe alphabet hold
    // the 128 bits.
    std::set<std::string> seen;
    for (int i = 0; i < 100000; i++) {
        std::string id = make_message_id("jane@Mail.Example.org");
        ASSERT_EQ(id.size(), 1 + 22 + 1 + 16 + 1) << id;
        ASSERT_EQ(id.substr(23), "@Mail.Example.org>");
        ASSERT_EQ(id.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_", 1), 23u)
            << id;
        ASSERT_TRUE(seen.insert(id).second) << "repeated after " << i << ": " << id;
    }
    // The last character holds the last two bits alone.
    message_id_source_install([](void* out, size_t size) {
        std::memset(out, 0xff, size);
        return 0;
    });
    EXPECT_EQ(make_message_id("a@b.c"), "<" + std::string(21, '_') + "w@b.c>");
    message_id_source_install([](void*, size_t) { return -1; });
    EXPECT_EQ(make_message_id("a@b.c"), "");
    message_id_source_install(nullptr);
}
