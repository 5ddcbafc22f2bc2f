#include <cstring>
#include <string>
#include <vector>

#include "format/blowfish.h"
#include "tests/unit/test_support.h"

namespace {

std::vector<unsigned char> hex(const std::string& digits) {
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < digits.size(); i += 2) bytes.push_back(static_cast<unsigned char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string to_hex(const unsigned char* bytes, size_t n) {
    std::string text;
    char digits[3];
    for (size_t i = 0; i < n; i++) {
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

// The published vectors write each half most significant byte first; this
// system stores halves the other way round.
void reverse_halves(unsigned char* block) {
    std::swap(block[0], block[3]);
    std::swap(block[1], block[2]);
    std::swap(block[4], block[7]);
    std::swap(block[5], block[6]);
}

BlowfishKey make_key(const std::vector<unsigned char>& bytes) {
    BlowfishKey key;
    EXPECT_EQ(blowfish_init(&key, bytes.data(), static_cast<int>(bytes.size())), 0);
    return key;
}

// Eric Young's ECB test data: key, clear text, cipher text.
const char* const ecb_vectors[][3] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

TEST(Blowfish, PublishedVectorsHoldWithEachHalfByteReversed) {
    for (const auto& v : ecb_vectors) {
        BlowfishKey key = make_key(hex(v[0]));
        std::vector<unsigned char> block = hex(v[1]);
        reverse_halves(block.data());
        blowfish_encrypt_bytes(&key, block.data());
        reverse_halves(block.data());
        EXPECT_EQ(to_hex(block.data(), 8), v[2]) << "key " << v[0];

        reverse_halves(block.data());
        blowfish_decrypt_bytes(&key, block.data());
        reverse_halves(block.data());
        EXPECT_EQ(to_hex(block.data(), 8), v[1]) << "key " << v[0];
    }
}

TEST(Blowfish, StoredBlocksHaveLittleEndianHalves) {
    // The same vector fed straight in gives another block: the stored order
    // is not the published one.
    BlowfishKey key = make_key(hex("FEDCBA9876543210"));
    std::vector<unsigned char> block = hex("0123456789ABCDEF");
    blowfish_encrypt_bytes(&key, block.data());
    EXPECT_NE(to_hex(block.data(), 8), "0ACEAB0FC6A0A28D");

    uint32_t left = 0x67452301, right = 0xEFCDAB89;
    unsigned char stored[8];
    blowfish_store_block(stored, left, right);
    EXPECT_EQ(to_hex(stored, 8), "0123456789ABCDEF");
    uint32_t l2, r2;
    blowfish_load_block(stored, &l2, &r2);
    EXPECT_EQ(l2, left);
    EXPECT_EQ(r2, right);

    // The block function itself works on the halves as numbers.
    left = 0x01234567;
    right = 0x89ABCDEF;
    blowfish_encrypt_block(&key, &left, &right);
    EXPECT_EQ(left, 0x0ACEAB0Fu);
    EXPECT_EQ(right, 0xC6A0A28Du);
    blowfish_decrypt_block(&key, &left, &right);
    EXPECT_EQ(left, 0x01234567u);
    EXPECT_EQ(right, 0x89ABCDEFu);
}

TEST(Blowfish, KeysOfEveryLengthFollowThePublishedSchedule) {
    const std::vector<unsigned char> key_bytes = hex("F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677");
    const char* const expected[] = {
        "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05", "B39E44481BDB1E6E",
        "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82", "15750E7A4F4EC577", "122BA70B3AB64AE0",
        "3A833C9AFFC537F6", "9409DA87A90F6BF2", "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F",
        "93142887EE3BE15C", "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
        "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
    };
    for (int length = 1; length <= 24; length++) {
        BlowfishKey key;
        ASSERT_EQ(blowfish_init(&key, key_bytes.data(), length), 0);
        std::vector<unsigned char> block = hex("FEDCBA9876543210");
        reverse_halves(block.data());
        blowfish_encrypt_bytes(&key, block.data());
        reverse_halves(block.data());
        EXPECT_EQ(to_hex(block.data(), 8), expected[length - 1]) << "key length " << length;
    }
}

TEST(Blowfish, KeyIsTakenCyclically) {
    // A 32-byte key made of one 8-byte key four times is that 8-byte key.
    std::vector<unsigned char> eight = hex("FEDCBA9876543210");
    std::vector<unsigned char> thirty_two;
    for (int i = 0; i < 4; i++) thirty_two.insert(thirty_two.end(), eight.begin(), eight.end());
    BlowfishKey a = make_key(eight);
    BlowfishKey b = make_key(thirty_two);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

TEST(Blowfish, EmptyKeyIsRefused) {
    BlowfishKey key;
    std::memset(&key, 0x5A, sizeof key);
    const unsigned char byte = 1;
    EXPECT_EQ(blowfish_init(&key, &byte, 0), -1);
    EXPECT_EQ(blowfish_init(&key, nullptr, 8), -1);
    EXPECT_EQ(key.p[0], 0x5A5A5A5Au);
}

}  // namespace
