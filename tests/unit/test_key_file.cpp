// bfkey.dat and pwdkey.dat as the client, the options program and the
// account manager share them: file bytes read into a key, and a key written
// back.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "format/key_file.h"
#include "tests/unit/test_support.h"

namespace {

// Key bytes that a text reading would spoil: CR LF, zero, end-of-file mark.
std::string binary_key() {
    std::string key;
    for (int i = 0; i < 32; i++) key += static_cast<char>("\r\n\0\x1a\xff"[i % 5]);
    return key;
}

using KeyFileTest = FolderTest;

TEST_F(KeyFileTest, FileToKeyToFile) {
    struct Row {
        const char* name;
        std::string file;
        int result;
    };
    const std::vector<Row> rows = {
        {"32 bytes", std::string(32, 'k'), KEY_FILE_LOADED},
        {"32 binary bytes", binary_key(), KEY_FILE_LOADED},
        {"empty", "", KEY_FILE_CORRUPT},
        {"31 bytes", std::string(31, 'k'), KEY_FILE_CORRUPT},
        {"33 bytes", std::string(33, 'k'), KEY_FILE_CORRUPT},
        {"a key and a line end", std::string(32, 'k') + "\r\n", KEY_FILE_CORRUPT},
        {"4096 bytes", std::string(4096, 'k'), KEY_FILE_CORRUPT},
    };
    UiRecorder ui;
    for (const Row& row : rows) {
        write_file(folder_ / "bfkey.dat", row.file);
        unsigned char key[KEY_FILE_LENGTH];
        std::fill(key, key + KEY_FILE_LENGTH, 0xEE);
        EXPECT_EQ(read_key_file(message_key_file, key), row.result) << row.name;
        if (row.result != KEY_FILE_LOADED) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(key), 32), std::string(32, '\xEE')) << row.name;
            continue;
        }
        ASSERT_EQ(write_key_file(password_key_file, key), 0) << row.name;
        EXPECT_EQ(read_file(folder_ / "pwdkey.dat"), row.file) << row.name;
    }
    // The programs decide what to tell the user; the codec tells nobody.
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_STREQ(key_file_corrupt_text, "Key file is corrupted. Please reinstall.");
}

TEST_F(KeyFileTest, MissingAndUnwritableFiles) {
    unsigned char key[KEY_FILE_LENGTH] = {1, 2, 3};
    EXPECT_EQ(read_key_file(message_key_file, key), KEY_FILE_ABSENT);
    EXPECT_EQ(key[0], 1);
    std::filesystem::create_directory(folder_ / "pwdkey.dat");
    EXPECT_EQ(write_key_file(password_key_file, key), -1);
}

TEST_F(KeyFileTest, WritingReplacesALongerFile) {
    write_file(folder_ / "bfkey.dat", std::string(100, 'x'));
    const std::string key = binary_key();
    ASSERT_EQ(write_key_file(message_key_file, reinterpret_cast<const unsigned char*>(key.data())), 0);
    EXPECT_EQ(read_file(folder_ / "bfkey.dat"), key);
}

TEST_F(KeyFileTest, NewKeysComeFromTheSystemsRandomSource) {
    unsigned char first[KEY_FILE_LENGTH], second[KEY_FILE_LENGTH];
    ASSERT_EQ(create_key_file(password_key_file, first), 0);
    EXPECT_EQ(read_file(folder_ / "pwdkey.dat"), std::string(reinterpret_cast<char*>(first), KEY_FILE_LENGTH));
    ASSERT_EQ(create_key_file(message_key_file, second), 0);
    EXPECT_EQ(read_file(folder_ / "bfkey.dat"), std::string(reinterpret_cast<char*>(second), KEY_FILE_LENGTH));
    // Two keys made in the same second share nothing: no clock seeds them.
    EXPECT_NE(std::string(reinterpret_cast<char*>(first), 32), std::string(reinterpret_cast<char*>(second), 32));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "pwdkey.dat.new"));

    // A key that cannot be stored is not handed out either.
    std::filesystem::create_directory(folder_ / "sub");
    std::filesystem::create_directory(folder_ / "sub" / "pwdkey.dat.new");
    EXPECT_EQ(create_key_file("sub\\pwdkey.dat", first), -1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(first), 32), std::string(32, '\0'));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "sub" / "pwdkey.dat"));
}

}  // namespace
