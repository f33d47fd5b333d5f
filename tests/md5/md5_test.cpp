// Tests of the MD5 digest.
//
// The same suite is built twice: against zv_md5 (little-endian word reads on
// this host, aligned in place or through an aligned copy) and against
// zv_md5_bytewise (MD5_FORCE_BYTEWISE: the byte-by-byte assembly of big-endian
// hosts). ZV_MD5_TEST_BYTEWISE tells which one this executable links.
//
// Oracles: the digests of RFC 1321's test suite and a few fixed answers made
// with Python's hashlib, and OpenSSL's MD5 (libcrypto) for random inputs.

#define OPENSSL_SUPPRESS_DEPRECATED 1  // MD5_CTX / MD5_Transform for state-level checks

#include "md5.h"
#include "md5_internal.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/md5.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#ifndef ZV_MD5_TEST_BYTEWISE
#error "ZV_MD5_TEST_BYTEWISE must be 0 or 1"
#endif

namespace {

using Digest = std::array<unsigned char, 16>;

std::string Hex(const Digest& d) {
    static const char* kHex = "0123456789abcdef";
    std::string s;
    for (unsigned char c : d) {
        s += kHex[c >> 4];
        s += kHex[c & 15];
    }
    return s;
}

// Our digest, the whole input in one md5_append call.
Digest Md5(const unsigned char* data, size_t n) {
    md5_record st;
    std::memset(&st, 0, sizeof st);
    md5_init(&st);
    md5_append(&st, data, static_cast<int32_t>(n));
    Digest d;
    md5_finish(&st, d.data());
    return d;
}

Digest Md5(const std::string& s) {
    return Md5(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

// Our digest, fed in pieces of the given sizes (cycled until the input ends).
Digest Md5Pieces(const unsigned char* data, size_t n, const std::vector<size_t>& sizes) {
    md5_record st;
    std::memset(&st, 0, sizeof st);
    md5_init(&st);
    size_t pos = 0;
    for (size_t i = 0; pos < n; ++i) {
        size_t piece = std::min(sizes[i % sizes.size()], n - pos);
        md5_append(&st, data + pos, static_cast<int32_t>(piece));
        pos += piece;
    }
    Digest d;
    md5_finish(&st, d.data());
    return d;
}

// OpenSSL's digest through EVP: the independent oracle.
Digest OsslMd5(const unsigned char* data, size_t n) {
    Digest d;
    unsigned int len = 0;
    EXPECT_EQ(1, EVP_Digest(data, n, d.data(), &len, EVP_md5(), nullptr));
    EXPECT_EQ(16u, len);
    return d;
}

std::vector<unsigned char> RandomBytes(std::mt19937& rng, size_t n) {
    std::vector<unsigned char> v(n);
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& c : v) c = static_cast<unsigned char>(byte(rng));
    return v;
}

bool SameRecord(const md5_record& x, const md5_record& y) {
    return std::memcmp(&x, &y, sizeof x) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// The record and the build.

TEST(Md5Record, LayoutIsTheDocumentedOne) {
    static_assert(std::is_standard_layout_v<md5_record>);
    static_assert(sizeof(md5_record) == 8 + 16 + 64);
    EXPECT_EQ(0u, offsetof(md5_record, count));
    EXPECT_EQ(8u, offsetof(md5_record, abcd));
    EXPECT_EQ(24u, offsetof(md5_record, buf));
}

TEST(Md5Build, WordAssemblyIsTheExpectedOne) {
    const uint32_t one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    const bool big_endian_host = first == 0;
    const int expected = (ZV_MD5_TEST_BYTEWISE || big_endian_host) ? 1 : 0;
    EXPECT_EQ(expected, zv_md5_bytewise_build());
}

TEST(Md5Init, SetsCountAndChainingWords) {
    md5_record st;
    std::memset(&st, 0xA5, sizeof st);
    md5_init(&st);
    EXPECT_EQ(0u, st.count[0]);
    EXPECT_EQ(0u, st.count[1]);
    EXPECT_EQ(0x67452301u, st.abcd[0]);
    EXPECT_EQ(0xEFCDAB89u, st.abcd[1]);
    EXPECT_EQ(0x98BADCFEu, st.abcd[2]);
    EXPECT_EQ(0x10325476u, st.abcd[3]);
}

TEST(Md5Init, GarbageInTheRecordDoesNotMatter) {
    const std::string msg = "The quick brown fox jumps over the lazy dog";
    md5_record st;
    std::memset(&st, 0x5A, sizeof st);
    md5_init(&st);
    md5_append(&st, reinterpret_cast<const unsigned char*>(msg.data()), static_cast<int32_t>(msg.size()));
    Digest d;
    md5_finish(&st, d.data());
    EXPECT_EQ("9e107d9d372bb6826bd81d3542a419d6", Hex(d));
}

// ---------------------------------------------------------------------------
// Known answers.

TEST(Md5KnownAnswers, Rfc1321TestSuite) {
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.out, Hex(Md5(c.in))) << "input \"" << c.in << "\"";
    }
}

TEST(Md5KnownAnswers, PaddingBoundaries) {
    // 'a' repeated n times; answers from Python's hashlib. 55: the padding
    // and length fit in the block; 56: they just do not; 63, 64: whole blocks.
    struct Case { size_t n; const char* out; };
    const Case cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},
        {56, "3b0c8ac703f828b04c6c197006d17218"},
        {57, "652b906d60af96844ebd21b674f35e93"},
        {63, "b06521f39153d618550606be297466d5"},
        {64, "014842d480b571495a4a0363793f7367"},
        {65, "c743a45e0d2e6a95cb859adae0248435"},
        {119, "8a7bd0732ed6a28ce75f6dabc90e1613"},
        {120, "5f61c0ccad4cac44c75ff505e1f1e537"},
        {127, "020406e1d05cdc2aa287641f7ae2cc39"},
        {128, "e510683b3f5ffe4093d021808bc6ff70"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.out, Hex(Md5(std::string(c.n, 'a')))) << "length " << c.n;
    }
}

