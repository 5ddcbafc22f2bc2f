#include <cstring>
#include <filesystem>
#include <string>

#include "client/client_keys.h"
#include "format/encryption.h"
#include "format/subject_crypt.h"
#include "tests/unit/test_support.h"

namespace {

class SubjectCryptTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        std::string key;
        for (int i = 0; i < 32; i++) key += static_cast<char>(i * 7 + 3);
        write_file(folder_ / "bfkey.dat", key);
        ASSERT_EQ(load_message_key(), 0);
    }
    void TearDown() override {
        std::filesystem::remove(folder_ / "bfkey.dat");
        load_message_key();
        FolderTest::TearDown();
    }
};

TEST_F(SubjectCryptTest, EverySubjectUpTo98CharactersRoundTrips) {
    Array* stored = array_new(encrypted_subject_max_length + 1);
    Array* subject = array_new(100);
    std::string text;
    for (int length = 0; length <= subject_max_length; length++) {
        ASSERT_EQ(encrypt_subject(text.c_str(), stored), 0) << length;
        // 8 - length % 8 bytes of padding, then 4 base64 characters for 3 bytes.
        int padded = length + 8 - length % 8;
        EXPECT_EQ(static_cast<int>(std::strlen(stored->text)), (padded + 2) / 3 * 4) << length;
        EXPECT_EQ(decrypt_subject(stored->text, subject), 0) << length;
        EXPECT_EQ(std::string(subject->text), text) << length;
        text += static_cast<char>('A' + length % 26);
        if (length % 9 == 4) text.back() = ' ';
    }
    EXPECT_LE(static_cast<int>(std::strlen(stored->text)), encrypted_subject_max_length);
    delete_arrays(stored, subject);
}

TEST_F(SubjectCryptTest, LongerSubjectsAreCutTo98BeforeEnciphering) {
    Array* stored = array_new(encrypted_subject_max_length + 1);
    Array* subject = array_new(100);
    std::string long_subject(150, 's');
    ASSERT_EQ(encrypt_subject(long_subject.c_str(), stored), 0);
    EXPECT_EQ(std::strlen(stored->text), 140u);
    ASSERT_EQ(decrypt_subject(stored->text, subject), 0);
    EXPECT_EQ(std::string(subject->text), std::string(98, 's'));
    delete_arrays(stored, subject);
}

TEST_F(SubjectCryptTest, TextThatIsNoEncipheredSubjectStaysAsItIs) {
    Array* subject = array_new(100);
    EXPECT_EQ(decrypt_subject("Hello there", subject), -1);
    EXPECT_STREQ(subject->text, "Hello there");
    EXPECT_EQ(decrypt_subject("", subject), -1);
    delete_arrays(subject);
}

TEST_F(SubjectCryptTest, WithoutAKeyNothingIsEnciphered) {
    std::filesystem::remove(folder_ / "bfkey.dat");
    load_message_key();
    Array* stored = array_new(encrypted_subject_max_length + 1);
    EXPECT_EQ(encrypt_subject("secret", stored), -1);
    EXPECT_EQ(decrypt_subject("c2VjcmV0AAAAAAAA", stored), -1);
    EXPECT_STREQ(stored->text, "c2VjcmV0AAAAAAAA");
    delete_arrays(stored);
}

}  // namespace
