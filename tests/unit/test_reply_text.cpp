// Reply and forward: the "To:" text and reply reference from the selected
// messages, the subjects, and the text a compose editor loads with the
// introduction line or the header block in front.
#include <string>
#include <vector>

#include "client/reply_text.h"
#include "format/encryption.h"
#include "tests/unit/mime_support.h"

namespace {

using Strings = std::vector<std::string>;

class ReplyTest : public MimeTest {
protected:
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove(folder_ / "bfkey.dat", ignored);
        read_message_key();
        MimeTest::TearDown();
    }
    // Message `name` from the sender to the recipients.
    std::string stored(const std::string& name, const std::string& from, const std::string& to,
                       const std::string& extra = "") {
        write_file(folder_ / name, crlf("From: " + from + "\nTo: " + to + "\n" + extra +
                                        "Subject: s\nDate: Sun, 6 Dec 2026 13:32:38 +0100\n\nbody\n"));
        return name;
    }
    int recipients(const Strings& paths, bool to_all) {
        int result = reply_recipients(paths, to_all, to_, reference_);
        to_text = to_->text;
        reference = reference_->text;
        return result;
    }
    void SetUp() override {
        MimeTest::SetUp();
        to_ = array_new(12632);
        reference_ = array_new(1024);
    }
    ~ReplyTest() override { delete_arrays(to_, reference_); }
    Array* to_ = nullptr;
    Array* reference_ = nullptr;
    std::string to_text, reference;
    UiRecorder ui;
};

TEST_F(ReplyTest, SendersOfTheSelectionWithoutDuplicatesAndTheLastReference) {
    Strings three{stored("1.eml", "\"Jane Doe\" <jane@example.test>", "me@example.test", "Message-ID: <one@x>\n"),
                  stored("2.eml", "bob@example.test", "me@example.test", "Message-ID: <two@x>\n"),
                  stored("3.eml", "Jane <jane@example.test>", "me@example.test", "Message-ID: <three@x>\n")};
    ASSERT_EQ(recipients(three, false), 0);
    // A bare sender's name is its address.
    EXPECT_EQ(to_text, "\"Jane Doe\" <jane@example.test>,\"bob@example.test\" <bob@example.test>");
    EXPECT_EQ(reference, "<three@x>");

    // Reply to List: each sender followed by that message's To and Cc.
    Strings one{stored("4.eml", "Ann <ann@example.test>", "me@example.test, \"Ann\" <ann@example.test>",
                       "Cc: carl@example.test\n")};
    ASSERT_EQ(recipients(one, true), 0);
    EXPECT_EQ(to_text, "\"Ann\" <ann@example.test>,me@example.test,carl@example.test");
    EXPECT_EQ(reference, "");  // no Message-ID: no reference, title stays
}

TEST_F(ReplyTest, TooManyRecipientsOrAnUnreadableMessageFailTheReply) {
    std::string many;
    for (int i = 0; i < 120; i++) many += (i ? "," : "") + std::string("r") + std::to_string(i) + "@example.test";
    // The summary of a message with 120 recipients cannot be read whole.
    std::string path = stored("1.eml", "a@example.test", many);
    EXPECT_EQ(recipients({path}, true), -1);
    EXPECT_EQ(to_text, "");
    // 98 recipients and the sender fit; 99 do not.
    std::string fits;
    for (int i = 0; i < 98; i++) fits += (i ? "," : "") + std::string("r") + std::to_string(i) + "@example.test";
    EXPECT_EQ(recipients({stored("2.eml", "a@example.test", fits)}, true), 0);
    EXPECT_EQ(recipients({stored("3.eml", "a@example.test", fits + ",x@example.test")}, true), -1);
    EXPECT_EQ(recipients({"absent.eml"}, false), -1);
    EXPECT_STREQ(reply_capacity_text, "Recipient string exceeds capacity.");
}

TEST_F(ReplyTest, SubjectsGetTheirPrefixOnce) {
    EXPECT_EQ(reply_subject("RE: lunch"), "RE: lunch");
    EXPECT_EQ(reply_subject("re:lunch"), "re:lunch");
    EXPECT_EQ(reply_subject("Regarding lunch"), "Re: Regarding lunch");
    EXPECT_EQ(reply_subject(""), "Re: ");
    EXPECT_EQ(forward_subject("FW: lunch"), "FW: lunch");
    EXPECT_EQ(forward_subject("Fwd: lunch"), "Fw: Fwd: lunch");
    EXPECT_EQ(forward_subject("lunch"), "Fw: lunch");
    std::string long_subject(99, 'x');
    EXPECT_EQ(reply_subject(long_subject.c_str()), "Re: " + std::string(95, 'x'));
    EXPECT_EQ(forward_subject(("fw:" + long_subject).c_str()), "fw:" + std::string(92, 'x'));
    // 94 ASCII bytes and a two-byte character: the character is not split.
    std::string utf8 = std::string(94, 'y') + "\xC3\xA9z";
    EXPECT_EQ(reply_subject(utf8.c_str()), "Re: " + std::string(94, 'y'));
}

