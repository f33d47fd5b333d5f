// Tests of the path string helpers: the worked-example tables,
// the edge cases that matter, the overflow behaviour chosen in zrPath.h
// (empty result, nothing written past a 1024-byte buffer, no input read past
// its first 1024 bytes) and aliasing.
#include "filelib/zrPath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Worked examples.

struct SplitCase {
    const char* in;
    const char* first;   // base or dir
    const char* second;  // ext or file
};

const SplitCase kSplitFnameCases[] = {
    {"archive.tar.gz", "archive.tar", "gz"},
    {"readme", "readme", ""},
    {".profile", "", "profile"},
    {"name.", "name", ""},
    {"dir.d/file", "dir", "d/file"},
    // Beyond the table.
    {"", "", ""},
    {".", "", ""},
    {"a..b", "a.", "b"},
};

const SplitCase kSplitPathCases[] = {
    {"/a/b/c.txt", "/a/b/", "c.txt"},
    {"/a/b/", "/a/b/", ""},
    {"c.txt", "", "c.txt"},
    {"/", "/", ""},
    // Beyond the table.
    {"", "", ""},
    {"a//b", "a//", "b"},
    {"./x", "./", "x"},
};

TEST(ZrSplitFname, WorkedExamples) {
    for (const auto& c : kSplitFnameCases) {
        SCOPED_TRACE(c.in);
        char base[zrPathBufSize];
        char ext[zrPathBufSize];
        std::memset(base, 'X', sizeof base);
        std::memset(ext, 'X', sizeof ext);
        zrSplitFname(c.in, base, ext);
        EXPECT_STREQ(base, c.first);
        EXPECT_STREQ(ext, c.second);
    }
}

TEST(ZrSplitFname, EachOutputMayBeNull) {
    for (const auto& c : kSplitFnameCases) {
        SCOPED_TRACE(c.in);
        char buf[zrPathBufSize];
        zrSplitFname(c.in, buf, nullptr);
        EXPECT_STREQ(buf, c.first);
        zrSplitFname(c.in, nullptr, buf);
        EXPECT_STREQ(buf, c.second);
        zrSplitFname(c.in, nullptr, nullptr);  // must not crash
    }
}

TEST(ZrSplitPath, WorkedExamples) {
    for (const auto& c : kSplitPathCases) {
        SCOPED_TRACE(c.in);
        char dir[zrPathBufSize];
        char file[zrPathBufSize];
        std::memset(dir, 'X', sizeof dir);
        std::memset(file, 'X', sizeof file);
        zrSplitPath(c.in, dir, file);
        EXPECT_STREQ(dir, c.first);
        EXPECT_STREQ(file, c.second);
    }
}

TEST(ZrSplitPath, EachOutputMayBeNull) {
    for (const auto& c : kSplitPathCases) {
        SCOPED_TRACE(c.in);
        char buf[zrPathBufSize];
        zrSplitPath(c.in, buf, nullptr);
        EXPECT_STREQ(buf, c.first);
        zrSplitPath(c.in, nullptr, buf);
        EXPECT_STREQ(buf, c.second);
        zrSplitPath(c.in, nullptr, nullptr);
    }
}

struct MakeCase {
    const char* dir;
    const char* name;
    const char* ext;
    const char* want;
};

