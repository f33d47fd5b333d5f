// Tests of CZPackedFile: opening, lookups, reading entries, extraction with
// folders, prefixes, dates and modes, removal and the integrity check.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveFixture.h"
#include "platform/dates.h"
#include "platform/fault_injection.h"

namespace fs = std::filesystem;
using zorvane::CZPackedFile;
using zvtest::ProbeArchive;
using zvtest::Random;
using zvtest::ReadFileText;
using zvtest::TestArchive;

namespace {

std::string ReadEntry(const CZPackedFile& a, unsigned long id) {
    std::string s(a.GetFileImageSizeById(id), '\0');
    if (!a.GetFileImageById(id, reinterpret_cast<unsigned char*>(s.data()))) {
        return "<failed>";
    }
    return s;
}

class PackedFileTest : public zvtest::ArchiveFixture {
  protected:
    // a.txt in ./, b.bin in ./Foo/Sub/, c.txt in ./Foo/
    TestArchive Three() {
        TestArchive t;
        t.Add("a.txt", "./", "alpha\n");
        t.Add("b.bin", "./Foo/Sub/", Random(70000, 1));
        t.Add("c.txt", "./Foo/", std::string(5000, 'c'));
        return t;
    }
};

TEST_F(PackedFileTest, OpensAndReadsEveryEntry) {
    ProbeArchive a;
    const std::string path = Save(Three());
    ASSERT_EQ(1, a.Open(path.c_str()));
    EXPECT_STREQ(path.c_str(), a.PackPath());
    ASSERT_EQ(3u, a.GetFileImageNum());
    EXPECT_STREQ("b.bin", a.GetFileImageNameById(1));
    EXPECT_STREQ("./Foo/Sub/", a.GetFileOutputPath(1));
    EXPECT_EQ(70000u, a.GetFileImageSizeById(1));
    EXPECT_EQ(5000u, a.GetFileImageSize("c.txt"));
    EXPECT_EQ("alpha\n", ReadEntry(a, 0));
    EXPECT_EQ(Random(70000, 1), ReadEntry(a, 1));
    std::string c(5000, '\0');
    EXPECT_TRUE(a.GetFileImage("c.txt", reinterpret_cast<unsigned char*>(c.data())));
    EXPECT_EQ(std::string(5000, 'c'), c);
    EXPECT_STREQ("", a.GetFileOutputFullFname(0));

    // Out of range: size 0, null strings, false.
    EXPECT_EQ(0u, a.GetFileImageSizeById(3));
    EXPECT_EQ(nullptr, a.GetFileImageNameById(3));
    EXPECT_EQ(nullptr, a.GetFileOutputPath(3));
    EXPECT_EQ(nullptr, a.GetFileOutputFullFname(3));
    EXPECT_FALSE(a.GetFileImageById(3, reinterpret_cast<unsigned char*>(c.data())));
    EXPECT_EQ(0u, a.GetFileImageSize("missing"));
    EXPECT_FALSE(a.GetFileImage("missing", reinterpret_cast<unsigned char*>(c.data())));
}

TEST_F(PackedFileTest, EntriesHoldAbsoluteStreamOffsets) {
    TestArchive t = Three();
    ProbeArchive a;
    ASSERT_TRUE(a.Open(Save(t).c_str()));
    const std::uint32_t base = 28 + t.Header().catalogPackedSize;
    for (unsigned long id = 0; id < 3; ++id) {
        EXPECT_EQ(static_cast<std::int32_t>(base + t.records[id].nOffset), a.Entry(id)->nOffset);
        EXPECT_EQ(t.records[id].nPackedSize, a.GetFilePackedSizeById(id));
        EXPECT_EQ(0, std::memcmp(t.records[id].digest, a.Entry(id)->digest, 16));
    }
}

TEST_F(PackedFileTest, DamagedArchiveAfterAGoodOneLeavesNothing) {
    ProbeArchive a;
    ASSERT_TRUE(a.Open(Save(Three(), "good.zpk").c_str()));
    zvtest::Bytes bad = Three().Build();
    bad[40] ^= 1;  // a catalogue byte: the checksum fails
    const std::string damaged = SaveBytes(bad, "damaged.zpk");
    EXPECT_FALSE(a.Open(damaged.c_str()));
    EXPECT_EQ(0u, a.GetFileImageNum());
    EXPECT_STREQ(damaged.c_str(), a.PackPath());

    // A null or empty path changes nothing at all.
    ASSERT_TRUE(a.Open(Path("good.zpk").c_str()));
    EXPECT_FALSE(a.Open(nullptr));
    EXPECT_FALSE(a.Open(""));
    EXPECT_EQ(3u, a.GetFileImageNum());
    EXPECT_STREQ(Path("good.zpk").c_str(), a.PackPath());

    EXPECT_FALSE(a.Open(Path("missing.zpk").c_str()));
    EXPECT_EQ(0u, a.GetFileImageNum());
    EXPECT_STREQ(Path("missing.zpk").c_str(), a.PackPath());
}

TEST_F(PackedFileTest, EmptyArchiveOpensWithNoEntries) {
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(TestArchive()).c_str()));
    EXPECT_EQ(0u, a.GetFileImageNum());
    EXPECT_FALSE(a.OutputAllFile(OutDir().c_str(), "", true));
    EXPECT_FALSE(a.CheckAllData());
}

