// Native file operations on real folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "filelib/CUniChar.h"
#include "filelib/zrmFile.h"
#include "filelib_fixture.h"
#include "platform/fault_injection.h"
#include "platform/files.h"

using namespace filelib_test;

namespace {

FSRef RefOf(const std::string& path) {
    FSRef ref{};
    EXPECT_EQ(FSPathMakeRef(path.c_str(), &ref, nullptr), kNoErr) << path;
    return ref;
}

class ZrmTest : public FileLibTest {};

TEST_F(ZrmTest, BundleLocations) {
    FSRef ref{};
    ASSERT_TRUE(zrmGetApplicationPath(&ref, nullptr));
    EXPECT_EQ(std::string(ref.path), app);
    ASSERT_TRUE(zrmGetDotAppPath(&ref, nullptr));
    EXPECT_EQ(std::string(ref.path), app + "/Product.bundle");
    ASSERT_TRUE(zrmGetResourcesPath(&ref, nullptr));
    EXPECT_EQ(std::string(ref.path), app + "/Product.bundle/Resources");
    EXPECT_FALSE(zrmGetResourcesPath(&ref, "com.example.other"));
    FSRef parent{};
    ASSERT_TRUE(zrmGetParentDirRef(&parent, &ref));
    EXPECT_EQ(std::string(parent.path), app + "/Product.bundle");
}

TEST_F(ZrmTest, GetFileRefLooksInTheApplicationFolderFirst) {
    WriteText(app + "/both", "app");
    WriteText(cwd + "/both", "cwd");
    WriteText(cwd + "/only-here", "cwd");
    // An absolute path is first tried below the application folder.
    std::string absolute = cwd + "/abs";
    WriteText(absolute, "real");
    std::filesystem::create_directories(app + cwd);
    WriteText(app + absolute, "shadow");

    struct Case {
        std::string path;
        bool found;
        std::string expected;
    };
    const Case cases[] = {
        {"both", true, app + "/both"},
        {"./both", true, app + "/both"},
        {"only-here", true, cwd + "/only-here"},
        {absolute, true, app + absolute},
        {cwd + "/only-here", true, cwd + "/only-here"},
        {"", true, app},
        {"missing", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        FSRef ref{};
        EXPECT_EQ(zrmGetFileRef(&ref, c.path.c_str()), c.found);
        if (c.found) {
            EXPECT_EQ(std::string(ref.path), c.expected);
        }
    }
    BundleSetMainBundlePath((root + "/gone/Product.bundle").c_str());
    FSRef ref{};
    EXPECT_FALSE(zrmGetFileRef(&ref, (cwd + "/only-here").c_str()))
        << "without an application folder nothing is tried";
}

TEST_F(ZrmTest, CheckExistingJoinsLikeThePathHelpers) {
    WriteText(cwd + "/x", "");
    FSRef folder = RefOf(cwd);
    FSRef out{};
    EXPECT_TRUE(zrmCheckExisting(&folder, "x", &out));
    EXPECT_EQ(std::string(out.path), cwd + "/x");
    EXPECT_TRUE(zrmCheckExisting(&folder, "./x"));
    EXPECT_TRUE(zrmCheckExisting(&folder, ".x")) << "a single leading dot is dropped";
    std::strcpy(out.path, "kept");
    EXPECT_FALSE(zrmCheckExisting(&folder, "y", &out));
    EXPECT_STREQ(out.path, "kept");
    FSRef missing{};
    EXPECT_FALSE(zrmIsDirectory(&missing));
    EXPECT_TRUE(zrmIsDirectory(&folder));
}

TEST_F(ZrmTest, CreateDirAcceptsFoldersRefusesFiles) {
    FSRef folder = RefOf(cwd);
    std::filesystem::create_directories(cwd + "/dir/inner");
    WriteText(cwd + "/file", "data");
    struct Case {
        const char* name;
        bool result;
    };
    const Case cases[] = {{"dir", true}, {"file", false}, {"new", true}, {"", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FSRef made{};
        EXPECT_EQ(zrmCreateDir(&made, &folder, c.name), c.result);
    }
    EXPECT_TRUE(Exists(cwd + "/dir/inner")) << "an existing folder is left as it is";
    EXPECT_EQ(ReadText(cwd + "/file"), "data");
    EXPECT_TRUE(IsFolder(cwd + "/new"));
    EXPECT_TRUE(zrmCreateDir(nullptr, &folder, ".hidden"));
    EXPECT_TRUE(IsFolder(cwd + "/.hidden")) << "names are taken literally when creating";
}

TEST_F(ZrmTest, CreateFileReplacesWhatIsThere) {
    FSRef folder = RefOf(cwd);
    WriteText(cwd + "/old", "old contents");
    std::filesystem::create_directories(cwd + "/full/inner");
    std::filesystem::create_directories(cwd + "/empty");
    FSRef made{};
    ASSERT_TRUE(zrmCreateFile(&made, &folder, "old"));
    EXPECT_EQ(SizeOf(cwd + "/old"), 0) << "a new, empty file";
    EXPECT_FALSE(zrmCreateFile(&made, &folder, "full"));
    EXPECT_TRUE(Exists(cwd + "/full/inner"));
    EXPECT_TRUE(zrmCreateFile(&made, &folder, "empty"));
    EXPECT_FALSE(IsFolder(cwd + "/empty"));
    EXPECT_EQ(std::string(made.path), cwd + "/empty");
}

TEST_F(ZrmTest, CreateFileNeverRemovesAnythingButTheNamedObject) {
    std::filesystem::create_directories(cwd + "/box");
    WriteText(cwd + "/hidden", "not me");
    FSRef box = RefOf(cwd + "/box");
    for (const char* name : {"", ".", "..", "a/b", "../hidden"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(zrmCreateFile(nullptr, &box, name));
        EXPECT_FALSE(zrmRemoveFile(&box, name));
    }
    EXPECT_TRUE(IsFolder(cwd + "/box")) << "an empty folder named by \"\" stays";
    FSRef here = RefOf(cwd);
    ASSERT_TRUE(zrmCreateFile(nullptr, &here, ".hidden"));
    EXPECT_EQ(ReadText(cwd + "/hidden"), "not me");
    EXPECT_TRUE(Exists(cwd + "/.hidden"));
}

TEST_F(ZrmTest, RemoveByNameUsesTheApplicationFolderWithoutParent) {
    WriteText(app + "/victim", "");
    WriteText(cwd + "/victim", "");
    EXPECT_TRUE(zrmRemoveFile(nullptr, "victim"));
    EXPECT_FALSE(Exists(app + "/victim"));
    EXPECT_TRUE(Exists(cwd + "/victim"));
    EXPECT_FALSE(zrmRemoveFile(nullptr, "victim"));
    std::filesystem::create_directories(cwd + "/full/x");
    FSRef full = RefOf(cwd + "/full");
    EXPECT_FALSE(zrmRemoveFile(&full));
}

TEST_F(ZrmTest, MoveAndRenameNeverReplace) {
    std::filesystem::create_directories(cwd + "/a");
    std::filesystem::create_directories(cwd + "/b");
    WriteText(cwd + "/a/f", "moving");
    WriteText(cwd + "/b/f", "staying");
    FSRef a = RefOf(cwd + "/a");
    FSRef b = RefOf(cwd + "/b");
    EXPECT_FALSE(zrmMoveFile(&a, "f", &b));
    EXPECT_EQ(ReadText(cwd + "/b/f"), "staying");
    FSRef f = RefOf(cwd + "/a/f");
    FSRef renamed{};
    EXPECT_TRUE(zrmRenameFile(&f, "f")) << "its own name";
    ASSERT_TRUE(zrmRenameFile(&f, "g", &renamed));
    EXPECT_EQ(std::string(renamed.path), cwd + "/a/g");
    FSRef moved{};
    ASSERT_TRUE(zrmMoveFile(&a, "g", &b, &moved));
    EXPECT_EQ(std::string(moved.path), cwd + "/b/g");
    EXPECT_EQ(ReadText(cwd + "/b/g"), "moving");
    FSRef g = RefOf(cwd + "/b/g");
    EXPECT_FALSE(zrmRenameFile(&g, "f")) << "the name is taken";
    EXPECT_FALSE(zrmRenameFile(&g, "bad\xFF")) << "not UTF-8";
}

std::string Pattern(std::size_t size) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return data;
}

TEST_F(ZrmTest, ContentCopyInChunks) {
    struct Case {
        std::size_t size;
        std::uint32_t chunks;
    };
    const Case cases[] = {{0, 0},     {1, 1},     {511, 1},    {512, 1},
                          {65536, 1}, {65537, 2}, {131072, 2}, {200000, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::string data = Pattern(c.size);
        WriteText(cwd + "/src", data);
        WriteText(cwd + "/dst", std::string(300000, 'z'));  // longer than any source
        FSRef src = RefOf(cwd + "/src");
        FSRef dst = RefOf(cwd + "/dst");
        FaultInjection::StartCounting();
        EXPECT_TRUE(zrmCopyFile(&src, &dst));
        EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSReadFork), c.chunks);
        EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSWriteFork), c.chunks);
        EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSOpenFork), c.size == 0 ? 0u : 2u);
        FaultInjection::Reset();
        if (c.size > 0) {
            EXPECT_EQ(ReadText(cwd + "/dst"), data);
        } else {
            EXPECT_EQ(SizeOf(cwd + "/dst"), 300000) << "an empty source copies nothing";
        }
    }
}