const MakeCase kMakePathCases[] = {
    {"/tmp", "x", "txt", "/tmp/x.txt"},
    {"/tmp/", "x", ".txt", "/tmp/x.txt"},
    {"/tmp", "a.b", "dat", "/tmp/a.b.dat"},
    {"/tmp", "./x", nullptr, "/tmp/x"},
    {"/tmp", "../x", nullptr, "/tmp/./x"},
    {"/tmp", ".x", nullptr, "/tmp/x"},
    {"", "/abs/p", nullptr, "abs/p"},
    {nullptr, "x", nullptr, "x"},
    {"/tmp", nullptr, "txt", "/tmp/.txt"},
    {"/tmp", "", nullptr, "/tmp/"},
    // Edge cases and the rest of the drop rule.
    {"/tmp", "/x", nullptr, "/tmp/x"},
    {"/tmp", "//x", nullptr, "/tmp//x"},
    {"/tmp", "././x", nullptr, "/tmp/./x"},
    {"/tmp", "x/", nullptr, "/tmp/x/"},
    {"/tmp//", "x", nullptr, "/tmp//x"},
    {"/", "x", nullptr, "/x"},
    {"rel", "x", nullptr, "rel/x"},
    {"", "x", "txt", "x.txt"},
    {nullptr, nullptr, "txt", ".txt"},
    {nullptr, nullptr, nullptr, ""},
    {"", "", "", "."},
    {"/tmp", "x", "", "/tmp/x."},
    {"/tmp", "x", "..", "/tmp/x.."},
    {"/tmp", nullptr, nullptr, "/tmp/"},
    {"/tmp", ".", nullptr, "/tmp/"},
    {"/tmp", "./", nullptr, "/tmp/"},
};

TEST(ZrMakePath, WorkedExamples) {
    for (const auto& c : kMakePathCases) {
        SCOPED_TRACE(std::string(c.dir ? c.dir : "(null)") + " | " + (c.name ? c.name : "(null)") +
                     " | " + (c.ext ? c.ext : "(null)"));
        char dst[zrPathBufSize];
        std::memset(dst, 'X', sizeof dst);
        zrMakePath(dst, c.dir, c.name, c.ext);
        EXPECT_STREQ(dst, c.want);
    }
}

TEST(ZrMakePath, ExtensionWithOrWithoutDotGivesSamePath) {
    const char* names[] = {"x", "a.b", nullptr, ""};
    for (const char* name : names) {
        char a[zrPathBufSize];
        char b[zrPathBufSize];
        zrMakePath(a, "/tmp", name, "txt");
        zrMakePath(b, "/tmp", name, ".txt");
        EXPECT_STREQ(a, b);
    }
}

TEST(ZrMakePath, SeparatorRule) {
    char dst[zrPathBufSize];
    zrMakePath(dst, "", "x", nullptr);
    EXPECT_STREQ(dst, "x");  // none after an empty dir
    zrMakePath(dst, nullptr, "x", nullptr);
    EXPECT_STREQ(dst, "x");  // none after a null dir
    zrMakePath(dst, "/d", "x", nullptr);
    EXPECT_STREQ(dst, "/d/x");  // exactly one after a dir that lacks it
    zrMakePath(dst, "/d/", "x", nullptr);
    EXPECT_STREQ(dst, "/d/x");  // none after a dir that has it
}

struct CatCase {
    const char* dir;
    const char* name;
    const char* want;
};

const CatCase kCatPathCases[] = {
    {"/tmp/", "./a/b.txt", "/tmp/a/b.txt"},
    {"/tmp", "/b.txt", "/tmp/b.txt"},
    {"/tmp", "../b", "/tmp/b"},
    {"/tmp", ".hidden", "/tmp/hidden"},
    {"/tmp", "./.hidden", "/tmp/hidden"},
    {"/tmp", "./", "/tmp/"},
    {"", "x", "x"},
    // Edge cases: the drop rule twice.
    {"/tmp", "././x", "/tmp/x"},
    {"/tmp", "//x", "/tmp/x"},
    {"/tmp", "///x", "/tmp//x"},
    {"/tmp", "../../x", "/tmp/../x"},  // not a sanitiser: ".." survives
    {"/tmp", "..", "/tmp/"},
    {"/tmp", "...", "/tmp/."},
    {"/tmp", "", "/tmp/"},
    {"/tmp", "Screen Savers", "/tmp/Screen Savers"},
    {"/tmp/", "./Foo/Sub/", "/tmp/Foo/Sub/"},
    {nullptr, "./x", "x"},
    {"", "", ""},
};

