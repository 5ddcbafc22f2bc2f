// The SHA-256 message digest of FIPS 180-4, for the code challenge of an
// OAuth 2.0 sign-in (RFC 7636, S256).
#pragma once

#include <cstddef>
#include <cstdint>

struct Sha256Context {
    uint32_t state[8];
    uint64_t length;           // bytes hashed so far
    unsigned char buffer[64];  // input not yet hashed
};

void sha256_init(Sha256Context* context);
void sha256_update(Sha256Context* context, const unsigned char* input, size_t length);
// Pads, appends the bit count, writes the 32-byte digest (each word most
// significant byte first) and clears the context.
void sha256_final(unsigned char* digest, Sha256Context* context);
// The digest of one piece of memory.
void sha256(const void* input, size_t length, unsigned char* digest);