TEST(Md5KnownAnswers, AllByteValuesAndAMillionAs) {
    std::vector<unsigned char> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<unsigned char>(i);
    EXPECT_EQ("e2c865db4162bed963bfaa9ef6ac18f0", Hex(Md5(all.data(), all.size())));
    EXPECT_EQ("7707d6ae4e027c70eea2a935c2296f21", Hex(Md5(std::string(1000000, 'a'))));
}

// ---------------------------------------------------------------------------
// Pieces.

TEST(Md5Pieces, OneCallEqualsPiecesOfFixedSizes) {
    std::mt19937 rng(12345);
    const std::vector<unsigned char> data = RandomBytes(rng, 4096 + 77);
    const std::vector<std::vector<size_t>> splits = {
        {1}, {55}, {56}, {63}, {64}, {65}, {1, 63}, {63, 1}, {55, 9}, {64, 1}, {3, 64, 65, 128},
    };
    for (size_t n : {size_t{0}, size_t{1}, size_t{54}, size_t{55}, size_t{56}, size_t{63},
                     size_t{64}, size_t{65}, size_t{127}, size_t{128}, size_t{129},
                     size_t{1000}, data.size()}) {
        const Digest whole = Md5(data.data(), n);
        EXPECT_EQ(Hex(OsslMd5(data.data(), n)), Hex(whole)) << "length " << n;
        for (const auto& sizes : splits) {
            EXPECT_EQ(Hex(whole), Hex(Md5Pieces(data.data(), n, sizes)))
                << "length " << n << ", first piece size " << sizes[0];
        }
    }
}

TEST(Md5Pieces, OneCallEqualsRandomSplits) {
    std::mt19937 rng(67890);
    for (int round = 0; round < 300; ++round) {
        const size_t n = std::uniform_int_distribution<size_t>(0, 3000)(rng);
        const std::vector<unsigned char> data = RandomBytes(rng, n);
        std::vector<size_t> sizes;
        for (int i = 0; i < 12; ++i) {
            sizes.push_back(std::uniform_int_distribution<size_t>(1, 200)(rng));
        }
        EXPECT_EQ(Hex(Md5(data.data(), n)), Hex(Md5Pieces(data.data(), n, sizes)))
            << "round " << round << ", length " << n;
    }
}

TEST(Md5Pieces, CountAndBufferFollowTheDataModel) {
    std::mt19937 rng(4242);
    const std::vector<unsigned char> data = RandomBytes(rng, 500);
    md5_record st;
    std::memset(&st, 0, sizeof st);
    md5_init(&st);
    size_t total = 0;
    for (size_t piece : {size_t{3}, size_t{60}, size_t{1}, size_t{64}, size_t{100}, size_t{7}}) {
        md5_append(&st, data.data() + total, static_cast<int32_t>(piece));
        total += piece;
        EXPECT_EQ(static_cast<uint32_t>(total * 8), st.count[0]);
        EXPECT_EQ(0u, st.count[1]);
        const size_t pending = total % 64;
        EXPECT_EQ(0, std::memcmp(st.buf, data.data() + total - pending, pending))
            << "after " << total << " bytes";
    }
}

// ---------------------------------------------------------------------------
// Alignment.