TEST(ZrCatPath, WorkedExamples) {
    for (const auto& c : kCatPathCases) {
        SCOPED_TRACE(std::string(c.dir ? c.dir : "(null)") + " | " + c.name);
        char dst[zrPathBufSize];
        std::memset(dst, 'X', sizeof dst);
        zrCatPath(dst, c.dir, c.name);
        EXPECT_STREQ(dst, c.want);
    }
}

TEST(ZrCatPath, DiffersFromMakePathOnDotDot) {
    char made[zrPathBufSize];
    char cat[zrPathBufSize];
    zrMakePath(made, "/tmp", "../x", nullptr);
    zrCatPath(cat, "/tmp", "../x");
    EXPECT_STREQ(made, "/tmp/./x");
    EXPECT_STREQ(cat, "/tmp/x");
}

struct FolderCase {
    const char* path;
    const char* parent;
    const char* name;
};

const FolderCase kFolderCases[] = {
    {"/a/b/z/", "/a/b/", "z"},
    {"/a/b/z", "/a/", "b"},
    {"/a/", "/", "a"},
    {"/a", "", ""},
    {"/", "", ""},
    {"a/b/", "a/", "b"},
    {"a/", "", "a"},
    {"abc", "", ""},
    {"", "", ""},
    {"/a/b//", "/a/b/", ""},
    // Beyond the table.
    {"//", "/", ""},
    {"a/b/c", "a/", "b"},
    {"/a/b/c.txt", "/a/", "b"},
};

TEST(ZrGetParentDirPath, WorkedExamples) {
    for (const auto& c : kFolderCases) {
        SCOPED_TRACE(c.path);
        char dst[zrPathBufSize];
        std::memset(dst, 'X', sizeof dst);
        zrGetParentDirPath(dst, c.path);
        EXPECT_STREQ(dst, c.parent);
    }
}

TEST(ZrGetCurrDirName, WorkedExamples) {
    for (const auto& c : kFolderCases) {
        SCOPED_TRACE(c.path);
        char dst[zrPathBufSize];
        std::memset(dst, 'X', sizeof dst);
        zrGetCurrDirName(dst, c.path);
        EXPECT_STREQ(dst, c.name);
    }
}

TEST(ZrGetParentDirPath, EmptyParentIsAFixedPoint) {
    // CheckDirectory recurses on the parent; the chain must end.
    char dst[zrPathBufSize];
    zrGetParentDirPath(dst, "");
    EXPECT_STREQ(dst, "");
    zrGetParentDirPath(dst, "x");
    EXPECT_STREQ(dst, "");
}

TEST(ZrPath, ReachableThroughFileLibraryNamespace) {
    char dst[zrLib::File::zrPathBufSize];
    zrLib::File::zrCatPath(dst, "/tmp", "x");
    EXPECT_STREQ(dst, "/tmp/x");
}

// ---------------------------------------------------------------------------
// Overflow: nothing past a 1024-byte buffer changes, a result that does not
// fit is the empty string, never a shorter path.

constexpr std::size_t kGuard = 256;
constexpr unsigned char kGuardByte = 0xA5;

// A 1024-byte output buffer followed by guard bytes inside one larger array.
struct Guarded {
    unsigned char bytes[zrPathBufSize + kGuard];
    Guarded() { std::memset(bytes, kGuardByte, sizeof bytes); }
    char* buf() { return reinterpret_cast<char*>(bytes); }
    bool guardIntact() const {
        for (std::size_t i = zrPathBufSize; i < sizeof bytes; ++i) {
            if (bytes[i] != kGuardByte) {
                return false;
            }
        }
        return true;
    }
    // True when no byte other than the first was written.
    bool onlyFirstByteWritten() const {
        for (std::size_t i = 1; i < sizeof bytes; ++i) {
            if (bytes[i] != kGuardByte) {
                return false;
            }
        }
        return true;
    }
};

std::string repeat(char c, std::size_t n) {
    return std::string(n, c);
}