TEST_F(ZrmTest, LastWriteIsRoundedUpAndCutBack) {
    struct Case {
        std::size_t size;
        off_t roundedEnd;  // where the file ends when the cut-back is missing
    };
    const Case cases[] = {{1, 512}, {65537, 65536 + 512}, {1000, 1024}, {1024, 1024}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        WriteText(cwd + "/src", Pattern(c.size));
        WriteText(cwd + "/dst", "");
        FSRef src = RefOf(cwd + "/src");
        FSRef dst = RefOf(cwd + "/dst");
        FaultInjection::Arm(PlatformOp::FSSetForkSize, 1, kErrIO);
        EXPECT_FALSE(zrmCopyFile(&src, &dst)) << "a copy with a wrong length is no copy";
        FaultInjection::Reset();
        EXPECT_EQ(SizeOf(cwd + "/dst"), c.roundedEnd);
        EXPECT_TRUE(zrmCopyFile(&src, &dst));
        EXPECT_EQ(SizeOf(cwd + "/dst"), static_cast<off_t>(c.size));
    }
}

TEST_F(ZrmTest, ContentCopyFailuresAreReportedAndForksClosed) {
    WriteText(cwd + "/src", Pattern(70000));
    WriteText(cwd + "/dst", "");
    FSRef src = RefOf(cwd + "/src");
    FSRef dst = RefOf(cwd + "/dst");
    const PlatformOp ops[] = {PlatformOp::FSIterateForks, PlatformOp::FSCreateFork,
                              PlatformOp::FSOpenFork,     PlatformOp::FSAllocateFork,
                              PlatformOp::NewPtr,         PlatformOp::FSReadFork,
                              PlatformOp::FSWriteFork};
    for (PlatformOp op : ops) {
        SCOPED_TRACE(PlatformOpName(op));
        FaultInjection::StartCounting();
        ASSERT_TRUE(zrmCopyFile(&src, &dst));
        std::uint32_t calls = FaultInjection::CallCount(op);
        FaultInjection::Reset();
        for (std::uint32_t n = 1; n <= calls; ++n) {
            FaultInjection::StartCounting();
            FaultInjection::Arm(op, n, kErrDiskFull);
            EXPECT_FALSE(zrmCopyFile(&src, &dst)) << "call " << n;
            EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSOpenFork),
                      FaultInjection::CallCount(PlatformOp::FSCloseFork) +
                          (op == PlatformOp::FSOpenFork ? 1u : 0u))
                << "every opened fork is closed";
            FaultInjection::Reset();
        }
    }
}

