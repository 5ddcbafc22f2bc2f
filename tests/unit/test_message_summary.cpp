#include <filesystem>
#include <string>

#include "client/client_keys.h"
#include "core/app_state.h"
#include "format/encryption.h"
#include "format/subject_crypt.h"
#include "store/message_summary.h"
#include "tests/unit/test_support.h"

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

TEST_F(SummaryTest, EncodedAndFoldedTextsAreReadDecoded) {
    EXPECT_EQ(read("From: =?koi8-r?B?8NLJ18XU?= <ivan@example.ru>\r\n"
                   "To: =?utf-8?Q?J=C3=BCrgen?= <j@example.de>,\r\n \"=?iso-8859-7?Q?=C3=E5=E9=DC?=\" <g@example.gr>\r\n"
                   "Cc: =?shift_jis?B?k/qWe4zq?= <n@example.jp>\r\n"
                   "Subject: =?UTF-8?B?0J/RgNC40LLQtdGCLCA=?=\r\n =?UTF-8?B?0LzQuNGAIQ==?= and\r\n\tmore\r\n\r\n"),
              SUMMARY_OK);
    EXPECT_STREQ(summary->subject->text, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80! and more");
    EXPECT_STREQ(summary->from_name->text, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    EXPECT_STREQ(summary->from_address->text, "ivan@example.ru");
    // The new-mail command's FROM: the value as received.
    EXPECT_STREQ(summary->from->text, "=?koi8-r?B?8NLJ18XU?= <ivan@example.ru>");
    EXPECT_EQ(recipient(0), "J\xC3\xBCrgen <j@example.de>");
    EXPECT_EQ(recipient(1), " \"\xCE\x93\xCE\xB5\xCE\xB9\xCE\xAC\" <g@example.gr>");
    EXPECT_EQ(recipient(2), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E <n@example.jp>");

    // 8-bit text as older programs wrote it: UTF-8 when it is, else the
    // system's code page; a TAB or a decoded line break becomes a blank.
    read("From: \"Fran\xE7ois\" <f@example.fr>\r\nSubject: Gr\xC3\xBC\xC3\x9F" "e\ta=?utf-8?Q?=0D=0Ab?=\r\n\r\n");
    EXPECT_STREQ(summary->from_name->text, "Fran\xC3\xA7ois");
    EXPECT_STREQ(summary->subject->text, "Gr\xC3\xBC\xC3\x9F" "e a  b");
}

TEST_F(SummaryTest, LongTextsAreCutAfterDecodingAtACharacter) {
    // 156 Cyrillic characters in 312 bytes, as six encoded lines.
    std::string words;
    for (int i = 0; i < 6; i++) words += "=?utf-8?B?0JDQkdCS0JPQlNCV0JbQl9CY0JnQmtCb0JzQndCe0J/QoNCh0KLQo9Ck0KXQptCn0KjQqQ==?=\r\n ";
    read("From: \"" + words + "\" <a@example.org>\r\nSubject: " + words + "end\r\n\r\n");
    std::string alphabet = "\xD0\x90\xD0\x91\xD0\x92\xD0\x93\xD0\x94\xD0\x95\xD0\x96\xD0\x97\xD0\x98\xD0\x99\xD0\x9A"
                           "\xD0\x9B\xD0\x9C\xD0\x9D\xD0\x9E\xD0\x9F\xD0\xA0\xD0\xA1\xD0\xA2\xD0\xA3\xD0\xA4\xD0\xA5"
                           "\xD0\xA6\xD0\xA7\xD0\xA8\xD0\xA9";
    std::string all;
    for (int i = 0; i < 6; i++) all += alphabet;
    // 99 characters of the subject (198 bytes), 124 of the name.
    EXPECT_EQ(std::string(summary->subject->text), all.substr(0, 198));
    EXPECT_EQ(std::string(summary->from_name->text), all.substr(0, 248));
    // ASCII subjects keep to 99 characters as before.
    read("Subject: " + std::string(120, 's') + "\r\n\r\n");
    EXPECT_EQ(std::string(summary->subject->text), std::string(99, 's'));
}

TEST_F(SummaryTest, FieldsCountOnlyAtTheStartOfAHeaderLine) {
    read("X-Original-From: someone@example.test\r\nX-Subject: not this\r\nFrom: a@example.test\r\n\r\n"
         "Subject: in the body\r\n");
    EXPECT_STREQ(summary->from->text, "a@example.test");
    EXPECT_STREQ(summary->subject->text, "");
    read("from:b@example.test\r\nSUBJECT:tight\r\n\r\n");
    EXPECT_STREQ(summary->from_address->text, "b@example.test");
    EXPECT_STREQ(summary->subject->text, "tight");
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
