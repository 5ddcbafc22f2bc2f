#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "client/client_keys.h"
#include "format/encryption.h"
#include "tests/unit/test_support.h"

namespace {

const char* const no_key_for_decrypting = "Could not decrypt e-mail because the encryption key file bfkey.dat does not exist.";

// FEDCBA9876543210 four times: the 32-byte key equals the published 8-byte
// test key, since the key is taken cyclically.
std::string test_key() {
    const unsigned char eight[] = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
    std::string key;
    for (int i = 0; i < 4; i++) key.append(reinterpret_cast<const char*>(eight), 8);
    return key;
}

class EncryptionTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        write_file(folder_ / "bfkey.dat", test_key());
        ASSERT_EQ(load_message_key(), 0);
    }
    void TearDown() override {
        std::filesystem::remove(folder_ / "bfkey.dat");
        load_message_key();  // leaves no key loaded for later tests
        FolderTest::TearDown();
    }
    // The stored form of a block: each half least significant byte first.
    static std::string encrypt_block(std::string block) {
        blowfish_encrypt_bytes(message_key(), reinterpret_cast<unsigned char*>(block.data()));
        return block;
    }
    static std::string decrypt_block(std::string block) {
        blowfish_decrypt_bytes(message_key(), reinterpret_cast<unsigned char*>(block.data()));
        return block;
    }
    UiRecorder ui;
};

using MessageKeyTest = FolderTest;