TEST_F(ZrmTest, CopyByName) {
    std::filesystem::create_directories(cwd + "/from");
    std::filesystem::create_directories(cwd + "/to");
    WriteText(cwd + "/from/f", "payload");
    WriteText(cwd + "/to/f", "old and longer");
    FSRef from = RefOf(cwd + "/from");
    FSRef to = RefOf(cwd + "/to");
    FSRef made{};
    ASSERT_TRUE(zrmCopyFile(&from, "f", &to, &made));
    EXPECT_EQ(ReadText(cwd + "/to/f"), "payload");
    EXPECT_EQ(std::string(made.path), cwd + "/to/f");
    EXPECT_FALSE(zrmCopyFile(&from, "missing", &to));
    EXPECT_FALSE(zrmCopyFile(&from, "f", &from)) << "a file is not copied onto itself";
    EXPECT_EQ(ReadText(cwd + "/from/f"), "payload");
}

TEST_F(ZrmTest, OpenReadWriteAndSize) {
    WriteText(cwd + "/f", "0123456789");
    FSRef f = RefOf(cwd + "/f");
    EXPECT_EQ(zrmGetFileSize(&f), 10u);
    short fork = 0;
    ASSERT_TRUE(zrmOpenFile(&fork, &f, 2));
    unsigned char buffer[4] = {};
    EXPECT_TRUE(zrmWriteFile(fork, 12, reinterpret_cast<const unsigned char*>("AB"), 2));
    EXPECT_FALSE(zrmWriteFile(fork, -1, buffer, 1));
    EXPECT_FALSE(zrmWriteFile(fork, 0, buffer, -1));
    EXPECT_TRUE(zrmSetFileSize(fork, 5));
    EXPECT_FALSE(zrmSetFileSize(fork, -5));
    short kept = fork;
    EXPECT_TRUE(zrmCloseFile(&fork));
    EXPECT_EQ(fork, kept) << "the number is left in place";
    EXPECT_EQ(zrmGetFileSize(&f), 5u);
    ASSERT_TRUE(zrmOpenFile(&fork, &f, 1));
    EXPECT_TRUE(zrmReadFile(fork, 1, buffer, 4));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "1234");
    EXPECT_FALSE(zrmReadFile(fork, 3, buffer, 4)) << "a read past the end fails as a whole";
    EXPECT_TRUE(zrmCloseFile(&fork));
    FSRef folder = RefOf(cwd);
    EXPECT_EQ(zrmGetFileSize(&folder), 0u);
    ASSERT_EQ(setxattr(cwd.c_str(), "user.note", "x", 1, 0), 0);
    EXPECT_FALSE(zrmOpenFile(&fork, &folder, 1)) << "a folder has no data to open";
}

