#include <cstring>
#include <filesystem>
#include <string>

#include "client/client_keys.h"
#include "format/encryption.h"
#include "format/password_key.h"
#include "tests/unit/test_support.h"

namespace {

class PasswordKeyTest : public FolderTest {
protected:
    void TearDown() override {
        std::filesystem::remove(folder_ / "pwdkey.dat");
        std::filesystem::remove(folder_ / "bfkey.dat");
        password_key_load();
        load_message_key();
        FolderTest::TearDown();
    }
    UiRecorder ui;
};

TEST_F(PasswordKeyTest, PasswordsAreWholeBlocksUnderTheirOwnKey) {
    write_file(folder_ / "pwdkey.dat", std::string(32, 'p'));
    write_file(folder_ / "bfkey.dat", std::string(32, 'm'));
    ASSERT_EQ(password_key_load(), 0);
    EXPECT_TRUE(password_key_loaded());
    EXPECT_FALSE(message_key_loaded());
    ASSERT_EQ(load_message_key(), 0);

    Array* password = array_new(100);
    Array* same_with_message_key = array_new(100);
    array_copy(password, "8 chars!");
    array_copy(same_with_message_key, "8 chars!");
    EXPECT_EQ(password_encrypt_buffer(password, 8), 16);
    EXPECT_EQ(encrypt_buffer(message_key(), same_with_message_key, 8), 16);
    EXPECT_NE(std::memcmp(password->bytes, same_with_message_key->bytes, 16), 0);
    EXPECT_EQ(password_decrypt_buffer(password, 16), 0);
    EXPECT_STREQ(password->text, "8 chars!");

    array_clear(password);
    array_copy(password, "seven c");
    EXPECT_EQ(password_encrypt_buffer(password, 7), 8);
    EXPECT_EQ(password_decrypt_buffer(password, 8), 0);
    EXPECT_STREQ(password->text, "seven c");
    delete_arrays(password, same_with_message_key);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(PasswordKeyTest, MissingOrCorruptKeyLeavesPasswordsUnusable) {
    Array* password = array_new(100);
    array_copy(password, "secret");
    EXPECT_EQ(password_key_load(), -1);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(password_encrypt_buffer(password, 6), -1);
    EXPECT_EQ(password_decrypt_buffer(password, 8), -1);
    EXPECT_STREQ(password->text, "secret");

    write_file(folder_ / "pwdkey.dat", std::string(33, 'p'));
    EXPECT_EQ(password_key_load(), -1);
    EXPECT_FALSE(password_key_loaded());
    ASSERT_EQ(ui.box_texts(), std::vector<std::string>{"Key file is corrupted. Please reinstall."});
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
    delete_arrays(password);
}

}  // namespace
