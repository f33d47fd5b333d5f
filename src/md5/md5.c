/*
 * MD5 message digest (RFC 1321). See md5.h.
 *
 * The 64 steps of the compression function are written out in full with
 * their constants as immediates; the padding comes from a fixed 64-byte table;
 * nothing is allocated.
 *
 * Word assembly. md5_process reads the block as sixteen little-endian 32-bit
 * words:
 *   - on a big-endian host (or a host whose byte order the compiler does not
 *     tell) the words are assembled from the bytes one by one;
 *   - on a little-endian host a block at a 4-byte-aligned address is read in
 *     place, and one at another address is first copied into an aligned
 *     64-byte buffer.
 * Defining MD5_FORCE_BYTEWISE selects the byte-by-byte assembly on any host,
 * so that it is built and tested on little-endian machines too (the build
 * makes zv_md5_bytewise that way).
 */
#include "md5.h"
#include "md5_internal.h"

#include <stddef.h>
#include <string.h>

#if defined(MD5_FORCE_BYTEWISE)
#  define MD5_BYTEWISE 1
#elif defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__) && \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#  define MD5_BYTEWISE 0
#else
/* Big-endian, or unknown: the byte-by-byte assembly is right on any host. */
#  define MD5_BYTEWISE 1
#endif

#if defined(__GNUC__) || defined(__clang__)
/* An aligned block is read in place through this type; may_alias makes that
 * read well defined whatever the caller's buffer was declared as. */
typedef uint32_t md5_word_alias __attribute__((may_alias));
/* md5_process keeps its external symbol; within this file the compiler is
 * made to inline it into md5_append's block loop, which saves the call, the
 * register saves and the reload of the chaining words for every block (about
 * 5% of the throughput on 1 MiB). */
#  define MD5_PROCESS_ATTRS __attribute__((always_inline, hot)) inline
/* Makes the compiler finish the sum that precedes it before going on. Used on
 * a + X[k] + T: left to itself clang moves the constant T to the end of the
 * sum, after f(b, c, d), which lengthens the chain of dependent steps by one
 * addition per step (about a sixth of the throughput with clang 14). Emits no instruction. */
#  define MD5_EARLY(x) __asm__("" : "+r"(x))
#else
typedef uint32_t md5_word_alias;
#  define MD5_PROCESS_ATTRS
#  define MD5_EARLY(x) ((void)0)
#endif

/* Tells the tests which word assembly this build of the library uses (see
 * md5_internal.h). Not part of the public interface. */
int zv_md5_bytewise_build(void) { return MD5_BYTEWISE; }

/* The padding: 0x80 followed by 63 zero bytes. */
static const unsigned char md5_pad[64] = {
    0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};

#define MD5_ROTL(x, n) (((x) << (n)) | ((x) >> (32 - (n))))

/*
 * One step: a = b + ((a + f(b, c, d) + X[k] + T) <<< s).
 *
 * The auxiliary functions of RFC 1321 are written so that the newest word b
 * enters as late as possible: everything that depends only on a, c, d, X[k]
 * and T is summed first (MD5_EARLY), off the chain of dependent steps.
 *   F(b, c, d) = (b & c) | (~b & d)  =  d ^ (b & (c ^ d))
 *   G(b, c, d) = (b & d) | (c & ~d)  =  (c & ~d) + (b & d)   (disjoint bits)
 *   H(b, c, d) = b ^ c ^ d
 *   I(b, c, d) = c ^ (b | ~d)
 */
#define MD5_F(a, b, c, d, k, s, t)                        \
    do {                                                  \
        a += X[k] + (uint32_t)(t);                        \
        MD5_EARLY(a);                                     \
        a += (d) ^ ((b) & ((c) ^ (d)));                   \
        a = MD5_ROTL(a, s) + (b);                         \
    } while (0)
#define MD5_G(a, b, c, d, k, s, t)                        \
    do {                                                  \
        a += X[k] + (uint32_t)(t) + ((c) & ~(d));         \
        MD5_EARLY(a);                                     \
        a += (b) & (d);                                   \
        a = MD5_ROTL(a, s) + (b);                         \
    } while (0)
#define MD5_H(a, b, c, d, k, s, t)                        \
    do {                                                  \
        a += X[k] + (uint32_t)(t);                        \
        MD5_EARLY(a);                                     \
        a += (b) ^ ((c) ^ (d));                           \
        a = MD5_ROTL(a, s) + (b);                         \
    } while (0)