void expectFits(const std::function<void(char*)>& call, const std::string& want) {
    Guarded g;
    call(g.buf());
    EXPECT_TRUE(g.guardIntact());
    EXPECT_EQ(std::string(g.buf()), want);
    EXPECT_LE(want.size(), zrPathMaxLen);
}

void expectOverflow(const std::function<void(char*)>& call) {
    Guarded g;
    call(g.buf());
    EXPECT_TRUE(g.guardIntact());
    EXPECT_EQ(g.buf()[0], '\0');
    EXPECT_TRUE(g.onlyFirstByteWritten());
}

TEST(ZrMakePathOverflow, BoundaryAtExactly1023Bytes) {
    const std::string dir = "/" + repeat('d', 1020);  // 1021 bytes, gets a "/" -> 1022
    // 1022 + "x" = 1023: fits exactly.
    expectFits([&](char* d) { zrMakePath(d, dir.c_str(), "x", nullptr); }, dir + "/x");
    // 1022 + "xy" = 1024: does not fit.
    expectOverflow([&](char* d) { zrMakePath(d, dir.c_str(), "xy", nullptr); });
    // The dropped prefix does not count.
    expectFits([&](char* d) { zrMakePath(d, dir.c_str(), "./x", nullptr); }, dir + "/x");
    // The separator counts: a 1023-byte dir without "/" does not fit.
    const std::string full = repeat('d', 1023);
    expectOverflow([&](char* d) { zrMakePath(d, full.c_str(), nullptr, nullptr); });
    expectOverflow([&](char* d) { zrMakePath(d, full.c_str(), "", nullptr); });
    // ... but one that ends in "/" does, exactly.
    const std::string fullSlash = repeat('d', 1022) + "/";
    expectFits([&](char* d) { zrMakePath(d, fullSlash.c_str(), nullptr, nullptr); }, fullSlash);
}

TEST(ZrMakePathOverflow, ExtensionDotAndExtensionCount) {
    const std::string dir = "/" + repeat('d', 1016);  // 1017 + "/" = 1018
    // 1018 + "name" (4) + "." + "t" = 1024: too long.
    expectOverflow([&](char* d) { zrMakePath(d, dir.c_str(), "name", "t"); });
    expectOverflow([&](char* d) { zrMakePath(d, dir.c_str(), "name", ".t"); });
    // 1018 + "nam" + "." + "t" = 1023: fits.
    expectFits([&](char* d) { zrMakePath(d, dir.c_str(), "nam", "t"); }, dir + "/nam.t");
    expectFits([&](char* d) { zrMakePath(d, dir.c_str(), "nam", ".t"); }, dir + "/nam.t");
}

TEST(ZrMakePathOverflow, FarTooLongPiecesNeverTruncate) {
    const std::string big = repeat('a', 5000);
    expectOverflow([&](char* d) { zrMakePath(d, big.c_str(), "x", "txt"); });
    expectOverflow([&](char* d) { zrMakePath(d, "/tmp", big.c_str(), nullptr); });
    expectOverflow([&](char* d) { zrMakePath(d, "/tmp", "x", big.c_str()); });
    expectOverflow([&](char* d) { zrMakePath(d, nullptr, nullptr, big.c_str()); });
    // A 1024-byte name is refused even though dropping "./" would leave 1022.
    const std::string name1024 = "./" + repeat('n', 1022);
    expectOverflow([&](char* d) { zrMakePath(d, nullptr, name1024.c_str(), nullptr); });
}