TEST_F(PackedFileTest, KeyBytesAboveTheLowOneAreIgnored) {
    TestArchive t = Three();
    t.key = 0x000000C3;
    CZPackedFile a, b;
    ASSERT_TRUE(a.Open(Save(t, "1.zpk").c_str()));
    t.key = 0xFFEEDDC3;
    ASSERT_TRUE(b.Open(Save(t, "2.zpk").c_str()));
    ASSERT_EQ(a.GetFileImageNum(), b.GetFileImageNum());
    for (unsigned long id = 0; id < a.GetFileImageNum(); ++id) {
        EXPECT_STREQ(a.GetFileImageNameById(id), b.GetFileImageNameById(id));
        EXPECT_EQ(ReadEntry(a, id), ReadEntry(b, id));
    }
}

TEST_F(PackedFileTest, DuplicateNamesActOnTheEarlierEntry) {
    TestArchive t;
    t.Add("dup", "./", "first");
    t.Add("other", "./", "o");
    t.Add("dup", "./", "second!");
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(t).c_str()));
    EXPECT_EQ(0, a.GetFileId("dup"));
    EXPECT_EQ(5u, a.GetFileImageSize("dup"));
    const std::string out = OutDir();
    EXPECT_TRUE(a.OutputFile("dup", out.c_str(), "", false));
    EXPECT_EQ("first", ReadFileText(out + "dup"));
    a.Clear("dup");
    ASSERT_EQ(2u, a.GetFileImageNum());
    EXPECT_STREQ("other", a.GetFileImageNameById(0));
    EXPECT_EQ(1, a.GetFileId("dup"));
    EXPECT_EQ("second!", ReadEntry(a, 1));
    a.Clear("nothing");
    EXPECT_EQ(2u, a.GetFileImageNum());
}

TEST_F(PackedFileTest, NamesCompareExactly) {
    TestArchive t;
    t.Add("Read.Me", "./", "r");
    t.Add("caf\xc3\xa9", "./", "e");
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(t).c_str()));
    EXPECT_EQ(0, a.GetFileId("Read.Me"));
    EXPECT_EQ(-1, a.GetFileId("read.me"));
    EXPECT_EQ(-1, a.GetFileId("READ.ME"));
    EXPECT_EQ(-1, a.GetFileId("Read.Me "));
    EXPECT_EQ(1, a.GetFileId("caf\xc3\xa9"));
    EXPECT_EQ(-1, a.GetFileId("cafe\xcc\x81"));  // the same text, decomposed
    EXPECT_EQ(-1, a.GetFileId(nullptr));
}

TEST_F(PackedFileTest, RemovalShiftsLaterIds) {
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(Three()).c_str()));
    a.RemoveFileInfo(3);
    a.RemoveFileInfo(-1);
    EXPECT_EQ(3u, a.GetFileImageNum());
    a.RemoveFileInfo(0);
    ASSERT_EQ(2u, a.GetFileImageNum());
    EXPECT_STREQ("b.bin", a.GetFileImageNameById(0));
    EXPECT_EQ(Random(70000, 1), ReadEntry(a, 0));
    EXPECT_EQ(1, a.GetFileId("c.txt"));
    a.ClearAll();
    EXPECT_EQ(0u, a.GetFileImageNum());
}

