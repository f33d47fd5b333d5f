// Tests of the on-disk format: header and record layout, catalogue coding,
// the acceptance rules in their order, and cross-checks with Python's zlib.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "TestArchive.h"
#include "archive/PackCatalog.h"
#include "archive/stPackHeader.h"
#include "archive/stPackRecord.h"

using namespace zorvane;
using zvtest::Bytes;
using zvtest::TestArchive;

namespace {

// Runs the reader's acceptance rules over a whole file image and returns the
// first one that fails.
PackStatus Accept(const Bytes& file, Bytes* records = nullptr) {
    if (file.size() < kPackHeaderSize) {
        return PackStatus::kTooShort;
    }
    const stPackHeader h = stPackHeader::Decode(file.data());
    PackStatus st = CheckPackHeader(h, file.size());
    if (st != PackStatus::kOk) {
        return st;
    }
    Bytes catalog(file.begin() + kPackHeaderSize,
                  file.begin() + kPackHeaderSize + h.catalogPackedSize);
    Bytes out(h.catalogSize);
    st = DecodePackCatalog(h, catalog.data(), out.data());
    if (records) {
        *records = out;
    }
    return st;
}

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) {
        c = static_cast<char>(gen());
    }
    return s;
}

std::filesystem::path ScratchDir(const std::string& name) {
    const char* bin = std::getenv("ZV_BINARY_DIR");
    std::filesystem::path p =
        std::filesystem::path(bin ? bin : std::filesystem::temp_directory_path().string()) /
        "archive-format-scratch" / name;
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p;
}

std::string SourceFile(const std::string& rel) {
    const char* src = std::getenv("ZV_SOURCE_DIR");
    return std::string(src ? src : ".") + "/" + rel;
}

}  // namespace