TEST(ZrCatPathOverflow, BoundaryAndDropRule) {
    const std::string dir = "/" + repeat('d', 1020);  // -> 1022 with "/"
    expectFits([&](char* d) { zrCatPath(d, dir.c_str(), "x"); }, dir + "/x");
    expectFits([&](char* d) { zrCatPath(d, dir.c_str(), "././x"); }, dir + "/x");
    expectFits([&](char* d) { zrCatPath(d, dir.c_str(), "../x"); }, dir + "/x");
    expectOverflow([&](char* d) { zrCatPath(d, dir.c_str(), "xy"); });
    expectOverflow([&](char* d) { zrCatPath(d, dir.c_str(), "./a/b.txt"); });
    const std::string big = repeat('a', 3000);
    expectOverflow([&](char* d) { zrCatPath(d, big.c_str(), "x"); });
    expectOverflow([&](char* d) { zrCatPath(d, "/tmp", big.c_str()); });
    // A joined result that overflows is never a shorter, different path.
    const std::string deep = "/tmp/" + repeat('s', 1000) + "/";
    expectOverflow([&](char* d) {
        zrCatPath(d, deep.c_str(), ("./" + repeat('f', 40) + "/../../x").c_str());
    });
}

TEST(ZrCatPathOverflow, EveryLengthAroundTheLimit) {
    // Sweep result lengths up to ~1140: fits up to 1023, empty from 1024 on.
    for (std::size_t dirLen = 2; dirLen < 1100; dirLen += 7) {
        const std::string dir = "/" + repeat('d', dirLen - 1);
        for (std::size_t nameLen = 1; nameLen < 40; ++nameLen) {
            const std::string name = repeat('n', nameLen);
            const std::size_t total = dirLen + 1 + nameLen;
            Guarded g;
            zrCatPath(g.buf(), dir.c_str(), name.c_str());
            ASSERT_TRUE(g.guardIntact()) << total;
            if (total <= zrPathMaxLen) {
                ASSERT_EQ(std::string(g.buf()), dir + "/" + name);
            } else {
                ASSERT_EQ(g.buf()[0], '\0') << total;
                ASSERT_TRUE(g.onlyFirstByteWritten()) << total;
            }
        }
    }
}

TEST(ZrSplitOverflow, InputOf1023BytesSplitsNormally) {
    const std::string p1023 = repeat('d', 1000) + "/" + repeat('f', 20) + ".x";
    ASSERT_EQ(p1023.size(), 1023u);
    Guarded dir;
    Guarded file;
    zrSplitPath(p1023.c_str(), dir.buf(), file.buf());
    EXPECT_TRUE(dir.guardIntact());
    EXPECT_TRUE(file.guardIntact());
    EXPECT_EQ(std::string(dir.buf()) + file.buf(), p1023);
    EXPECT_EQ(std::string(file.buf()), repeat('f', 20) + ".x");

    Guarded base;
    Guarded ext;
    zrSplitFname(p1023.c_str(), base.buf(), ext.buf());
    EXPECT_TRUE(base.guardIntact());
    EXPECT_TRUE(ext.guardIntact());
    EXPECT_EQ(std::string(ext.buf()), "x");
}

TEST(ZrSplitOverflow, LongerInputEmptiesEveryOutput) {
    for (std::size_t len : {1024u, 1025u, 4000u}) {
        SCOPED_TRACE(len);
        const std::string path = repeat('d', len - 6) + "/f.txt";
        Guarded a;
        Guarded b;
        zrSplitPath(path.c_str(), a.buf(), b.buf());
        EXPECT_EQ(a.buf()[0], '\0');
        EXPECT_EQ(b.buf()[0], '\0');
        EXPECT_TRUE(a.onlyFirstByteWritten());
        EXPECT_TRUE(b.onlyFirstByteWritten());

        Guarded c;
        Guarded d;
        zrSplitFname(path.c_str(), c.buf(), d.buf());
        EXPECT_EQ(c.buf()[0], '\0');
        EXPECT_EQ(d.buf()[0], '\0');
        EXPECT_TRUE(c.onlyFirstByteWritten());
        EXPECT_TRUE(d.onlyFirstByteWritten());
    }
}