#define MD5_I(a, b, c, d, k, s, t)                        \
    do {                                                  \
        a += X[k] + (uint32_t)(t);                        \
        MD5_EARLY(a);                                     \
        a += (c) ^ ((b) | ~(d));                          \
        a = MD5_ROTL(a, s) + (b);                         \
    } while (0)

MD5_PROCESS_ATTRS void md5_process(md5_record *state, const unsigned char *data)
{
    uint32_t a = state->abcd[0];
    uint32_t b = state->abcd[1];
    uint32_t c = state->abcd[2];
    uint32_t d = state->abcd[3];
    const md5_word_alias *X;

#if MD5_BYTEWISE
    /* Assemble the words from the bytes one by one: byte 0 is the least
     * significant byte of word 0. */
    uint32_t xbuf[16];
    for (int i = 0; i < 16; ++i) {
        const unsigned char *q = data + 4 * i;
        xbuf[i] = (uint32_t)q[0] | ((uint32_t)q[1] << 8) |
                  ((uint32_t)q[2] << 16) | ((uint32_t)q[3] << 24);
    }
    X = xbuf;
#else
    /* Little-endian host: read an aligned block in place; copy an unaligned
     * one into an aligned buffer first. */
    uint32_t xbuf[16];
    if (((uintptr_t)data & 3) == 0) {
        X = (const md5_word_alias *)(const void *)data;
    } else {
        memcpy(xbuf, data, 64);
        X = xbuf;
    }
#endif

    /* Round 1. */
    MD5_F(a, b, c, d,  0,  7, 0xd76aa478);
    MD5_F(d, a, b, c,  1, 12, 0xe8c7b756);
    MD5_F(c, d, a, b,  2, 17, 0x242070db);
    MD5_F(b, c, d, a,  3, 22, 0xc1bdceee);
    MD5_F(a, b, c, d,  4,  7, 0xf57c0faf);
    MD5_F(d, a, b, c,  5, 12, 0x4787c62a);
    MD5_F(c, d, a, b,  6, 17, 0xa8304613);
    MD5_F(b, c, d, a,  7, 22, 0xfd469501);
    MD5_F(a, b, c, d,  8,  7, 0x698098d8);
    MD5_F(d, a, b, c,  9, 12, 0x8b44f7af);
    MD5_F(c, d, a, b, 10, 17, 0xffff5bb1);
    MD5_F(b, c, d, a, 11, 22, 0x895cd7be);
    MD5_F(a, b, c, d, 12,  7, 0x6b901122);
    MD5_F(d, a, b, c, 13, 12, 0xfd987193);
    MD5_F(c, d, a, b, 14, 17, 0xa679438e);
    MD5_F(b, c, d, a, 15, 22, 0x49b40821);

    /* Round 2. */
    MD5_G(a, b, c, d,  1,  5, 0xf61e2562);
    MD5_G(d, a, b, c,  6,  9, 0xc040b340);
    MD5_G(c, d, a, b, 11, 14, 0x265e5a51);
    MD5_G(b, c, d, a,  0, 20, 0xe9b6c7aa);
    MD5_G(a, b, c, d,  5,  5, 0xd62f105d);
    MD5_G(d, a, b, c, 10,  9, 0x02441453);
    MD5_G(c, d, a, b, 15, 14, 0xd8a1e681);
    MD5_G(b, c, d, a,  4, 20, 0xe7d3fbc8);
    MD5_G(a, b, c, d,  9,  5, 0x21e1cde6);
    MD5_G(d, a, b, c, 14,  9, 0xc33707d6);
    MD5_G(c, d, a, b,  3, 14, 0xf4d50d87);
    MD5_G(b, c, d, a,  8, 20, 0x455a14ed);
    MD5_G(a, b, c, d, 13,  5, 0xa9e3e905);
    MD5_G(d, a, b, c,  2,  9, 0xfcefa3f8);
    MD5_G(c, d, a, b,  7, 14, 0x676f02d9);
    MD5_G(b, c, d, a, 12, 20, 0x8d2a4c8a);

    /* Round 3. */
    MD5_H(a, b, c, d,  5,  4, 0xfffa3942);
    MD5_H(d, a, b, c,  8, 11, 0x8771f681);
    MD5_H(c, d, a, b, 11, 16, 0x6d9d6122);
    MD5_H(b, c, d, a, 14, 23, 0xfde5380c);
    MD5_H(a, b, c, d,  1,  4, 0xa4beea44);
    MD5_H(d, a, b, c,  4, 11, 0x4bdecfa9);
    MD5_H(c, d, a, b,  7, 16, 0xf6bb4b60);
    MD5_H(b, c, d, a, 10, 23, 0xbebfbc70);
    MD5_H(a, b, c, d, 13,  4, 0x289b7ec6);
    MD5_H(d, a, b, c,  0, 11, 0xeaa127fa);
    MD5_H(c, d, a, b,  3, 16, 0xd4ef3085);
    MD5_H(b, c, d, a,  6, 23, 0x04881d05);
    MD5_H(a, b, c, d,  9,  4, 0xd9d4d039);
    MD5_H(d, a, b, c, 12, 11, 0xe6db99e5);
    MD5_H(c, d, a, b, 15, 16, 0x1fa27cf8);
    MD5_H(b, c, d, a,  2, 23, 0xc4ac5665);

    /* Round 4. */
    MD5_I(a, b, c, d,  0,  6, 0xf4292244);
    MD5_I(d, a, b, c,  7, 10, 0x432aff97);
    MD5_I(c, d, a, b, 14, 15, 0xab9423a7);
    MD5_I(b, c, d, a,  5, 21, 0xfc93a039);
    MD5_I(a, b, c, d, 12,  6, 0x655b59c3);
    MD5_I(d, a, b, c,  3, 10, 0x8f0ccc92);
    MD5_I(c, d, a, b, 10, 15, 0xffeff47d);
    MD5_I(b, c, d, a,  1, 21, 0x85845dd1);
    MD5_I(a, b, c, d,  8,  6, 0x6fa87e4f);
    MD5_I(d, a, b, c, 15, 10, 0xfe2ce6e0);
    MD5_I(c, d, a, b,  6, 15, 0xa3014314);
    MD5_I(b, c, d, a, 13, 21, 0x4e0811a1);
    MD5_I(a, b, c, d,  4,  6, 0xf7537e82);
    MD5_I(d, a, b, c, 11, 10, 0xbd3af235);
    MD5_I(c, d, a, b,  2, 15, 0x2ad7d2bb);
    MD5_I(b, c, d, a,  9, 21, 0xeb86d391);

    state->abcd[0] += a;
    state->abcd[1] += b;
    state->abcd[2] += c;
    state->abcd[3] += d;
}