TEST_F(PackedFileTest, OutputAllStopsAtAnEmptyThirdEntry) {
    TestArchive t;
    t.Add("one", "./", "1");
    t.Add("two", "./", "22");
    t.Add("empty", "./", "");
    t.Add("four", "./", "4444");
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(t).c_str()));
    const std::string out = OutDir();
    EXPECT_FALSE(a.OutputAllFile(out.c_str(), "", true));
    EXPECT_EQ("1", ReadFileText(out + "one"));
    EXPECT_EQ("22", ReadFileText(out + "two"));
    EXPECT_FALSE(fs::exists(out + "empty"));
    EXPECT_FALSE(fs::exists(out + "four"));
    EXPECT_FALSE(a.OutputFileById(2, out.c_str(), "", true));
    EXPECT_FALSE(fs::exists(out + "empty"));

    // The empty entry can still be written on purpose.
    EXPECT_TRUE(a.OutputEmptyFileById(2, out.c_str(), "", true));
    EXPECT_TRUE(fs::is_regular_file(out + "empty"));
    EXPECT_EQ(0u, fs::file_size(out + "empty"));
    EXPECT_FALSE(a.OutputEmptyFileById(0, out.c_str(), "", true));  // not empty
}

TEST_F(PackedFileTest, PrefixGoesBeforeTheName) {
    TestArchive t;
    t.Add("a", "./Sub/", "A");
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(t).c_str()));
    const std::string out = OutDir();
    EXPECT_TRUE(a.OutputFile("a", out.c_str(), "x-", false));
    EXPECT_EQ("A", ReadFileText(out + "x-a"));
    EXPECT_TRUE(a.OutputFile("a", out.c_str(), nullptr, true));
    EXPECT_EQ("A", ReadFileText(out + "Sub/a"));
    EXPECT_TRUE(a.OutputFile("a", out.c_str(), "", true));
    EXPECT_EQ(3u, CountBelow(out));  // x-a, Sub, Sub/a
}

TEST_F(PackedFileTest, CreatesOutputFoldersOnlyWhenAsked) {
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(Three()).c_str()));
    const std::string out = OutDir();
    EXPECT_TRUE(a.OutputAllFile(out.c_str(), "", true));
    EXPECT_EQ("alpha\n", ReadFileText(out + "a.txt"));
    EXPECT_EQ(Random(70000, 1), ReadFileText(out + "Foo/Sub/b.bin"));
    EXPECT_EQ(std::string(5000, 'c'), ReadFileText(out + "Foo/c.txt"));

    // Without createDirs every file goes straight into the folder.
    const std::string flat = OutDir("flat");
    EXPECT_TRUE(a.OutputAllFile(flat.c_str(), "", false));
    EXPECT_EQ(3u, CountBelow(flat));
    EXPECT_EQ(Random(70000, 1), ReadFileText(flat + "b.bin"));

    // A missing folder is not made when createDirs is false.
    EXPECT_FALSE(a.OutputFileById(0, (out + "absent/").c_str(), "", false));
    EXPECT_FALSE(fs::exists(out + "absent"));
    // The base folder itself is never made.
    EXPECT_FALSE(a.OutputFileById(0, (out + "absent/").c_str(), "", true));
    EXPECT_FALSE(fs::exists(out + "absent"));
}

TEST_F(PackedFileTest, FolderWithoutTrailingSlashAndRelativeFolder) {
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(Three()).c_str()));
    std::string out = OutDir();
    out.pop_back();
    EXPECT_TRUE(a.OutputFileById(1, out.c_str(), "", true));
    EXPECT_STREQ((out + "/Foo/Sub/b.bin").c_str(), a.GetFileOutputFullFname(1));
    EXPECT_TRUE(fs::exists(out + "/Foo/Sub/b.bin"));
}