TEST(ZrFolderOverflow, InputOf1024BytesOrMoreGivesEmpty) {
    for (std::size_t len : {1024u, 1025u, 4000u}) {
        SCOPED_TRACE(len);
        const std::string path = "/" + repeat('d', len - 4) + "/z/";
        ASSERT_EQ(path.size(), len);
        expectOverflow([&](char* d) { zrGetParentDirPath(d, path.c_str()); });
        expectOverflow([&](char* d) { zrGetCurrDirName(d, path.c_str()); });
    }
    // 1023 bytes still works.
    const std::string path = "/" + repeat('d', 1019) + "/z/";
    ASSERT_EQ(path.size(), 1023u);
    expectFits([&](char* d) { zrGetParentDirPath(d, path.c_str()); },
               "/" + repeat('d', 1019) + "/");
    expectFits([&](char* d) { zrGetCurrDirName(d, path.c_str()); }, "z");
}

// An unterminated 1024-byte input buffer is never read past its end (ASan
// catches any over-read: the buffer is a heap block of exactly 1024 bytes).
TEST(ZrPathInputs, UnterminatedFullBufferIsNotOverread) {
    std::unique_ptr<char[]> in(new char[zrPathBufSize]);
    std::memset(in.get(), 'a', zrPathBufSize);
    in[10] = '/';
    in[0] = '.';
    const char* p = in.get();
    expectOverflow([&](char* d) { zrMakePath(d, p, "x", nullptr); });
    expectOverflow([&](char* d) { zrMakePath(d, "/tmp", p, nullptr); });
    expectOverflow([&](char* d) { zrMakePath(d, "/tmp", "x", p); });
    expectOverflow([&](char* d) { zrCatPath(d, p, "x"); });
    expectOverflow([&](char* d) { zrCatPath(d, "/tmp", p); });
    in[1] = '/';  // "./" prefix: the drop rule must not shift the read window
    expectOverflow([&](char* d) { zrCatPath(d, "/tmp", p); });
    expectOverflow([&](char* d) { zrMakePath(d, nullptr, p, nullptr); });
    expectOverflow([&](char* d) { zrGetParentDirPath(d, p); });
    expectOverflow([&](char* d) { zrGetCurrDirName(d, p); });
    Guarded a;
    Guarded b;
    zrSplitPath(p, a.buf(), b.buf());
    EXPECT_EQ(a.buf()[0], '\0');
    EXPECT_EQ(b.buf()[0], '\0');
    zrSplitFname(p, a.buf(), b.buf());
    EXPECT_EQ(a.buf()[0], '\0');
    EXPECT_EQ(b.buf()[0], '\0');
}

// Results never write past the NUL they end with either (callers may pass
// smaller buffers to the split functions when the input is short).
TEST(ZrPathOutputs, SplitWritesNoMoreThanTheResult) {
    Guarded base;
    Guarded ext;
    zrSplitFname("ab.c", base.buf(), ext.buf());
    EXPECT_EQ(std::memcmp(base.buf(), "ab", 3), 0);
    EXPECT_EQ(std::memcmp(ext.buf(), "c", 2), 0);
    for (std::size_t i = 3; i < sizeof base.bytes; ++i) {
        ASSERT_EQ(base.bytes[i], kGuardByte);
    }
    for (std::size_t i = 2; i < sizeof ext.bytes; ++i) {
        ASSERT_EQ(ext.bytes[i], kGuardByte);
    }
}

// ---------------------------------------------------------------------------
// Aliasing: outputs may be the same buffer as an input.

TEST(ZrPathAliasing, JoinIntoTheDirBuffer) {
    char p[zrPathBufSize] = "/tmp";
    zrCatPath(p, p, "./a/b.txt");
    EXPECT_STREQ(p, "/tmp/a/b.txt");
    char q[zrPathBufSize] = "/tmp";
    zrMakePath(q, q, "x", "txt");
    EXPECT_STREQ(q, "/tmp/x.txt");
}

