// CFile: open modes, names, reads and writes, and the temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "filelib/CFile.h"
#include "filelib_fixture.h"
#include "platform/fault_injection.h"

using namespace filelib_test;
using zrLib::File::CFile;

namespace {

class CFileTest : public FileLibTest {};

ino_t InodeOf(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST_F(CFileTest, CreateNameFormats) {
    WriteText(cwd + "/a.bin", std::string(300, 'a'));
    WriteText(cwd + "/empty", "");
    WriteText(cwd + "/" + std::string(255, 'L'), "xy");
    struct Case {
        std::string path;
        CFile::OPEN_MODE mode;
        std::string name;
    };
    const Case cases[] = {
        {cwd + "/a.bin", CFile::OPEN_READ, "a.bin_00000000_0000012c"},
        {cwd + "/a.bin", CFile::OPEN_WRITE, "a.bin_00000000_0000012c"},
        {cwd + "/empty", CFile::OPEN_READ, "empty_00000000_00000000"},
        {cwd + "/missing", CFile::OPEN_WRITE, cwd + "/missing"},
        {cwd, CFile::OPEN_READ, cwd},  // a folder does not open
        {cwd + "/" + std::string(255, 'L'), CFile::OPEN_READ,
         std::string(255, 'L') + "_00000000_00000002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 80));
        CFile file(c.path.c_str(), c.mode);
        EXPECT_EQ(std::string(file.m_szName), c.name);
    }
    CFile later((cwd + "/later").c_str(), CFile::OPEN_WRITE);
    char data[3] = {'a', 'b', 'c'};
    later.Write(data, 3, 0);
    EXPECT_EQ(std::string(later.m_szName), cwd + "/later") << "named once, at construction";
}

TEST_F(CFileTest, WriteOverAnExistingFileKeepsItAndEndsAfterTheBytes) {
    WriteText(cwd + "/f", "0123456789");
    ino_t before = InodeOf(cwd + "/f");
    struct Case {
        const char* label;
        std::string initial;
        unsigned offset;
        std::string data;
        std::string expected;
    };
    const Case cases[] = {
        {"shorter at 0", "0123456789", 0, "ab", "ab"},
        {"inside", "0123456789", 3, "xy", "012xy"},
        {"past the end", "0123", 6, "zz", std::string("0123\0\0zz", 8)},
        {"exactly at the end", "0123", 4, "45", "012345"},
        {"nothing at 2", "0123", 2, "", "01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        WriteText(cwd + "/f", c.initial);
        CFile file((cwd + "/f").c_str(), CFile::OPEN_WRITE);
        file.Write(c.data.data(), static_cast<unsigned>(c.data.size()), c.offset);
        EXPECT_EQ(ReadText(cwd + "/f"), c.expected);
        EXPECT_EQ(InodeOf(cwd + "/f"), before) << "the file is not made anew";
    }
}

TEST_F(CFileTest, WritesInIncreasingOffsetsBuildAFile) {
    CFile file((cwd + "/built").c_str(), CFile::OPEN_WRITE);
    file.Write("head", 4, 0);
    file.Write("body", 4, 4);
    file.Write("tail", 4, 8);
    EXPECT_EQ(ReadText(cwd + "/built"), "headbodytail");
    EXPECT_EQ(file.GetSize(), 12u);
    char buffer[4];
    EXPECT_EQ(file.Read(buffer, 4, 4), 0u) << "reading through a write object is not supported";
}

TEST_F(CFileTest, WriteModeEdgeCases) {
    // A missing folder: nothing changes, size 0.
    CFile lost((cwd + "/nowhere/f").c_str(), CFile::OPEN_WRITE);
    lost.Write("x", 1, 0);
    EXPECT_EQ(lost.GetSize(), 0u);
    EXPECT_FALSE(Exists(cwd + "/nowhere"));
    // GetSize alone creates an empty file.
    CFile fresh((cwd + "/fresh").c_str(), CFile::OPEN_WRITE);
    EXPECT_FALSE(Exists(cwd + "/fresh"));
    EXPECT_EQ(fresh.GetSize(), 0u);
    EXPECT_TRUE(Exists(cwd + "/fresh"));
    // A bare name is made in the application folder, not the current one.
    CFile bare("bare.txt", CFile::OPEN_WRITE);
    bare.Write("b", 1, 0);
    EXPECT_EQ(ReadText(app + "/bare.txt"), "b");
    EXPECT_FALSE(Exists(cwd + "/bare.txt"));
    // OPEN_WRITE_EXISTING never creates.
    CFile existing((cwd + "/not-there").c_str(), CFile::OPEN_WRITE_EXISTING);
    existing.Write("x", 1, 0);
    EXPECT_EQ(existing.GetSize(), 0u);
    EXPECT_FALSE(Exists(cwd + "/not-there"));
    WriteText(cwd + "/there", "123456");
    CFile there((cwd + "/there").c_str(), CFile::OPEN_WRITE_EXISTING);
    there.Write("ab", 2, 0);
    EXPECT_EQ(ReadText(cwd + "/there"), "ab");
    // A path that does not fit in a path buffer names nothing.
    std::string tooLong = cwd + "/" + std::string(1100, 'x');
    CFile huge(tooLong.c_str(), CFile::OPEN_WRITE);
    huge.Write("x", 1, 0);
    EXPECT_EQ(huge.GetSize(), 0u);
    EXPECT_EQ(std::string(huge.m_szPath), "");
}

TEST_F(CFileTest, FailedWriteLeavesTheLengthAlone) {
    WriteText(cwd + "/f", "0123456789");
    CFile file((cwd + "/f").c_str(), CFile::OPEN_WRITE);
    FaultInjection::Arm(PlatformOp::FSWriteFork, 1, kErrDiskFull);
    file.Write("ab", 2, 0);
    FaultInjection::Reset();
    EXPECT_EQ(ReadText(cwd + "/f"), "0123456789")
        << "a failed write must not cut the file to look complete";
}

TEST_F(CFileTest, ReadIsAllOrNothing) {
    WriteText(cwd + "/r", "abcdef");
    CFile file((cwd + "/r").c_str(), CFile::OPEN_READ);
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 3, 2), 3u);
    EXPECT_EQ(std::string(buffer, 3), "cde");
    EXPECT_EQ(file.Read(buffer, 5, 2), 0u);
    EXPECT_EQ(file.GetSize(), 6u);
    CFile missing((cwd + "/none").c_str(), CFile::OPEN_READ);
    EXPECT_EQ(missing.Read(buffer, 1, 0), 0u);
    EXPECT_EQ(missing.GetSize(), 0u);
    EXPECT_EQ(file.Read(buffer, 1, 0x80000000u), 0u) << "offsets past 2 GiB are refused";
}

TEST_F(CFileTest, UnknownModeTouchesNoFile) {
    WriteText(cwd + "/r", "abcdef");
    {
        CFile other((cwd + "/r").c_str(), CFile::OPEN_READ);  // holds a fork number for a while
    }
    CFile odd((cwd + "/r").c_str(), static_cast<CFile::OPEN_MODE>(7));
    EXPECT_EQ(odd.Open(odd.m_szPath, static_cast<CFile::OPEN_MODE>(7)), 1);
    char buffer[4];
    EXPECT_EQ(odd.Read(buffer, 1, 0), 0u);
    odd.Write("zz", 2, 0);
    EXPECT_EQ(odd.GetSize(), 0u);
    EXPECT_EQ(ReadText(cwd + "/r"), "abcdef");
}

TEST_F(CFileTest, RandomNamesUseRandWithoutSeedingIt) {
    std::srand(1);  // the state of a program that never seeds
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        expected += static_cast<char>('A' + std::rand() % 24);
    }
    std::srand(1);
    char name[41];
    CFile::CreateRandomName(name, 40);
    EXPECT_EQ(std::string(name), expected);
    char many[2001];
    CFile::CreateRandomName(many, 2000);
    EXPECT_EQ(std::strlen(many), 2000u);
    EXPECT_EQ(std::strspn(many, "ABCDEFGHIJKLMNOPQRSTUVWX"), 2000u) << "no Y or Z";
    char empty[4] = "abc";
    CFile::CreateRandomName(empty, 0);
    EXPECT_STREQ(empty, "");
    CFile::CreateRandomName(empty, -3);
    EXPECT_STREQ(empty, "");
}

TEST_F(CFileTest, TemporaryFolderPath) {
    char path[1024];
    CFile::GetTempDirPath(path, 1023);
    EXPECT_EQ(std::string(path), privateTmp + "/");
    EXPECT_TRUE(IsFolder(privateTmp));
    char small[8];
    CFile::GetTempDirPath(small, sizeof small);
    EXPECT_STREQ(small, "") << "a path that does not fit is not cut";
}

TEST_F(CFileTest, CreateDirInTempGrowsTheNameWhileTaken) {
    char path[1024];
    std::srand(77);
    CFile::CreateDirInTemp(path);
    std::string first = path;
    ASSERT_EQ(first.size(), privateTmp.size() + 1 + 12 + 1);
    EXPECT_EQ(first.back(), '/');
    EXPECT_TRUE(IsFolder(first));

    // Taken by a folder, then by a file: the next names are longer.
    std::srand(77);
    CFile::CreateDirInTemp(path);
    std::string second = path;
    EXPECT_EQ(second.size(), first.size() + 1);
    EXPECT_TRUE(IsFolder(second));
    std::filesystem::remove(second);
    WriteText(second.substr(0, second.size() - 1), "a file");
    std::srand(77);
    CFile::CreateDirInTemp(path);
    EXPECT_EQ(std::string(path).size(), first.size() + 2);
    EXPECT_TRUE(IsFolder(path));
}

TEST_F(CFileTest, CreateFileInTemp) {
    std::unique_ptr<CFile> file(CFile::CreateFileInTemp());
    ASSERT_NE(file, nullptr);
    std::string path = file->m_szPath;
    ASSERT_EQ(path.size(), privateTmp.size() + 1 + 63 + 4);
    EXPECT_EQ(path.substr(0, privateTmp.size() + 1), privateTmp + "/");
    EXPECT_EQ(path.substr(path.size() - 4), ".txt");
    EXPECT_FALSE(Exists(path)) << "made by the first write";
    file->Write("hello", 5, 0);
    EXPECT_EQ(ReadText(path), "hello");
}

TEST_F(CFileTest, RefusedTemporaryFolderMakesNothingAnywhere) {
    std::filesystem::create_directories(privateTmp);
    ASSERT_EQ(chmod(privateTmp.c_str(), 0755), 0);
    char path[1024] = "stale";
    CFile::GetTempDirPath(path, 1023);
    EXPECT_STREQ(path, "");
    std::strcpy(path, "stale");
    CFile::CreateDirInTemp(path);
    EXPECT_STREQ(path, "");
    std::unique_ptr<CFile> file(CFile::CreateFileInTemp());
    ASSERT_NE(file, nullptr);
    file->Write("x", 1, 0);
    EXPECT_EQ(file->GetSize(), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(privateTmp));
    EXPECT_TRUE(std::filesystem::is_empty(cwd));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(app),
                            std::filesystem::directory_iterator()),
              1)
        << "only the bundle is in the application folder";
}

}  // namespace
