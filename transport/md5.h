// The MD5 message digest of RFC 1321, with the interface of its reference
// code, and the keyed HMAC-MD5 of RFC 2104 built on it.
#pragma once

#include <cstddef>
#include <cstdint>

struct Md5Context {
    uint32_t state[4];         // chaining words A, B, C, D
    uint32_t count[2];         // number of bits hashed, low word first
    unsigned char buffer[64];  // input not yet hashed
};

void md5_init(Md5Context* context);
void md5_update(Md5Context* context, const unsigned char* input, size_t length);
// Pads, appends the bit count, writes the 16-byte digest (each word least
// significant byte first) and clears the context.
void md5_final(unsigned char* digest, Md5Context* context);

// HMAC-MD5 with block size 64: a key longer than 64 bytes is first replaced
// by its digest. Writes 16 bytes to `digest`.
void hmac_md5(const unsigned char* text, size_t text_length, const unsigned char* key, size_t key_length,
              unsigned char* digest);