TEST(ZrPathAliasing, JoinIntoTheNameBuffer) {
    char n[zrPathBufSize] = "./x";
    zrCatPath(n, "/tmp", n);
    EXPECT_STREQ(n, "/tmp/x");
    char m[zrPathBufSize] = "x";
    zrMakePath(m, "/a/b", m, m);
    EXPECT_STREQ(m, "/a/b/x.x");
}

TEST(ZrPathAliasing, JoinPathWithItself) {
    char p[zrPathBufSize] = "/a";
    zrCatPath(p, p, p);
    EXPECT_STREQ(p, "/a/a");
}

TEST(ZrPathAliasing, OverflowInPlaceLeavesEmpty) {
    std::vector<char> p(zrPathBufSize + kGuard, static_cast<char>(kGuardByte));
    const std::string dir = "/" + repeat('d', 1020);
    std::memcpy(p.data(), dir.c_str(), dir.size() + 1);
    zrCatPath(p.data(), p.data(), "toolong");
    EXPECT_EQ(p[0], '\0');
    for (std::size_t i = zrPathBufSize; i < p.size(); ++i) {
        ASSERT_EQ(static_cast<unsigned char>(p[i]), kGuardByte);
    }
}

TEST(ZrPathAliasing, SplitIntoTheInputBuffer) {
    char p[zrPathBufSize] = "/a/b/c.txt";
    char file[zrPathBufSize];
    zrSplitPath(p, p, file);
    EXPECT_STREQ(p, "/a/b/");
    EXPECT_STREQ(file, "c.txt");

    char q[zrPathBufSize] = "/a/b/c.txt";
    char dir[zrPathBufSize];
    zrSplitPath(q, dir, q);
    EXPECT_STREQ(dir, "/a/b/");
    EXPECT_STREQ(q, "c.txt");

    char n[zrPathBufSize] = "archive.tar.gz";
    char ext[zrPathBufSize];
    zrSplitFname(n, n, ext);
    EXPECT_STREQ(n, "archive.tar");
    EXPECT_STREQ(ext, "gz");

    char m[zrPathBufSize] = "archive.tar.gz";
    char base[zrPathBufSize];
    zrSplitFname(m, base, m);
    EXPECT_STREQ(base, "archive.tar");
    EXPECT_STREQ(m, "gz");
}

TEST(ZrPathAliasing, FolderFunctionsInPlace) {
    for (const auto& c : kFolderCases) {
        SCOPED_TRACE(c.path);
        char p[zrPathBufSize];
        std::strcpy(p, c.path);
        zrGetParentDirPath(p, p);
        EXPECT_STREQ(p, c.parent);
        std::strcpy(p, c.path);
        zrGetCurrDirName(p, p);
        EXPECT_STREQ(p, c.name);
    }
}

// ---------------------------------------------------------------------------
// Null inputs count as empty; a null dst does nothing.

TEST(ZrPathNulls, NullInputsCountAsEmpty) {
    char a[zrPathBufSize] = "junk";
    char b[zrPathBufSize] = "junk";
    zrSplitFname(nullptr, a, b);
    EXPECT_STREQ(a, "");
    EXPECT_STREQ(b, "");
    std::strcpy(a, "junk");
    std::strcpy(b, "junk");
    zrSplitPath(nullptr, a, b);
    EXPECT_STREQ(a, "");
    EXPECT_STREQ(b, "");
    std::strcpy(a, "junk");
    zrGetParentDirPath(a, nullptr);
    EXPECT_STREQ(a, "");
    std::strcpy(a, "junk");
    zrGetCurrDirName(a, nullptr);
    EXPECT_STREQ(a, "");
    zrCatPath(a, "/tmp", nullptr);
    EXPECT_STREQ(a, "/tmp/");
}

TEST(ZrPathNulls, NullDstDoesNothing) {
    zrMakePath(nullptr, "/tmp", "x", "txt");
    zrCatPath(nullptr, "/tmp", "x");
    zrGetParentDirPath(nullptr, "/a/b/");
    zrGetCurrDirName(nullptr, "/a/b/");
}

}  // namespace
