#include "format/blowfish.h"

#include <cstring>

extern const uint32_t blowfish_pi_words[18 + 4 * 256];

namespace {

inline uint32_t round_function(const BlowfishKey* key, uint32_t x) {
    uint32_t a = key->s[0][x >> 24];
    uint32_t b = key->s[1][(x >> 16) & 0xFF];
    uint32_t c = key->s[2][(x >> 8) & 0xFF];
    uint32_t d = key->s[3][x & 0xFF];
    return ((a + b) ^ c) + d;
}

}  // namespace

int blowfish_init(BlowfishKey* key, const unsigned char* bytes, int length) {
    if (!bytes || length <= 0) return -1;

    std::memcpy(key->p, blowfish_pi_words, sizeof key->p);
    std::memcpy(key->s, blowfish_pi_words + 18, sizeof key->s);

    int j = 0;
    for (uint32_t& entry : key->p) {
        uint32_t word = 0;
        for (int k = 0; k < 4; k++) {
            word = (word << 8) | bytes[j];
            j = (j + 1) % length;
        }
        entry ^= word;
    }

    // Encipher the zero block over and over with the key as it evolves; each
    // result replaces the next two entries, P-array first, then the S-boxes.
    uint32_t left = 0;
    uint32_t right = 0;
    for (int i = 0; i < 18; i += 2) {
        blowfish_encrypt_block(key, &left, &right);
        key->p[i] = left;
        key->p[i + 1] = right;
    }
    for (auto& box : key->s) {
        for (int i = 0; i < 256; i += 2) {
            blowfish_encrypt_block(key, &left, &right);
            box[i] = left;
            box[i + 1] = right;
        }
    }
    return 0;
}

void blowfish_encrypt_block(const BlowfishKey* key, uint32_t* left, uint32_t* right) {
    uint32_t l = *left;
    uint32_t r = *right;
    for (int i = 0; i < 16; i += 2) {
        l ^= key->p[i];
        r ^= round_function(key, l);
        r ^= key->p[i + 1];
        l ^= round_function(key, r);
    }
    *left = r ^ key->p[17];
    *right = l ^ key->p[16];
}

void blowfish_decrypt_block(const BlowfishKey* key, uint32_t* left, uint32_t* right) {
    uint32_t l = *left;
    uint32_t r = *right;
    for (int i = 17; i > 1; i -= 2) {
        l ^= key->p[i];
        r ^= round_function(key, l);
        r ^= key->p[i - 1];
        l ^= round_function(key, r);
    }
    *left = r ^ key->p[0];
    *right = l ^ key->p[1];
}

void blowfish_load_block(const unsigned char* block, uint32_t* left, uint32_t* right) {
    *left = uint32_t{block[0]} | uint32_t{block[1]} << 8 | uint32_t{block[2]} << 16 | uint32_t{block[3]} << 24;
    *right = uint32_t{block[4]} | uint32_t{block[5]} << 8 | uint32_t{block[6]} << 16 | uint32_t{block[7]} << 24;
}

void blowfish_store_block(unsigned char* block, uint32_t left, uint32_t right) {
    for (int i = 0; i < 4; i++) {
        block[i] = static_cast<unsigned char>(left >> (8 * i));
        block[4 + i] = static_cast<unsigned char>(right >> (8 * i));
    }
}

void blowfish_encrypt_bytes(const BlowfishKey* key, unsigned char* block) {
    uint32_t left, right;
    blowfish_load_block(block, &left, &right);
    blowfish_encrypt_block(key, &left, &right);
    blowfish_store_block(block, left, right);
}

void blowfish_decrypt_bytes(const BlowfishKey* key, unsigned char* block) {
    uint32_t left, right;
    blowfish_load_block(block, &left, &right);
    blowfish_decrypt_block(key, &left, &right);
    blowfish_store_block(block, left, right);
}