TEST_F(MessageKeyTest, KeyFileOfExactly32BytesLoads) {
    UiRecorder ui;
    write_file(folder_ / "bfkey.dat", test_key());
    EXPECT_EQ(load_message_key(), 0);
    EXPECT_TRUE(message_key_loaded());
    EXPECT_NE(message_key(), nullptr);
    EXPECT_TRUE(ui.boxes.empty());

    std::filesystem::remove(folder_ / "bfkey.dat");
    EXPECT_EQ(load_message_key(), -1);
    EXPECT_FALSE(message_key_loaded());
    EXPECT_EQ(message_key(), nullptr);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(MessageKeyTest, KeyFileOfAnyOtherLengthIsCorrupt) {
    for (size_t length : {0, 1, 31, 33, 64, 4096}) {
        UiRecorder ui;
        write_file(folder_ / "bfkey.dat", test_key());
        ASSERT_EQ(load_message_key(), 0);
        write_file(folder_ / "bfkey.dat", std::string(length, 'k'));
        EXPECT_EQ(load_message_key(), -1) << length;
        EXPECT_FALSE(message_key_loaded()) << length;
        ASSERT_EQ(ui.boxes.size(), 1u) << length;
        EXPECT_EQ(ui.boxes[0].text, "Key file is corrupted. Please reinstall.");
        EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
        EXPECT_EQ(ui.boxes[0].style, unsigned{UI_OK});
    }
}

TEST_F(EncryptionTest, BufferPaddingIsOneToEightBytesOfItsOwnCount) {
    for (int length = 0; length <= 17; length++) {
        Array* buffer = array_new(40);
        std::string text = std::string("0123456789abcdefghij").substr(0, static_cast<size_t>(length));
        array_copy(buffer, text.c_str());
        int padding = 8 - length % 8;
        ASSERT_EQ(encrypt_buffer(message_key(), buffer, length), length + padding) << length;

        std::string stored(buffer->text, static_cast<size_t>(length + padding));
        std::string plain;
        for (size_t at = 0; at < stored.size(); at += 8) plain += decrypt_block(stored.substr(at, 8));
        EXPECT_EQ(plain, text + std::string(static_cast<size_t>(padding), static_cast<char>(padding))) << length;

        EXPECT_EQ(decrypt_buffer(message_key(), buffer, length + padding), 0) << length;
        EXPECT_EQ(std::string(buffer->text, 40), text + std::string(40 - text.size(), '\0')) << length;
        delete_arrays(buffer);
    }
}

TEST_F(EncryptionTest, BufferBlocksAreThePublishedOnesWithHalvesReversed) {
    Array* buffer = array_new(20);
    const unsigned char plain[] = {0x67, 0x45, 0x23, 0x01, 0xEF, 0xCD, 0xAB, 0x89};  // 0123456789ABCDEF
    std::memcpy(buffer->chars, plain, 8);
    ASSERT_EQ(encrypt_buffer(message_key(), buffer, 8), 16);
    const unsigned char cipher[] = {0x0F, 0xAB, 0xCE, 0x0A, 0x8D, 0xA2, 0xA0, 0xC6};  // 0ACEAB0FC6A0A28D
    EXPECT_EQ(std::memcmp(buffer->bytes, cipher, 8), 0);
    EXPECT_EQ(std::string(buffer->text + 8, 8), encrypt_block(std::string(8, '\x08')));
    delete_arrays(buffer);
}

TEST_F(EncryptionTest, BufferWithoutRoomForThePaddingIsLeftAlone) {
    Array* buffer = array_new(16);
    array_copy(buffer, "12345678");
    EXPECT_EQ(encrypt_buffer(message_key(), buffer, 8), -1);  // 16 bytes would take the last byte
    EXPECT_STREQ(buffer->text, "12345678");
    EXPECT_EQ(encrypt_buffer(message_key(), buffer, 7), 8);
    EXPECT_EQ(encrypt_buffer(nullptr, buffer, 3), -1);
    EXPECT_EQ(encrypt_buffer(message_key(), buffer, -1), -1);
    delete_arrays(buffer);

    Array* subject = array_new(100);
    array_copy(subject, "Ten chars!");
    EXPECT_EQ(encrypt_buffer(message_key(), subject, 10), 16);
    delete_arrays(subject);
}

TEST_F(EncryptionTest, BufferWhosePaddingDoesNotDecodeStaysAsDeciphered) {
    for (unsigned char last : {0x00, 0x09, 0x20, 0xFF}) {
        std::string plain = std::string("abcdefg") + static_cast<char>(last);
        Array* buffer = array_new(20);
        std::string stored = encrypt_block(plain);
        std::memcpy(buffer->chars, stored.data(), 8);
        EXPECT_EQ(decrypt_buffer(message_key(), buffer, 8), -1) << int(last);
        EXPECT_EQ(std::string(buffer->text, 8), plain) << int(last);
        delete_arrays(buffer);
    }

    // Less than a block: nothing to decipher. A length past the buffer is
    // held to the blocks before its last byte.
    Array* small = array_new(16);
    array_copy(small, "abcdefg");
    EXPECT_EQ(decrypt_buffer(message_key(), small, 7), -1);
    EXPECT_STREQ(small->text, "abcdefg");
    std::string stored = encrypt_block(std::string("abcdef\x02\x02", 8));
    std::memcpy(small->chars, stored.data(), 8);
    std::memset(small->chars + 8, 'z', 7);
    EXPECT_EQ(decrypt_buffer(message_key(), small, 1000), 0);
    EXPECT_EQ(std::string(small->text, 16), std::string("abcdef\0\0zzzzzzz\0", 16));
    delete_arrays(small);
}

TEST_F(EncryptionTest, FilesRoundTripWithTheirExactLengths) {
    for (size_t length : {0, 1, 7, 8, 9, 15, 16, 17}) {
        std::string plain;
        for (size_t i = 0; i < length; i++) plain += static_cast<char>('A' + i);
        write_file(folder_ / "plain.txt", plain);
        ASSERT_EQ(encrypt_file(nullptr, "plain.txt", "crypt.bin"), 0) << length;
        std::string stored = read_file(folder_ / "crypt.bin");
        EXPECT_EQ(stored.size(), length / 8 * 8 + 8) << length;

        // The same bytes a buffer gives: padded, then each block on its own.
        Array* buffer = array_new(40);
        std::memcpy(buffer->chars, plain.data(), length);
        int padded = encrypt_buffer(message_key(), buffer, static_cast<int>(length));
        EXPECT_EQ(stored, std::string(buffer->text, static_cast<size_t>(padded))) << length;
        delete_arrays(buffer);

        ASSERT_EQ(decrypt_file("crypt.bin", "back.txt", 1), 0) << length;
        EXPECT_EQ(read_file(folder_ / "back.txt"), plain) << length;
    }
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(EncryptionTest, EmptyFileBecomesOneBlockOfPadding) {
    write_file(folder_ / "empty.txt", "");
    ASSERT_EQ(encrypt_file(nullptr, "empty.txt", "crypt.bin"), 0);
    EXPECT_EQ(read_file(folder_ / "crypt.bin"), encrypt_block(std::string(8, '\x08')));
    ASSERT_EQ(decrypt_file("crypt.bin", "back.txt", 1), 0);
    EXPECT_TRUE(std::filesystem::exists(folder_ / "back.txt"));
    EXPECT_EQ(read_file(folder_ / "back.txt"), "");
}

TEST_F(EncryptionTest, LargeFileIsEveryBlockOnItsOwn) {
    std::mt19937 random(7);
    std::string plain(10 * 1024 * 1024 + 3, '\0');
    for (char& c : plain) c = static_cast<char>(random());
    write_file(folder_ / "large.bin", plain);
    ASSERT_EQ(encrypt_file(nullptr, "large.bin", "crypt.bin"), 0);
    std::string stored = read_file(folder_ / "crypt.bin");
    ASSERT_EQ(stored.size(), plain.size() + 5);
    for (size_t at = 0; at + 8 <= plain.size(); at += 8)
        ASSERT_EQ(stored.compare(at, 8, encrypt_block(plain.substr(at, 8))), 0) << at;
    EXPECT_EQ(stored.substr(stored.size() - 8), encrypt_block(plain.substr(plain.size() - 3) + "\x05\x05\x05\x05\x05"));

    ASSERT_EQ(decrypt_file("crypt.bin", "back.bin", 1), 0);
    EXPECT_TRUE(read_file(folder_ / "back.bin") == plain);
}

TEST_F(EncryptionTest, LastBlockKeepsWhatItsLastByteSays) {
    struct Case {
        std::string last_block;
        std::string kept;
    };
    const Case cases[] = {
        {std::string("abcde\x03\x03\x03", 8), "abcde"},
        {std::string("abcdefg\x01", 8), "abcdefg"},
        {std::string("a\x07\x07\x07\x07\x07\x07\x07", 8), "a"},
        {std::string(8, '\x08'), ""},
        {std::string("abcdefg\x00", 8), std::string("abcdefg\x00", 8)},
        {std::string("abcdefg\x09", 8), ""},
        {std::string("abcdefg\xC8", 8), ""},
    };
    for (const Case& c : cases) {
        std::string first = "12345678";
        write_file(folder_ / "crypt.bin", encrypt_block(first) + encrypt_block(c.last_block));
        ASSERT_EQ(decrypt_file("crypt.bin", "back.txt", 1), 0);
        EXPECT_EQ(read_file(folder_ / "back.txt"), first + c.kept);
    }
}

TEST_F(EncryptionTest, BytesAfterTheLastWholeBlockAreDropped) {
    std::string blocks = encrypt_block("12345678") + encrypt_block(std::string("abc\x05\x05\x05\x05\x05", 8));
    write_file(folder_ / "crypt.bin", blocks + "xyz");
    ASSERT_EQ(decrypt_file("crypt.bin", "back.txt", 1), 0);
    EXPECT_EQ(read_file(folder_ / "back.txt"), "12345678abc");

    write_file(folder_ / "short.bin", "1234567");
    ASSERT_EQ(decrypt_file("short.bin", "back.txt", 1), 0);
    EXPECT_EQ(read_file(folder_ / "back.txt"), "");
    write_file(folder_ / "empty.bin", "");
    ASSERT_EQ(decrypt_file("empty.bin", "back.txt", 1), 0);
    EXPECT_EQ(read_file(folder_ / "back.txt"), "");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(EncryptionTest, UnencryptedFileIsCopiedUnchanged) {
    for (size_t length : {0, 13, 70001}) {
        std::string plain(length, '\0');
        for (size_t i = 0; i < length; i++) plain[i] = static_cast<char>(i * 7);
        write_file(folder_ / "plain.bin", plain);
        ASSERT_EQ(decrypt_file("plain.bin", "copy.bin", 0), 0);
        EXPECT_TRUE(read_file(folder_ / "copy.bin") == plain) << length;
    }
}

TEST_F(EncryptionTest, FilesThatCannotBeOpenedAreReported) {
    write_file(folder_ / "plain.txt", "text");
    EXPECT_NE(encrypt_file(nullptr, "missing.txt", "crypt.bin"), 0);
    EXPECT_NE(encrypt_file(nullptr, "plain.txt", "no folder\\crypt.bin"), 0);
    EXPECT_NE(decrypt_file("plain.txt", "no folder\\back.txt", 1), 0);
    EXPECT_NE(decrypt_file("missing.bin", "back.txt", 1), 0);
    EXPECT_NE(decrypt_file("missing.bin", "back.txt", 0), 0);
    const std::vector<std::string> expected = {
        "Could not open encryption source file!",   "Could not open attachment file!",
        "Could not open decryption destination file!", "Could not open decryption source file!",
        "Could not open decryption source file!",
    };
    EXPECT_EQ(ui.box_texts(), expected);
    for (const RecordedBox& box : ui.boxes) EXPECT_EQ(box.caption, "Zenth Mail");
}

TEST_F(EncryptionTest, WithoutAKeyNothingIsCipheredButCopyingWorks) {
    std::filesystem::remove(folder_ / "bfkey.dat");
    load_message_key();
    write_file(folder_ / "plain.txt", "secret text");
    EXPECT_NE(encrypt_file(nullptr, "plain.txt", "crypt.bin"), 0);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "crypt.bin"));
    EXPECT_NE(decrypt_file("plain.txt", "back.txt", 1), 0);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "back.txt"));
    const std::vector<std::string> expected = {
        "Could not encrypt e-mail because the encryption key file bfkey.dat does not exist.",
        no_key_for_decrypting,
    };
    EXPECT_EQ(ui.box_texts(), expected);

    EXPECT_EQ(decrypt_file("plain.txt", "copy.txt", 0), 0);
    EXPECT_EQ(read_file(folder_ / "copy.txt"), "secret text");
    Array* buffer = array_new(40);
    EXPECT_EQ(encrypt_buffer(message_key(), buffer, 3), -1);
    delete_arrays(buffer);
}