TEST(Md5Alignment, UnalignedInputGivesTheSameDigest) {
    std::mt19937 rng(777);
    for (size_t n : {size_t{1}, size_t{63}, size_t{64}, size_t{65}, size_t{200}, size_t{1024},
                     size_t{5000}}) {
        const std::vector<unsigned char> data = RandomBytes(rng, n);
        alignas(64) static unsigned char buf[8192];
        const Digest expected = OsslMd5(data.data(), n);
        for (size_t offset = 0; offset < 8; ++offset) {
            std::memcpy(buf + offset, data.data(), n);
            EXPECT_EQ(Hex(expected), Hex(Md5(buf + offset, n)))
                << "length " << n << " at offset " << offset;
            EXPECT_EQ(Hex(expected), Hex(Md5Pieces(buf + offset, n, {5, 64, 70})))
                << "length " << n << " at offset " << offset << " in pieces";
        }
    }
}

TEST(Md5Alignment, ProcessOfAnAlignedAndAnUnalignedBlockAgree) {
    std::mt19937 rng(31337);
    const std::vector<unsigned char> block = RandomBytes(rng, 64);
    alignas(64) unsigned char buf[64 + 8];

    md5_record ref;
    std::memset(&ref, 0, sizeof ref);
    md5_init(&ref);
    std::memcpy(buf, block.data(), 64);
    md5_process(&ref, buf);

    // Independent check of the compression step: OpenSSL's block function
    // from the same chaining words.
    MD5_CTX ctx;
    MD5_Init(&ctx);
    MD5_Transform(&ctx, block.data());
    EXPECT_EQ(ctx.A, ref.abcd[0]);
    EXPECT_EQ(ctx.B, ref.abcd[1]);
    EXPECT_EQ(ctx.C, ref.abcd[2]);
    EXPECT_EQ(ctx.D, ref.abcd[3]);

    for (size_t offset = 1; offset < 8; ++offset) {
        md5_record st;
        std::memset(&st, 0, sizeof st);
        md5_init(&st);
        std::memcpy(buf + offset, block.data(), 64);
        md5_process(&st, buf + offset);
        EXPECT_TRUE(SameRecord(ref, st)) << "offset " << offset;
    }
}

TEST(Md5Process, TouchesOnlyTheChainingWords) {
    md5_record st;
    std::memset(&st, 0x3C, sizeof st);
    md5_init(&st);
    const md5_record before = st;
    unsigned char block[64] = {0};
    md5_process(&st, block);
    EXPECT_EQ(0, std::memcmp(before.count, st.count, sizeof st.count));
    EXPECT_EQ(0, std::memcmp(before.buf, st.buf, sizeof st.buf));
    EXPECT_NE(0, std::memcmp(before.abcd, st.abcd, sizeof st.abcd));
}

// ---------------------------------------------------------------------------
// Counts of 0 or less.

TEST(Md5Append, CountOfZeroOrLessLeavesTheStateUnchanged) {
    const unsigned char data[100] = {1, 2, 3};
    for (size_t pending : {size_t{0}, size_t{17}, size_t{63}, size_t{64}}) {
        md5_record st;
        std::memset(&st, 0, sizeof st);
        md5_init(&st);
        md5_append(&st, data, static_cast<int32_t>(pending));
        const md5_record before = st;
        for (int32_t n : {0, -1, -8, -64, -65, INT32_MIN + 1, INT32_MIN}) {
            md5_append(&st, data, n);
            EXPECT_TRUE(SameRecord(before, st)) << "count " << n << ", pending " << pending;
            md5_append(&st, nullptr, n);
            EXPECT_TRUE(SameRecord(before, st)) << "count " << n << " with null data";
        }
    }
    // And the digest is that of the data without the empty calls.
    md5_record st;
    std::memset(&st, 0, sizeof st);
    md5_init(&st);
    md5_append(&st, reinterpret_cast<const unsigned char*>("ab"), 2);
    md5_append(&st, data, 0);
    md5_append(&st, data, -5);
    md5_append(&st, reinterpret_cast<const unsigned char*>("c"), 1);
    Digest d;
    md5_finish(&st, d.data());
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Hex(d));
}

// ---------------------------------------------------------------------------
// The 64-bit bit count.