TEST_F(PackedFileTest, LeadingDotOfANameIsDropped) {
    TestArchive t;
    t.Add(".hidden", "./D/", "h");
    t.Add("..twice", "./", "t");
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(t).c_str()));
    const std::string out = OutDir();
    EXPECT_TRUE(a.OutputAllFile(out.c_str(), "", true));
    EXPECT_EQ("h", ReadFileText(out + "D/hidden"));
    EXPECT_FALSE(fs::exists(out + "D/.hidden"));
    EXPECT_EQ("t", ReadFileText(out + ".twice"));
}

TEST_F(PackedFileTest, OverwritesALongerFileExactly) {
    TestArchive t;
    t.Add("f", "./", "short");
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(t).c_str()));
    const std::string out = OutDir();
    ASSERT_TRUE(zvtest::WriteFileBytes(out + "f", zvtest::Bytes(10000, 'L')));
    EXPECT_TRUE(a.OutputFileById(0, out.c_str(), "", false));
    EXPECT_EQ("short", ReadFileText(out + "f"));
}

TEST_F(PackedFileTest, RecordsTheFullFileName) {
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(Three()).c_str()));
    const std::string out = OutDir();
    EXPECT_STREQ("", a.GetFileOutputFullFname(2));
    ASSERT_TRUE(a.OutputFileById(2, out.c_str(), "p-", true));
    EXPECT_EQ(out + "Foo/p-c.txt", a.GetFileOutputFullFname(2));
    EXPECT_STREQ("", a.GetFileOutputFullFname(0));

    a.SetFileOutputFullFname(0, "/some/where");
    EXPECT_STREQ("/some/where", a.GetFileOutputFullFname(0));
    a.SetFileOutputFullFname(7, "/x");
    a.SetFileOutputFullFname(-1, "/x");
    const std::string longPath(2000, 'p');
    a.SetFileOutputFullFname(0, longPath.c_str());
    EXPECT_EQ(1023u, std::strlen(a.GetFileOutputFullFname(0)));

    // Opening again forgets it.
    ASSERT_TRUE(a.Open(Path("a.zpk").c_str()));
    EXPECT_STREQ("", a.GetFileOutputFullFname(2));
}

TEST_F(PackedFileTest, AppliesStoredDatesAndModeWithoutSpecialBits) {
    TestArchive t;
    zorvane::stPackRecord& r = t.Add("tool", "./", "#!/bin/sh\n", 04755);
    r.contentModDate = {0, 3660779045u, 0};  // 2020-01-02 03:04:05 UTC
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(t).c_str()));
    const std::string out = OutDir();
    ASSERT_TRUE(a.OutputFileById(0, out.c_str(), "", true));
    struct stat st;
    ASSERT_EQ(0, stat((out + "tool").c_str(), &st));
    EXPECT_EQ(0755u, st.st_mode & 07777);
    EXPECT_EQ(3660779045LL - kSecondsFrom1904To1970, static_cast<long long>(st.st_mtime));
}

TEST_F(PackedFileTest, ReadsAndSetsFileAttributes) {
    const std::string file = Path("f").string();
    ASSERT_TRUE(zvtest::WriteFileBytes(file, zvtest::Bytes(3, 'f')));
    ASSERT_EQ(0, chmod(file.c_str(), 0640));
    CZPackedFile a;
    zorvane::stFileImage e;
    std::memset(&e, 0xEE, sizeof e);
    ASSERT_EQ(kNoErr, a.ReadFileAttribute(file.c_str(), &e));
    EXPECT_EQ(0640u, e.permissions.mode & 07777u);
    EXPECT_NE(0u, e.contentModDate.lowSeconds);

    e.permissions.mode = (e.permissions.mode & ~07777u) | 0604u;
    e.contentModDate = {0, 3000000000u, 0};
    EXPECT_EQ(kNoErr, a.SetFileAttribute(file.c_str(), &e));
    struct stat st;
    ASSERT_EQ(0, stat(file.c_str(), &st));
    EXPECT_EQ(0604u, st.st_mode & 07777);
    EXPECT_EQ(3000000000LL - kSecondsFrom1904To1970, static_cast<long long>(st.st_mtime));

    std::memset(&e, 0xEE, sizeof e);
    EXPECT_NE(kNoErr, a.ReadFileAttribute(Path("missing").c_str(), &e));
    const UTCDateTime noDate{};
    for (const UTCDateTime* d :
         {&e.createDate, &e.contentModDate, &e.attributeModDate, &e.accessDate, &e.backupDate}) {
        EXPECT_TRUE(zvtest::SameDate(noDate, *d));
    }
    EXPECT_TRUE(zvtest::SamePermissions(FSPermissionInfo{}, e.permissions));
    EXPECT_NE(kNoErr, a.SetFileAttribute(Path("missing").c_str(), &e));
}

