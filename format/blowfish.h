// The Blowfish block cipher: 16 rounds over two 32-bit halves, with the key
// schedule that starts from the hexadecimal digits of pi. Blocks are
// enciphered one by one (no chaining); the byte order of a block is fixed by
// blowfish_load_block and blowfish_store_block.
#pragma once

#include <cstdint>

// An expanded key: the P-array and the four S-boxes. One is kept for the
// message key and one for the stored passwords.
struct BlowfishKey {
    uint32_t p[18];
    uint32_t s[4][256];
};

// Expands a key of `length` bytes, taken cyclically and packed into words
// most significant byte first. Returns 0, or -1 for an empty key (the state
// is then left as it was).
int blowfish_init(BlowfishKey* key, const unsigned char* bytes, int length);

// Enciphers or deciphers one block in place.
void blowfish_encrypt_block(const BlowfishKey* key, uint32_t* left, uint32_t* right);
void blowfish_decrypt_block(const BlowfishKey* key, uint32_t* left, uint32_t* right);

// The halves of a stored 8-byte block: bytes 0 to 3 are the left half and
// bytes 4 to 7 the right half, each least significant byte first. Every
// encrypted file, subject and password of this system uses this order.
void blowfish_load_block(const unsigned char* block, uint32_t* left, uint32_t* right);
void blowfish_store_block(unsigned char* block, uint32_t left, uint32_t right);

// One stored 8-byte block, enciphered or deciphered in place.
void blowfish_encrypt_bytes(const BlowfishKey* key, unsigned char* block);
void blowfish_decrypt_bytes(const BlowfishKey* key, unsigned char* block);
