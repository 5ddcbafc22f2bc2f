#include <algorithm>
#include <cstring>
#include <string>

#include "transport/md5.h"
#include "transport/sha256.h"
#include "tests/unit/test_support.h"

namespace {

std::string to_hex(const unsigned char* digest, int length = 16) {
    std::string text;
    char digits[3];
    for (int i = 0; i < length; i++) {
        std::snprintf(digits, sizeof digits, "%02x", digest[i]);
        text += digits;
    }
    return text;
}

std::string md5_of(const std::string& text, size_t piece) {
    Md5Context context;
    md5_init(&context);
    for (size_t at = 0; at < text.size(); at += piece)
        md5_update(&context, reinterpret_cast<const unsigned char*>(text.data()) + at, std::min(piece, text.size() - at));
    unsigned char digest[16];
    md5_final(digest, &context);
    return to_hex(digest);
}

TEST(Md5, Rfc1321TestSuiteInPiecesOfAnySize) {
    const std::pair<std::string, std::string> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, digest] : suite)
        for (size_t piece : {1, 3, 63, 64, 65, 1000}) EXPECT_EQ(md5_of(text, piece), digest) << text << " / " << piece;
}

TEST(Md5, LengthsAroundThePaddingBoundary) {
    // 55 bytes still take the count in the same block, 56 need another one.
    EXPECT_EQ(md5_of(std::string(55, 'a'), 55), "ef1772b6dff9a122358552954ad0df65");
    EXPECT_EQ(md5_of(std::string(56, 'a'), 7), "3b0c8ac703f828b04c6c197006d17218");
    EXPECT_EQ(md5_of(std::string(64, 'a'), 64), "014842d480b571495a4a0363793f7367");
    EXPECT_EQ(md5_of(std::string(1000000, 'a'), 4096), "7707d6ae4e027c70eea2a935c2296f21");
}

std::string hmac_of(const std::string& text, const std::string& key) {
    unsigned char digest[16];
    hmac_md5(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
             reinterpret_cast<const unsigned char*>(key.data()), key.size(), digest);
    return to_hex(digest);
}

TEST(HmacMd5, Rfc2202TestCases) {
    std::string key4;
    for (int i = 1; i <= 25; i++) key4 += static_cast<char>(i);
    EXPECT_EQ(hmac_of("Hi There", std::string(16, '\x0b')), "9294727a3638bb1c13f48ef8158bfc9d");
    EXPECT_EQ(hmac_of("what do ya want for nothing?", "Jefe"), "750c783e6ab0b503eaa86e310a5db738");
    EXPECT_EQ(hmac_of(std::string(50, '\xdd'), std::string(16, '\xaa')), "56be34521d144c88dbb8c733f0e8b3f6");
    EXPECT_EQ(hmac_of(std::string(50, '\xcd'), key4), "697eaf0aca3a3aea3a75164746ffaa79");
    EXPECT_EQ(hmac_of("Test With Truncation", std::string(16, '\x0c')), "56461ef2342edc00f9bab995690efd4c");
    EXPECT_EQ(hmac_of("Test Using Larger Than Block-Size Key - Hash Key First", std::string(80, '\xaa')),
              "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd");
    EXPECT_EQ(hmac_of("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
                      std::string(80, '\xaa')),
              "6f630fad67cda0ee1fb1f562db3aa53e");
}

TEST(HmacMd5, KeyOfExactlyOneBlockIsNotHashedFirst) {
    EXPECT_EQ(hmac_of("text", std::string(64, 'k')), "db24ea67182006970b94c91f1de303c5");
}

std::string sha256_of(const std::string& text, size_t piece) {
    Sha256Context context;
    sha256_init(&context);
    for (size_t at = 0; at < text.size(); at += piece)
        sha256_update(&context, reinterpret_cast<const unsigned char*>(text.data()) + at,
                      std::min(piece, text.size() - at));
    unsigned char digest[32];
    sha256_final(digest, &context);
    return to_hex(digest, 32);
}

TEST(Sha256, Fips180ExamplesInPiecesOfAnySizeAndAroundThePadding) {
    const std::pair<std::string, std::string> suite[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrst"
         "nopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        // 55 bytes take the count in the same block, 56 and 64 need another.
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
    };
    for (const auto& [text, digest] : suite)
        for (size_t piece : {1, 3, 63, 64, 65, 1000}) EXPECT_EQ(sha256_of(text, piece), digest) << text << " / " << piece;
    EXPECT_EQ(sha256_of(std::string(1000000, 'a'), 4096),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    unsigned char digest[32];
    sha256("abc", 3, digest);
    EXPECT_EQ(to_hex(digest, 32), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