TEST_F(ReplyTest, ReplyTextWithTheIntroductionLineQuoted) {
    write_file(folder_ / "m.eml", crlf("From: \"Jane Doe\" <jane@example.test>\nTo: me@example.test\n"
                                       "Subject: Lunch\nDate: Sun, 6 Dec 2026 13:32:38 +0100\n"
                                       "Content-Type: text/plain; charset=iso-8859-1\n"
                                       "Content-Transfer-Encoding: quoted-printable\n\n"
                                       "caf=E9 at one?\nor two\n"));
    auto window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(31));
    EditorText text;
    ASSERT_EQ(prepare_editor_text("m.eml", window, nullptr, LEAD_INTRODUCTION, true, &text), 0);
    EXPECT_EQ(text.lead, "On 2026-12-06 13:32:38 +0100, Jane Doe wrote:\r\n\r\n");
    // iso-8859-1 is read as windows-1252, as headers are.
    EXPECT_EQ(text.code_page, 1252);
    std::string utf8;
    ASSERT_TRUE(editor_text_utf8(text, &utf8));
    EXPECT_EQ(utf8, "On 2026-12-06 13:32:38 +0100, Jane Doe wrote:\r\n\r\n> caf\xC3\xA9 at one?\r\n> or two\r\n> ");

    // "Original Message Reply Style", not indented.
    ASSERT_EQ(prepare_editor_text("m.eml", window, nullptr, LEAD_HEADER_BLOCK, false, &text), 0);
    ASSERT_TRUE(editor_text_utf8(text, &utf8));
    EXPECT_EQ(utf8,
              "\r\n----- Original Message -----\r\nFrom: \"Jane Doe\" <jane@example.test>\r\nTo: me@example.test\r\n"
              "Sent: 2026-12-06 13:32:38 +0100\r\nSubject: Lunch\r\n\r\ncaf\xC3\xA9 at one?\r\nor two\r\n");
    // Opening a stored message: the text alone.
    ASSERT_EQ(prepare_editor_text("m.eml", window, nullptr, LEAD_NONE, false, &text), 0);
    ASSERT_TRUE(editor_text_utf8(text, &utf8));
    EXPECT_EQ(utf8, "caf\xC3\xA9 at one?\r\nor two\r\n");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(prepare_editor_text("absent.eml", window, nullptr, LEAD_NONE, false, &text), -1);
    EXPECT_TRUE(text.path.empty());
    EXPECT_EQ(ui.box_texts(), Strings{"Could not access file!"});
}

TEST_F(ReplyTest, AMessageWhoseOnlyTextIsHtmlIsRepliedToAsText) {
    write_file(folder_ / "m.eml", crlf("From: Jane <jane@example.test>\nSubject: h\n"
                                       "Content-Type: text/html; charset=utf-8\n\n"
                                       "<html><head><title>Note</title></head><body><p>Hello <b>Bob</b>,</p><p>see you at the "
                                       "caf&eacute;</p></body></html>\n"));
    EditorText text;
    auto window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(31));
    ASSERT_EQ(prepare_editor_text("m.eml", window, nullptr, LEAD_INTRODUCTION, true, &text), 0);
    std::string utf8;
    ASSERT_TRUE(editor_text_utf8(text, &utf8));
    EXPECT_EQ(utf8, "On unknown, Jane wrote:\r\n\r\n> Hello [Bob],\r\n> \r\n> see you at the caf\xC3\xA9");
}

}  // namespace

// A reply's References: the parent's thread and the parent, the oldest ids
// dropped first when the line would pass 998 characters.
TEST_F(ReplyTest, ReferencesCarryTheParentsThreadAndTheParent) {
    stored("r1.eml", "a@example.test", "me@example.test",
           "Message-ID: <three@x>\nIn-Reply-To: <two@x>\nReferences: <one@x>\n\t<two@x> (a comment)\n");
    EXPECT_EQ(reply_thread("r1.eml"), "<one@x> <two@x> <three@x>");
    stored("r2.eml", "a@example.test", "me@example.test", "Message-ID: <two@x>\nIn-Reply-To: <one@x>\n");
    EXPECT_EQ(reply_thread("r2.eml"), "<one@x> <two@x>");
    stored("r3.eml", "a@example.test", "me@example.test", "References: <one@x>\n");
    EXPECT_EQ(reply_thread("r3.eml"), "");
    // What is no msg-id, or holds bytes no header line may carry, is left out.
    stored("r5.eml", "a@example.test", "me@example.test",
           "Message-ID: <five@x>\nReferences: <caf\xe9@x> words <> <ok@x> <open\n");
    EXPECT_EQ(reply_thread("r5.eml"), "<ok@x> <five@x>");

    std::string long_thread, last;
    for (int i = 0; i < 60; i++) {
        std::string id = "<" + std::string(20, static_cast<char>('a' + i % 26)) + std::to_string(i) + "@x>";
        long_thread += (i ? "\n " : "") + id;
        last = id;
    }
    stored("r4.eml", "a@example.test", "me@example.test", "Message-ID: <parent@x>\nReferences: " + long_thread + "\n");
    std::string thread = reply_thread("r4.eml");
    EXPECT_LE(std::string("References: ").size() + thread.size(), 998u);
    EXPECT_GT(std::string("References: ").size() + thread.size(), 998u - 30);
    const std::string newest = last + " <parent@x>";
    EXPECT_EQ(thread.substr(thread.size() - newest.size()), newest);
    EXPECT_EQ(thread.find("<aaaaaaaaaaaaaaaaaaaa0@x>"), std::string::npos);  // the oldest went first
}