TEST_F(ZrmTest, NamesToUtf16) {
    unsigned short* chars = nullptr;
    EXPECT_EQ(UTF8ToUniChar("\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80", &chars), 6);
    ASSERT_NE(chars, nullptr);
    EXPECT_EQ(chars[0], 0xE9);
    EXPECT_EQ(chars[4], 0xD83D);
    delete[] chars;
    unsigned short sentinel = 0;
    chars = &sentinel;
    EXPECT_EQ(UTF8ToUniChar("bad\xC3", &chars), 0);
    EXPECT_EQ(chars, &sentinel) << "left alone on failure";
    {
        CUniChar holder;
        holder.m_nLength = UTF8ToUniChar("abc", &holder.m_pChars);
        EXPECT_EQ(holder.m_nLength, 3);
    }  // released here; the sanitizer build catches a leak or a double free
    HFSUniStr255 name{};
    EXPECT_TRUE(zrmPath2HFS255("caf\xC3\xA9", &name));
    EXPECT_EQ(name.length, 4);
    EXPECT_FALSE(zrmPath2HFS255(std::string(256, 'n').c_str(), &name));
    EXPECT_FALSE(zrmPath2HFS255("bad\xFF", &name));
}

TEST_F(ZrmTest, LegacyFullPaths) {
    std::filesystem::create_directories(cwd + "/sub");
    WriteText(cwd + "/sub/x", "");
    WriteText(cwd + "/top", "");
    WriteText(root + "/a:b", "");
    std::string rootLegacy = root.substr(1);
    for (char& c : rootLegacy) {
        c = c == '/' ? ':' : c;
    }
    struct Case {
        std::string legacy;
        bool found;
        std::string expected;
    };
    const Case cases[] = {
        {"top", true, cwd + "/top"},
        {":sub:x", true, cwd + "/sub/x"},
        {":sub:", true, cwd + "/sub"},
        {":", true, cwd},
        {"::", true, root},
        {"::cwd:top", true, cwd + "/top"},
        {rootLegacy + ":cwd:sub:x", true, cwd + "/sub/x"},
        {rootLegacy + ":a/b", true, root + "/a:b"},
        {":sub:..:top", false, ""},
        {"", false, ""},
        {std::string(256, 'n'), false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legacy.substr(0, 60));
        FSRef ref{};
        EXPECT_EQ(zrmFullPath2FSRef(&ref, c.legacy.c_str()), c.found);
        if (c.found) {
            EXPECT_EQ(std::string(ref.path), c.expected);
        }
    }
    FSRef made{};
    ASSERT_TRUE(zrmCreateDir(&made, nullptr, ":made"));
    EXPECT_TRUE(IsFolder(cwd + "/made"));
    ASSERT_TRUE(zrmCreateFile(&made, nullptr, ":made:file"));
    EXPECT_EQ(std::string(made.path), cwd + "/made/file");
    FSCatalogInfo info{};
    ASSERT_EQ(FSGetCatalogInfo(&made, kCatInfoFinderInfo, &info, nullptr, nullptr, nullptr),
              kNoErr);
    EXPECT_EQ(info.finderInfo.fileType, 0x34414E59u);
    EXPECT_EQ(info.finderInfo.fileCreator, 0x46494C45u);
    EXPECT_FALSE(zrmCreateDir(nullptr, nullptr, ":made:file")) << "a file is there";
}

}  // namespace