#ifndef _WIN32
TEST_F(EncryptionTest, FailedWritesAndReadsAreReported) {
    write_file(folder_ / "plain.txt", std::string(100000, 'p'));
    ASSERT_EQ(encrypt_file(nullptr, "plain.txt", "crypt.bin"), 0);
    EXPECT_NE(encrypt_file(nullptr, "plain.txt", "/dev/full"), 0);
    EXPECT_NE(decrypt_file("crypt.bin", "/dev/full", 1), 0);
    EXPECT_NE(decrypt_file("plain.txt", "/dev/full", 0), 0);
    // A folder opens for reading here, but every read fails.
    std::filesystem::create_directory(folder_ / "folder");
    EXPECT_NE(encrypt_file(nullptr, "folder", "crypt2.bin"), 0);
    EXPECT_NE(decrypt_file("folder", "back.txt", 1), 0);
    const std::vector<std::string> expected = {
        "Could not write attachment file!",       "Could not write decryption destination file!",
        "Could not write decryption destination file!", "Could not read encryption source file!",
        "Could not read decryption source file!",
    };
    EXPECT_EQ(ui.box_texts(), expected);
}
#endif

using EncryptedMessageTest = FolderTest;

TEST_F(EncryptedMessageTest, MarkerCountsOnlyInTheTopLevelHeader) {
    const std::pair<std::string, int> cases[] = {
        {"X-ZMRead: FALSE\r\nSubject: x\r\nContent-Transfer-Encoding: X-ZMcrypt\r\n\r\nQUJD\r\n", 1},
        {"X-ZMRead: FALSE\r\ncontent-transfer-encoding: x-zmcrypt\r\nSubject: x\r\n\r\nbody\r\n", 1},
        {"From: a\r\nContent-Type: multipart/mixed\r\n\r\n--b\r\n"
         "Content-Transfer-Encoding: X-ZMcrypt\r\n\r\nbody\r\n",
         0},
        {"From: a\r\nContent-Transfer-Encoding: X-ZMcrypted\r\n\r\nbody\r\n", 0},
        {"From: a\r\nContent-Transfer-Encoding: base64\r\n\r\nbody\r\n", 0},
        {"", 0},
    };
    for (const auto& [message, encrypted] : cases) {
        write_file(folder_ / "mm1.eml", message);
        EXPECT_EQ(is_encrypted_message("mm1.eml"), encrypted) << message;
    }
    EXPECT_EQ(is_encrypted_message("mm2.eml"), 0);
}

}  // namespace
