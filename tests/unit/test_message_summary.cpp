#include <filesystem>
#include <string>

#include "core/app_state.h"
#include "format/encryption.h"
#include "format/subject_crypt.h"
#include "store/message_summary.h"
#include "tests/unit/test_support.h"
#include "ui/client_keys.h"

namespace {

class SummaryTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        if (!app.program_folder) create_app_state();
        summary = summary_new();
    }
    void TearDown() override {
        summary_delete(summary);
        FolderTest::TearDown();
    }
    int read(const std::string& message) {
        write_file(folder_ / "m.eml", message);
        return read_summary(0, summary, "m.eml");
    }
    std::string recipient(int i) { return summary->recipients->items[i]->text; }
    MessageSummary* summary = nullptr;
};

TEST_F(SummaryTest, FieldsOfAReceivedMessage) {
    EXPECT_EQ(read("X-ZMRead: FALSE\r\nX-ReceivedDate: Sun, 6 Dec 2026 13:32:38 +0100\r\n"
                   "From: \"Jane Doe\" <jane@example.org>\r\nTo: a@example.test, \"B, Bee\" <b@example.test>\r\n"
                   "Cc: c@example.test\r\nSubject: Lunch on Friday\r\nDate: Sat, 5 Dec 2026 09:07:03 -0500\r\n"
                   "\r\nBody with \r\nSubject: not this\r\n"),
              SUMMARY_OK);
    EXPECT_EQ(summary->read, 0);
    EXPECT_EQ(summary->marked, 0);
    EXPECT_STREQ(summary->from->text, "\"Jane Doe\" <jane@example.org>");
    EXPECT_STREQ(summary->from_name->text, "Jane Doe");
    EXPECT_STREQ(summary->from_address->text, "jane@example.org");
    EXPECT_EQ(recipient(0), "a@example.test");
    EXPECT_EQ(recipient(1), " \"B, Bee\" <b@example.test>");  // entries as received
    EXPECT_EQ(recipient(2), "c@example.test");
    EXPECT_EQ(recipient(3), "");
    EXPECT_STREQ(summary->subject->text, "Lunch on Friday");
    EXPECT_STREQ(summary->date->text, "2026-12-05 09:07:03 -0500");
    EXPECT_EQ(summary->multipart, 0);
}

TEST_F(SummaryTest, SenderNameForms) {
    read("From: Jane Doe <jane@example.org>\r\n\r\n");
    EXPECT_STREQ(summary->from_name->text, "Jane Doe");
    read("From: <jane@example.org>\r\n\r\n");
    EXPECT_STREQ(summary->from_name->text, "jane@example.org");
    read("From: jane@example.org\r\n\r\n");
    EXPECT_STREQ(summary->from_name->text, "jane@example.org");
    EXPECT_STREQ(summary->from_address->text, "jane@example.org");
}

TEST_F(SummaryTest, MarkedAndMultipartAndMissingFields) {
    EXPECT_EQ(read("X-ZMMark: TRUE\r\nContent-Type: multipart/mixed; boundary=x\r\n\r\n--x\r\n"), SUMMARY_OK);
    EXPECT_EQ(summary->marked, 1);
    EXPECT_EQ(summary->read, 1);
    EXPECT_EQ(summary->multipart, 1);
    EXPECT_STREQ(summary->date->text, "unknown");
    EXPECT_STREQ(summary->subject->text, "");
    read("Subject: x\r\n\r\nContent-Type: multipart/mixed\r\n");
    EXPECT_EQ(summary->multipart, 0);  // only in the body
}

TEST_F(SummaryTest, UnreadableFilesAndHeaders) {
    EXPECT_EQ(read_summary(0, summary, "no such file.eml"), SUMMARY_UNREADABLE);
    // A header larger than the summary text: no header end in sight.
    std::string big = "From: a@example.test\r\nTo: b@example.test\r\nX-Long: " + std::string(20000, 'x') + "\r\n\r\n";
    EXPECT_EQ(read(big), SUMMARY_UNREADABLE);
    EXPECT_STREQ(summary->from_name->text, "a@example.test");
    EXPECT_EQ(read(""), SUMMARY_OK);
}

TEST_F(SummaryTest, ForwardedHeadersInTheBodyAreNotRecipients) {
    EXPECT_EQ(read("From: a@example.test\r\nSubject: Fwd\r\n\r\n> To: someone@example.test\r\n"), SUMMARY_OK);
    EXPECT_EQ(recipient(0), "");
}

TEST_F(SummaryTest, NumberedMessageOfTheFolderOnShow) {
    std::filesystem::create_directories(folder_ / "maildir" / "inbox");
    write_file(folder_ / "maildir/inbox/mm7.eml", "From: a@example.test\r\nSubject: seven\r\n\r\n");
    array_copy(app.current_folder, "maildir\\inbox");
    EXPECT_EQ(read_summary(7, summary, nullptr), SUMMARY_OK);
    EXPECT_STREQ(summary->subject->text, "seven");
}

TEST_F(SummaryTest, EncryptedSubjectsOfEveryLengthAreDeciphered) {
    std::string key(32, 'k');
    write_file(folder_ / "bfkey.dat", key);
    ASSERT_EQ(load_message_key(), 0);
    Array* stored = array_new(encrypted_subject_max_length + 1);
    for (int length : {0, 1, 55, 56, 71, 72, 97, 98}) {
        std::string subject(length, static_cast<char>('a' + length % 26));
        ASSERT_EQ(encrypt_subject(subject.c_str(), stored), 0);
        EXPECT_EQ(read("From: a@example.test\r\nSubject: " + std::string(stored->text) +
                       "\r\nContent-Transfer-Encoding: X-ZMcrypt\r\n\r\nbody"),
                  SUMMARY_OK);
        EXPECT_EQ(std::string(summary->subject->text), subject) << length;
    }
    // Without the key the stored text is listed and the fill is told.
    std::filesystem::remove(folder_ / "bfkey.dat");
    load_message_key();
    EXPECT_EQ(read("From: a@example.test\r\nSubject: " + std::string(stored->text) +
                   "\r\nContent-Transfer-Encoding: X-ZMcrypt\r\n\r\n"),
              SUMMARY_SUBJECT_LOCKED);
    EXPECT_EQ(std::string(summary->subject->text), std::string(stored->text).substr(0, 99));
    delete_arrays(stored);
}

}  // namespace