void md5_init(md5_record *state)
{
    state->count[0] = state->count[1] = 0;
    state->abcd[0] = 0x67452301;
    state->abcd[1] = 0xefcdab89;
    state->abcd[2] = 0x98badcfe;
    state->abcd[3] = 0x10325476;
}

void md5_append(md5_record *state, const unsigned char *data, int32_t nbytes)
{
    if (nbytes <= 0)
        return;

    const unsigned char *p = data;
    uint32_t left = (uint32_t)nbytes;
    const uint32_t offset = (state->count[0] >> 3) & 63;
    const uint32_t nbits = left << 3;

    /* Add n * 8 to the 64-bit bit count. */
    state->count[1] += left >> 29;
    state->count[0] += nbits;
    if (state->count[0] < nbits)
        state->count[1]++;

    /* Complete a partly filled buffer first. */
    if (offset) {
        const uint32_t copy = left < 64 - offset ? left : 64 - offset;
        memcpy(state->buf + offset, p, copy);
        if (offset + copy < 64)
            return;
        p += copy;
        left -= copy;
        md5_process(state, state->buf);
    }

    /* Whole blocks straight from the caller's data. */
    for (; left >= 64; p += 64, left -= 64)
        md5_process(state, p);

    /* Keep the rest. */
    if (left)
        memcpy(state->buf, p, left);
}

void md5_finish(md5_record *state, unsigned char digest[16])
{
    unsigned char length[8];

    /* The bit count, least significant byte first, taken before padding. */
    for (int i = 0; i < 8; ++i)
        length[i] = (unsigned char)(state->count[i >> 2] >> ((i & 3) << 3));

    /* Pad to 56 bytes mod 64, then append the length. */
    md5_append(state, md5_pad, (int32_t)(((55 - (state->count[0] >> 3)) & 63) + 1));
    md5_append(state, length, 8);

    for (int i = 0; i < 16; ++i)
        digest[i] = (unsigned char)(state->abcd[i >> 2] >> ((i & 3) << 3));
}