TEST(PackHeader, EncodesBigEndianFieldsInOrder) {
    stPackHeader h{kPackMagic, kPackVersion, 3, 0x01020304, 1812, 0xA0B0C0D0, 0x11223344};
    unsigned char b[kPackHeaderSize];
    h.Encode(b);
    EXPECT_EQ(0, std::memcmp(b, "ZPKm", 4));
    const unsigned char expected[] = {0x05, 0x07, 0x17, 0x00, 0,    0,    0,    3,
                                      1,    2,    3,    4,    0,    0,    7,    0x14,
                                      0xA0, 0xB0, 0xC0, 0xD0, 0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(0, std::memcmp(b + 4, expected, sizeof expected));
    EXPECT_EQ(0x44, h.MaskByte());
    const stPackHeader back = stPackHeader::Decode(b);
    EXPECT_EQ(h.fileNum, back.fileNum);
    EXPECT_EQ(h.catalogPackedSize, back.catalogPackedSize);
    EXPECT_EQ(h.checksum, back.checksum);
    EXPECT_EQ(h.key, back.key);
}

TEST(PackRecord, PlacesFieldsAtTheirOffsetsWithSizeBeforePackedSize) {
    stPackRecord r;
    std::strcpy(r.szFname, "a.txt");
    std::strcpy(r.szOutputPath, "./Foo/");
    r.nOffset = 0x10;
    r.nSize = 0x20;
    r.nPackedSize = 0x30;
    for (int i = 0; i < 16; ++i) {
        r.digest[i] = static_cast<unsigned char>(0xE0 + i);
    }
    r.createDate = {0x0102, 0x03040506, 0x0708};
    r.backupDate = {0x1112, 0x13141516, 0x1718};
    r.permissions = {0x21222324, 0x25262728, 0x29, 0x2A, 0x2B2C, 0x2D2E2F30};
    unsigned char b[kPackRecordSize];
    std::memset(b, 0xFF, sizeof b);
    r.Encode(b);

    EXPECT_STREQ("a.txt", reinterpret_cast<char*>(b));
    for (std::size_t i = 5; i < 260; ++i) {
        ASSERT_EQ(0, b[i]) << "name field not zero-filled at " << i;
    }
    EXPECT_STREQ("./Foo/", reinterpret_cast<char*>(b + 260));
    const unsigned char sizes[] = {0, 0, 0, 0x10, 0, 0, 0, 0x20, 0, 0, 0, 0x30};
    EXPECT_EQ(0, std::memcmp(b + 520, sizes, sizeof sizes));
    EXPECT_EQ(0xE0, b[532]);
    EXPECT_EQ(0xEF, b[547]);
    const unsigned char create[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(0, std::memcmp(b + 548, create, 8));
    const unsigned char backup[] = {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18};
    EXPECT_EQ(0, std::memcmp(b + 580, backup, 8));
    const unsigned char perms[] = {0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28,
                                   0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F, 0x30};
    EXPECT_EQ(0, std::memcmp(b + 588, perms, 16));

    stPackRecord back;
    stPackRecord::Decode(b, back);
    EXPECT_STREQ("a.txt", back.szFname);
    EXPECT_STREQ("./Foo/", back.szOutputPath);
    EXPECT_EQ(0x10u, back.nOffset);
    EXPECT_EQ(0x20u, back.nSize);
    EXPECT_EQ(0x30u, back.nPackedSize);
    EXPECT_EQ(0, std::memcmp(r.digest, back.digest, 16));
    EXPECT_TRUE(zvtest::SameDate(r.createDate, back.createDate));
    EXPECT_TRUE(zvtest::SameDate(r.backupDate, back.backupDate));
    EXPECT_TRUE(zvtest::SamePermissions(r.permissions, back.permissions));
}

TEST(PackRecord, StringsWithoutNulAreCutSafely) {
    unsigned char b[kPackRecordSize];
    std::memset(b, 'x', sizeof b);  // no NUL anywhere, not even in the numbers
    stPackRecord r;
    stPackRecord::Decode(b, r);
    EXPECT_EQ(259u, std::strlen(r.szFname));
    EXPECT_EQ(259u, std::strlen(r.szOutputPath));
    EXPECT_EQ(0x78787878u, r.nSize);

    // Bytes after the NUL carry no meaning.
    std::memset(b, 0, sizeof b);
    std::memcpy(b, "ab\0junk", 7);
    stPackRecord::Decode(b, r);
    EXPECT_STREQ("ab", r.szFname);
    EXPECT_EQ(0, r.szFname[3]);
}

TEST(PackCatalog, ChecksumIsTakenBeforeMaskingAndOnlyTheLowKeyByteMasks) {
    const Bytes records(2 * kPackRecordSize, 0x41);
    Bytes plain;
    std::uint32_t plainSum = 0;
    ASSERT_TRUE(EncodePackCatalog(records.data(), records.size(), 0xFFFFFF00, plain, plainSum));
    // A low key byte of 0 leaves the catalogue as zlib made it.
    uLongf n = records.size();
    Bytes back(n);
    ASSERT_EQ(Z_OK, uncompress(back.data(), &n, plain.data(), plain.size()));
    EXPECT_EQ(records, back);
    EXPECT_EQ(PackByteSum(plain.data(), plain.size()), plainSum);

    Bytes a, b;
    std::uint32_t sumA = 0, sumB = 0;
    ASSERT_TRUE(EncodePackCatalog(records.data(), records.size(), 0x000000A5, a, sumA));
    ASSERT_TRUE(EncodePackCatalog(records.data(), records.size(), 0x7F3C11A5, b, sumB));
    EXPECT_EQ(a, b);
    EXPECT_EQ(plainSum, sumA);
    ASSERT_EQ(plain.size(), a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(plain[i] ^ 0xA5, a[i]);
    }
}

TEST(PackCatalog, ByteSumWrapsModulo2To32) {
    const Bytes ff(16843010, 0xFF);  // 255 x 16843010 = 2^32 + 254
    EXPECT_EQ(254u, PackByteSum(ff.data(), ff.size()));
}

TEST(PackCatalog, EmptyArchiveIsHeaderAndTheStreamOfNothing) {
    TestArchive t;
    const Bytes file = t.Build();
    Bytes expected(1);
    uLongf n = compressBound(0);
    Bytes empty(n);
    compress2(empty.data(), &n, expected.data(), 0, 9);
    ASSERT_EQ(kPackHeaderSize + n, file.size());
    const stPackHeader h = stPackHeader::Decode(file.data());
    EXPECT_EQ(0u, h.fileNum);
    EXPECT_EQ(0u, h.catalogSize);
    EXPECT_EQ(PackStatus::kOk, Accept(file));
}

TEST(PackCatalog, ArchivesDifferingOnlyInUpperKeyBytesDecodeIdentically) {
    TestArchive t;
    t.Add("a", "./", "alpha");
    t.key = 0x00000077;
    const Bytes a = t.Build();
    t.key = 0xABCDEF77;
    const Bytes b = t.Build();
    EXPECT_TRUE(std::equal(a.begin() + 28, a.end(), b.begin() + 28));
    Bytes ra, rb;
    EXPECT_EQ(PackStatus::kOk, Accept(a, &ra));
    EXPECT_EQ(PackStatus::kOk, Accept(b, &rb));
    EXPECT_EQ(ra, rb);
}

TEST(PackCatalog, ZlibBoundCoversTheDensestStream) {
    const std::string zeros(8 << 20, '\0');
    const std::string stream = zvtest::Deflate(zeros);
    EXPECT_GE(PackMaxInflatedSize(stream.size()), zeros.size());
    EXPECT_LT(PackMaxInflatedSize(stream.size()), zeros.size() + zeros.size() / 50)
        << "bound far looser than deflate's best ratio";
    EXPECT_GE(PackMaxInflatedSize(zvtest::Deflate("").size()), 0u);
}

// The acceptance rules apply in the order: length, magic, version, sizes,
// catalogue length, checksum, decompression. Each row breaks one rule and,
// where it matters, also a later one, so that the first rule must win.
TEST(PackAcceptance, RulesApplyInOrder) {
    TestArchive t;
    t.Add("one", "./", "first file");
    t.Add("two", "./d/", RandomBytes(300, 7));
    const Bytes good = t.Build();
    ASSERT_EQ(PackStatus::kOk, Accept(good));

    struct Row {
        const char* what;
        std::function<void(stPackHeader&)> tweak;
        PackStatus expected;
    };
    const Row rows[] = {
        {"magic and version wrong",
         [](stPackHeader& h) {
             h.magic = 0x5A504B6E;
             h.version = 1;
         },
         PackStatus::kBadMagic},
        {"version wrong, sizes wrong",
         [](stPackHeader& h) {
             h.version = 0x05071701;
             h.catalogSize += 1;
         },
         PackStatus::kBadVersion},
        {"catalogSize not fileNum x 604", [](stPackHeader& h) { h.catalogSize -= 604; },
         PackStatus::kBadSizes},
        {"fileNum lies with catalogSize",
         [](stPackHeader& h) {
             h.fileNum = 100000;
             h.catalogSize = 100000 * 604;
         },
         PackStatus::kBadSizes},
        {"catalogPackedSize past the end of file",
         [](stPackHeader& h) { h.catalogPackedSize = 0x7FFFFFFF; }, PackStatus::kCutShort},
        {"checksum off by one", [](stPackHeader& h) { h.checksum += 1; }, PackStatus::kBadChecksum},
        {"key low byte changed", [](stPackHeader& h) { h.key ^= 1; }, PackStatus::kBadChecksum},
        {"catalogue one byte shorter, sum adjusted",
         [&](stPackHeader& h) {
             Bytes cat;
             t.Header(&cat);
             h.catalogPackedSize -= 1;
             h.checksum -= cat.back() ^ h.MaskByte();
         },
         PackStatus::kBadCatalog},
        {"fewer records than the catalogue holds",
         [](stPackHeader& h) {
             h.fileNum = 1;
             h.catalogSize = 604;
         },
         PackStatus::kBadCatalog},
        {"key upper bytes changed", [](stPackHeader& h) { h.key ^= 0xFFFFFF00; }, PackStatus::kOk},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.expected, Accept(t.Build(row.tweak))) << row.what;
    }

    for (std::size_t len = 0; len < kPackHeaderSize; ++len) {
        EXPECT_EQ(PackStatus::kTooShort, Accept(Bytes(good.begin(), good.begin() + len)));
    }
}

TEST(PackAcceptance, AnyChangedCatalogueByteIsRefused) {
    TestArchive t;
    t.Add("name", "./x/", "some data");
    const Bytes good = t.Build();
    const std::uint32_t cps = t.Header().catalogPackedSize;
    for (std::uint32_t i = 0; i < cps; ++i) {
        Bytes bad = good;
        bad[kPackHeaderSize + i] ^= 0x10;
        EXPECT_EQ(PackStatus::kBadChecksum, Accept(bad)) << "byte " << i;
    }
}

// A 300-byte catalogue with streams of 100 and 50 bytes puts the streams at
// file offsets 328 and 428 and makes the file 478 bytes long.
TEST(PackLayout, TwoRecordOffsetsExample) {
    // Random data whose zlib stream has exactly the wanted length.
    auto dataFor = [](std::size_t streamSize, unsigned seed) {
        for (std::size_t n = 1; n < 2 * streamSize; ++n) {
            const std::string d = RandomBytes(n, seed);
            if (zvtest::Deflate(d).size() == streamSize) {
                return d;
            }
        }
        return std::string();
    };
    const std::string d100 = dataFor(100, 1), d50 = dataFor(50, 2);
    ASSERT_FALSE(d100.empty());
    ASSERT_FALSE(d50.empty());
    TestArchive t;
    std::mt19937 gen(1);
    auto name = [&](std::size_t n) {
        std::string s(n, 'a');
        for (char& c : s) {
            c = static_cast<char>('!' + gen() % 90);
        }
        return s;
    };
    bool found = false;
    for (std::size_t n1 = 1; n1 < 259 && !found; ++n1) {
        for (std::size_t n2 = 1; n2 < 20 && !found; ++n2) {
            t = TestArchive();
            t.Add(name(n1), "./", d100);
            t.Add(name(n2), "./", d50);
            found = t.Header().catalogPackedSize == 300;
        }
    }
    ASSERT_TRUE(found) << "no name lengths give a 300-byte catalogue";
    ASSERT_EQ(100u, t.records[0].nPackedSize);
    ASSERT_EQ(50u, t.records[1].nPackedSize);
    EXPECT_EQ(0u, t.records[0].nOffset);
    EXPECT_EQ(100u, t.records[1].nOffset);
    const Bytes file = t.Build();
    EXPECT_EQ(478u, file.size());
    EXPECT_EQ(0, std::memcmp(file.data() + 328, t.streams[0].data(), 100));
    EXPECT_EQ(0, std::memcmp(file.data() + 428, t.streams[1].data(), 50));
}

// Python's zlib and hashlib read what this encoder writes, and this decoder
// reads what Python writes.
TEST(PackOracle, PythonReadsOurArchive) {
    TestArchive t;
    t.Add("a.txt", "./Foo/", "alpha\n");
    t.Add("b.bin", "./Foo/Sub/", RandomBytes(5000, 3));
    t.Add("empty", "./", "");
    const auto dir = ScratchDir("python-reads");
    const std::string file = (dir / "ours.bin").string();
    ASSERT_TRUE(zvtest::WriteFileBytes(file, t.Build()));
    const std::string out = (dir / "listing.txt").string();
    const std::string cmd = "python3 '" + SourceFile("tests/archive/pack_oracle.py") + "' read '" +
                            file + "' > '" + out + "'";
    ASSERT_EQ(0, std::system(cmd.c_str()));
    const std::string listing = zvtest::ReadFileText(out);
    const std::uint32_t base = 28 + t.Header().catalogPackedSize;
    auto hex = [](const std::string& d) {
        static const char* digits = "0123456789abcdef";
        std::string s;
        for (unsigned char c : d) {
            s += digits[c >> 4];
            s += digits[c & 15];
        }
        return s;
    };
    std::string expected;
    const char* names[] = {"a.txt", "b.bin", "empty"};
    const char* outs[] = {"./Foo/", "./Foo/Sub/", "./"};
    const std::string datas[] = {"alpha\n", RandomBytes(5000, 3), ""};
    for (int i = 0; i < 3; ++i) {
        expected += std::string(names[i]) + "\t" + outs[i] + "\t" +
                    std::to_string(base + t.records[i].nOffset) + "\t" +
                    std::to_string(datas[i].size()) + "\t" + hex(zvtest::Md5Of(datas[i])) + "\n";
    }
    EXPECT_EQ(expected, listing);
}

TEST(PackOracle, WeReadPythonsArchive) {
    const auto dir = ScratchDir("we-read");
    const std::string file = (dir / "py.bin").string();
    const std::string cmd =
        "python3 '" + SourceFile("tests/archive/pack_oracle.py") + "' write '" + file + "'";
    ASSERT_EQ(0, std::system(cmd.c_str()));
    const std::string text = zvtest::ReadFileText(file);
    const Bytes bytes(text.begin(), text.end());
    Bytes records;
    ASSERT_EQ(PackStatus::kOk, Accept(bytes, &records));
    ASSERT_EQ(3 * kPackRecordSize, records.size());
    stPackRecord r;
    stPackRecord::Decode(records.data() + 2 * kPackRecordSize, r);
    EXPECT_STREQ("bin.dat", r.szFname);
    EXPECT_STREQ("./Foo/Sub/", r.szOutputPath);
    EXPECT_EQ(256u * 9, r.nSize);
    EXPECT_EQ(0755, r.permissions.mode);
    EXPECT_EQ(1000u, r.permissions.userID);
    EXPECT_EQ(3660779045u, r.contentModDate.lowSeconds);
}
