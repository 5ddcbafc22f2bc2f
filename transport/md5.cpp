#include "transport/md5.h"

#include <cstring>

namespace {

// The integer parts of 2^32 * |sin(i)| for i = 1 to 64.
constexpr uint32_t sine_table[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Left rotations, four per round.
constexpr int shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

inline uint32_t rotate_left(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void transform(uint32_t* state, const unsigned char* block) {
    uint32_t x[16];
    for (int i = 0; i < 16; i++)
        x[i] = uint32_t{block[4 * i]} | uint32_t{block[4 * i + 1]} << 8 | uint32_t{block[4 * i + 2]} << 16 |
               uint32_t{block[4 * i + 3]} << 24;

    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; i++) {
        uint32_t f;
        int g;
        switch (i / 16) {
            case 0:
                f = (b & c) | (~b & d);
                g = i;
                break;
            case 1:
                f = (b & d) | (c & ~d);
                g = (5 * i + 1) % 16;
                break;
            case 2:
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
                break;
            default:
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
                break;
        }
        uint32_t next = b + rotate_left(a + f + sine_table[i] + x[g], shifts[i / 16][i % 4]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    std::memset(x, 0, sizeof x);
}

}  // namespace

void md5_init(Md5Context* context) {
    context->count[0] = context->count[1] = 0;
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
    std::memset(context->buffer, 0, sizeof context->buffer);
}

void md5_update(Md5Context* context, const unsigned char* input, size_t length) {
    size_t index = (context->count[0] >> 3) & 0x3F;
    // The bit count is 64 bits wide, kept as two words.
    uint64_t bits = (uint64_t{context->count[1]} << 32 | context->count[0]) + (uint64_t{length} << 3);
    context->count[0] = static_cast<uint32_t>(bits);
    context->count[1] = static_cast<uint32_t>(bits >> 32);

    size_t room = 64 - index;
    size_t i = 0;
    if (length >= room) {
        std::memcpy(context->buffer + index, input, room);
        transform(context->state, context->buffer);
        for (i = room; i + 63 < length; i += 64) transform(context->state, input + i);
        index = 0;
    }
    if (length > i) std::memcpy(context->buffer + index, input + i, length - i);
}

void md5_final(unsigned char* digest, Md5Context* context) {
    unsigned char bit_count[8];
    for (int i = 0; i < 8; i++) bit_count[i] = static_cast<unsigned char>(context->count[i / 4] >> (8 * (i % 4)));

    // Pad with a one bit and zeros up to 56 bytes modulo 64, then the count.
    static const unsigned char padding[64] = {0x80};
    size_t index = (context->count[0] >> 3) & 0x3F;
    size_t pad_length = index < 56 ? 56 - index : 120 - index;
    md5_update(context, padding, pad_length);
    md5_update(context, bit_count, 8);

    for (int i = 0; i < 16; i++) digest[i] = static_cast<unsigned char>(context->state[i / 4] >> (8 * (i % 4)));
    std::memset(context, 0, sizeof *context);
}

void hmac_md5(const unsigned char* text, size_t text_length, const unsigned char* key, size_t key_length,
              unsigned char* digest) {
    unsigned char hashed_key[16];
    if (key_length > 64) {
        Md5Context context;
        md5_init(&context);
        md5_update(&context, key, key_length);
        md5_final(hashed_key, &context);
        key = hashed_key;
        key_length = 16;
    }

    unsigned char inner_pad[64];
    unsigned char outer_pad[64];
    std::memset(inner_pad, 0x36, sizeof inner_pad);
    std::memset(outer_pad, 0x5C, sizeof outer_pad);
    for (size_t i = 0; i < key_length; i++) {
        inner_pad[i] ^= key[i];
        outer_pad[i] ^= key[i];
    }

    unsigned char inner[16];
    Md5Context context;
    md5_init(&context);
    md5_update(&context, inner_pad, 64);
    md5_update(&context, text, text_length);
    md5_final(inner, &context);

    md5_init(&context);
    md5_update(&context, outer_pad, 64);
    md5_update(&context, inner, 16);
    md5_final(digest, &context);

    std::memset(hashed_key, 0, sizeof hashed_key);
    std::memset(inner_pad, 0, sizeof inner_pad);
    std::memset(outer_pad, 0, sizeof outer_pad);
}