TEST_F(PackedFileTest, CheckAllDataNamesEveryBadEntry) {
    TestArchive t = Three();
    t.Add("d", "./", "dddd");
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(t).c_str()));
    std::vector<unsigned long> bad{99};
    EXPECT_TRUE(a.CheckAllData(&bad));
    EXPECT_TRUE(bad.empty());

    // Entry 1's stream damaged, entry 3's length a lie.
    t.streams[1][10] ^= 0x40;
    t.records[3].nSize = 5;
    ASSERT_TRUE(a.Open(Save(t).c_str()));
    EXPECT_FALSE(a.CheckAllData(&bad));
    EXPECT_EQ((std::vector<unsigned long>{1, 3}), bad);
    EXPECT_FALSE(a.CheckAllData());
    EXPECT_TRUE(a.CheckFileById(0));
    EXPECT_FALSE(a.CheckFileById(1));
    EXPECT_FALSE(a.CheckFileById(4));
}

TEST_F(PackedFileTest, ReadsAnArchiveWrittenByPython) {
    const std::string file = Path("py.zpk").string();
    const char* src = std::getenv("ZV_SOURCE_DIR");
    const std::string cmd = "python3 '" + std::string(src ? src : ".") +
                            "/tests/archive/pack_oracle.py' write '" + file + "'";
    ASSERT_EQ(0, std::system(cmd.c_str()));
    CZPackedFile a;
    ASSERT_TRUE(a.Open(file.c_str()));
    ASSERT_EQ(3u, a.GetFileImageNum());
    EXPECT_TRUE(a.CheckAllData());
    const std::string out = OutDir();
    EXPECT_FALSE(a.OutputAllFile(out.c_str(), "", true));  // stops at the empty 2nd entry
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += "hello from python\n";
    }
    EXPECT_EQ(text, ReadFileText(out + "Foo/readme.txt"));
    EXPECT_TRUE(a.OutputFileById(2, out.c_str(), "", true));
    std::string bin;
    for (int i = 0; i < 9; ++i) {
        for (int b = 0; b < 256; ++b) {
            bin += static_cast<char>(b);
        }
    }
    EXPECT_EQ(bin, ReadFileText(out + "Foo/Sub/bin.dat"));
}

// Every allocation the reader makes can fail; each failure is a false result
// with nothing written for that entry, never a crash. The one exception is
// the read-ahead window of an extraction run: without it the streams are read
// one by one, and the run still succeeds.
TEST_F(PackedFileTest, AllocationFailuresAreFailureResults) {
    const std::string path = Save(Three());
    const std::string out = OutDir();
    auto run = [&]() {
        CZPackedFile a;
        if (!a.Open(path.c_str())) {
            return 0;
        }
        return a.OutputAllFile(out.c_str(), "", true) ? 2 : 1;
    };
    FaultInjection::StartCounting();
    ASSERT_EQ(2, run());
    const std::uint32_t calls = FaultInjection::CallCount(PlatformOp::NewPtr);
    FaultInjection::Reset();
    ASSERT_GE(calls, 5u);  // catalogue, records, window, and buffers per entry
    int absorbed = 0;
    for (std::uint32_t i = 1; i <= calls; ++i) {
        fs::remove_all(out);
        fs::create_directories(out);
        FaultInjection::Arm(PlatformOp::NewPtr, i, kErrNoMemory);
        const int result = run();
        EXPECT_EQ(1u, FaultInjection::FiredCount()) << "allocation " << i;
        FaultInjection::Reset();
        if (result == 2) {
            ++absorbed;
            EXPECT_EQ(Random(70000, 1), ReadFileText(out + "Foo/Sub/b.bin")) << "allocation " << i;
        }
    }
    EXPECT_EQ(1, absorbed);
}

}  // namespace