TEST(Md5Count, CarryFromTheLowWordMatchesOpenSsl) {
    // Start both digests from the same chaining words with a bit count close
    // to 2^32 (and beyond), so that our carry into the high word and the
    // encoding of both words in md5_finish are checked against OpenSSL
    // without hashing half a gigabyte.
    std::mt19937 rng(2024);
    struct Start { uint32_t lo, hi; };
    const Start starts[] = {
        {0xFFFFFE00u, 0}, {0xFFFFFC00u, 0}, {0xFFFFFE00u, 7},
        {0x00000000u, 1}, {0xFFFFFE00u, 0xFFFFFFFFu},
    };
    for (const Start& s : starts) {
        for (size_t n : {size_t{0}, size_t{1}, size_t{55}, size_t{64}, size_t{1000}}) {
            const std::vector<unsigned char> data = RandomBytes(rng, n);
            md5_record st;
            std::memset(&st, 0, sizeof st);
            md5_init(&st);
            st.count[0] = s.lo;
            st.count[1] = s.hi;
            md5_append(&st, data.data(), static_cast<int32_t>(n));
            const uint64_t bits = ((uint64_t{s.hi} << 32) | s.lo) + uint64_t{n} * 8;
            EXPECT_EQ(static_cast<uint32_t>(bits), st.count[0]);
            EXPECT_EQ(static_cast<uint32_t>(bits >> 32), st.count[1]);
            Digest ours;
            md5_finish(&st, ours.data());

            MD5_CTX ctx;
            MD5_Init(&ctx);
            ctx.Nl = s.lo;
            ctx.Nh = s.hi;
            MD5_Update(&ctx, data.data(), n);
            Digest theirs;
            MD5_Final(theirs.data(), &ctx);
            EXPECT_EQ(Hex(theirs), Hex(ours)) << "start " << s.hi << ":" << s.lo << ", length " << n;
        }
    }
}

TEST(Md5Count, LargeCountSetsTheHighWord) {
    // n >> 29 goes to the high word: one call of 2^29 + 3 bytes sets it to 1.
    // That hashes half a gigabyte, so it runs in optimised builds only.
#if defined(__OPTIMIZE__) && !defined(__SANITIZE_ADDRESS__)
    const size_t n = (size_t{1} << 29) + 3;
    std::vector<unsigned char> data(n, 0);
    md5_record st;
    std::memset(&st, 0, sizeof st);
    md5_init(&st);
    md5_append(&st, data.data(), static_cast<int32_t>(n));
    EXPECT_EQ(24u, st.count[0]);
    EXPECT_EQ(1u, st.count[1]);
    Digest ours;
    md5_finish(&st, ours.data());
    // 2^29 + 3 zero bytes; answer from Python's hashlib.
    EXPECT_EQ("f477dd2300ffb741b990c4eac208d915", Hex(ours));
#else
    GTEST_SKIP() << "half a gigabyte is too slow without optimisation";
#endif
}

// ---------------------------------------------------------------------------
// Random inputs against OpenSSL.

TEST(Md5Oracle, RandomInputsOfRandomLengthsMatchOpenSsl) {
    std::mt19937 rng(0xC0FFEE);
    std::uniform_int_distribution<int> pick(0, 3);
    for (int round = 0; round < 400; ++round) {
        size_t n;
        switch (pick(rng)) {
            case 0: n = std::uniform_int_distribution<size_t>(0, 130)(rng); break;
            case 1: n = std::uniform_int_distribution<size_t>(0, 2000)(rng); break;
            case 2: n = 64 * std::uniform_int_distribution<size_t>(0, 40)(rng) +
                        std::uniform_int_distribution<size_t>(54, 57)(rng); break;
            default: n = std::uniform_int_distribution<size_t>(0, 70000)(rng); break;
        }
        const std::vector<unsigned char> data = RandomBytes(rng, n);
        const std::string expected = Hex(OsslMd5(data.data(), n));
        EXPECT_EQ(expected, Hex(Md5(data.data(), n))) << "round " << round << ", length " << n;
        std::vector<size_t> sizes;
        for (int i = 0; i < 8; ++i) {
            sizes.push_back(std::uniform_int_distribution<size_t>(1, 300)(rng));
        }
        EXPECT_EQ(expected, Hex(Md5Pieces(data.data(), n, sizes)))
            << "round " << round << ", length " << n << " in pieces";
    }
}

// ---------------------------------------------------------------------------
// Separate records on separate threads.

TEST(Md5Threads, SeparateRecordsOnSeparateThreads) {
    std::mt19937 rng(99);
    std::vector<std::vector<unsigned char>> inputs;
    for (int i = 0; i < 4; ++i) inputs.push_back(RandomBytes(rng, 200000 + i * 1001));
    std::vector<Digest> results(inputs.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < inputs.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int rep = 0; rep < 5; ++rep) {
                results[i] = Md5Pieces(inputs[i].data(), inputs[i].size(), {1000 + i, 33});
            }
        });
    }
    for (auto& t : threads) t.join();
    for (size_t i = 0; i < inputs.size(); ++i) {
        EXPECT_EQ(Hex(OsslMd5(inputs[i].data(), inputs[i].size())), Hex(results[i])) << "input " << i;
    }
}
