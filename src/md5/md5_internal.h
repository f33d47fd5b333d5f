/*
 * Not part of the public interface: lets the tests check which word assembly
 * the library they link was built with.
 */
#ifndef ZV_MD5_MD5_INTERNAL_H
#define ZV_MD5_MD5_INTERNAL_H

#ifdef __cplusplus
extern "C" {
#endif

/* 1 when md5_process assembles the words byte by byte (big-endian host, or
 * MD5_FORCE_BYTEWISE), 0 when it reads little-endian words in place. */
int zv_md5_bytewise_build(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZV_MD5_MD5_INTERNAL_H */
