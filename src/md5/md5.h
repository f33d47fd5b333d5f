/*
 * MD5 message digest (RFC 1321).
 *
 * Four plain functions with unmangled names compute the digest of data fed in
 * pieces:
 *
 *     md5_record st;              // owned by the caller, usually on its stack
 *     md5_init(&st);
 *     md5_append(&st, data, n);   // any number of times
 *     md5_finish(&st, digest);    // 16 bytes; the record is then spent
 *
 * The functions allocate nothing and keep no state outside the record, so
 * separate records may be used on separate threads at once. The digest is the
 * standard one, byte for byte, on any host byte order.
 */
#ifndef ZV_MD5_MD5_H
#define ZV_MD5_MD5_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Working state. Fields in their documented order. */
typedef struct md5_record {
    /* Length of the input so far in bits, modulo 2^64: low word first. */
    uint32_t count[2];
    /* Chaining words A, B, C, D of RFC 1321. */
    uint32_t abcd[4];
    /* Input not yet processed: (count[0] / 8) mod 64 bytes are pending. */
    unsigned char buf[64];
} md5_record;

/* Bit count 0; A, B, C, D set to the initial values of RFC 1321. Sets every
 * field that the later calls read. */
void md5_init(md5_record *state);

/* Feeds nbytes bytes at data. A count of 0 or less does nothing (data is not
 * read then and may be null). */
void md5_append(md5_record *state, const unsigned char *data, int32_t nbytes);

/* Pads, processes the rest and writes the 16-byte digest. The state is then
 * spent: call md5_init before using the record again. */
void md5_finish(md5_record *state, unsigned char digest[16]);

/* One compression step of RFC 1321 over the 64-byte block at data; adds the
 * result to A, B, C, D. Does not touch the bit count or the buffer. Internal
 * to md5_append and md5_finish; exported with the others. */
void md5_process(md5_record *state, const unsigned char *data /* [64] */);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZV_MD5_MD5_H */
