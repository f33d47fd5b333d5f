// Tests of the writer that extraction uses to stay beneath its folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "TestArchive.h"
#include "platform/BeneathWriter.h"

namespace fs = std::filesystem;

namespace {

class BeneathWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* bin = std::getenv("ZV_BINARY_DIR");
        m_root = fs::path(bin ? bin : fs::temp_directory_path().string()) / "beneath-writer" /
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(m_root);
        fs::create_directories(m_root / "target");
        fs::create_directories(m_root / "outside");
    }
    fs::path Target() const { return m_root / "target"; }
    fs::path Outside() const { return m_root / "outside"; }
    OSErr Write(const std::string& rel, const std::string& data, bool createDirs = true) {
        BeneathWriter w(Target().c_str());
        EXPECT_EQ(kNoErr, w.OpenStatus());
        return w.WriteFile(rel.c_str(), data.data(), data.size(), createDirs);
    }

    fs::path m_root;
};

TEST_F(BeneathWriterTest, WritesNestedFilesAndMakesFolders) {
    EXPECT_EQ(kNoErr, Write("Foo/Sub/a.txt", "abc"));
    EXPECT_EQ("abc", zvtest::ReadFileText((Target() / "Foo/Sub/a.txt").string()));
    // Empty and "." components are skipped; a leading "/" stays beneath.
    EXPECT_EQ(kNoErr, Write("/./Foo//b.txt", "b"));
    EXPECT_EQ("b", zvtest::ReadFileText((Target() / "Foo/b.txt").string()));
    EXPECT_EQ(kNoErr, Write("empty", ""));
    EXPECT_TRUE(fs::is_regular_file(Target() / "empty"));
    EXPECT_EQ(0u, fs::file_size(Target() / "empty"));
}

TEST_F(BeneathWriterTest, ReplacesAnExistingFileWithoutTouchingItsOtherLinks) {
    zvtest::WriteFileBytes((Outside() / "keep").string(), zvtest::Bytes(100, 'k'));
    fs::create_hard_link(Outside() / "keep", Target() / "f");
    EXPECT_EQ(kNoErr, Write("f", "short"));
    EXPECT_EQ("short", zvtest::ReadFileText((Target() / "f").string()));
    EXPECT_EQ(std::string(100, 'k'), zvtest::ReadFileText((Outside() / "keep").string()));
}

TEST_F(BeneathWriterTest, RefusesPathsThatLeaveOrNameNothing) {
    struct Row {
        const char* rel;
        OSErr expected;
    };
    const std::string longName(256, 'n');
    const Row rows[] = {
        {"../escape", kErrBadName},
        {"a/../../escape", kErrBadName},
        {"a/..", kErrBadName},
        {"", kErrBadName},
        {"./", kErrBadName},
        {"//", kErrBadName},
        {longName.c_str(), kErrBadName},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.expected, Write(row.rel, "x")) << row.rel;
    }
    EXPECT_FALSE(fs::exists(m_root / "escape"));
    EXPECT_TRUE(fs::is_empty(Target()));
}

TEST_F(BeneathWriterTest, NeverFollowsALink) {
    fs::create_directory_symlink(Outside(), Target() / "out");
    fs::create_symlink(Outside() / "victim", Target() / "file-link");
    zvtest::WriteFileBytes((Outside() / "victim").string(), zvtest::Bytes(3, 'v'));
    fs::create_directory_symlink("/", Target() / "root");

    EXPECT_EQ(kErrAccessDenied, Write("out/new.txt", "x"));
    EXPECT_EQ(kErrAccessDenied, Write("out/deeper/new.txt", "x"));
    EXPECT_EQ(kErrAccessDenied, Write("file-link", "x"));
    EXPECT_EQ(kErrAccessDenied, Write("root/tmp/zv-beneath-escape", "x"));
    EXPECT_FALSE(fs::exists(Outside() / "new.txt"));
    EXPECT_FALSE(fs::exists(Outside() / "deeper"));
    EXPECT_FALSE(fs::exists("/tmp/zv-beneath-escape"));
    EXPECT_EQ("vvv", zvtest::ReadFileText((Outside() / "victim").string()));
    EXPECT_TRUE(fs::is_symlink(Target() / "file-link"));
}

TEST_F(BeneathWriterTest, ReportsWhatStandsInTheWay) {
    fs::create_directories(Target() / "dir");
    zvtest::WriteFileBytes((Target() / "plain").string(), zvtest::Bytes(1, 'p'));
    EXPECT_EQ(kErrNotAFile, Write("dir", "x"));
    EXPECT_EQ(kErrNotAFolder, Write("plain/x", "x"));
    EXPECT_EQ(kErrNotFound, Write("missing/x", "x", false));
    EXPECT_FALSE(fs::exists(Target() / "missing"));
    EXPECT_EQ(kNoErr, Write("dir/x", "x", false));
}

TEST_F(BeneathWriterTest, AppliesModeAndTimesThroughTheFile) {
    BeneathWriter w(Target().c_str());
    FSCatalogInfo info{};
    info.permissions.mode = 0100604;
    info.permissions.userID = getuid();
    info.permissions.groupID = getgid();
    info.contentModDate = {0, 3000000000u, 0x8000};  // plus half a second
    // accessDate stays all zero: atime is left alone.
    ASSERT_EQ(kNoErr,
              w.WriteFile("d/f", "abc", 3, true,
                          kCatInfoPermissions | kCatInfoContentMod | kCatInfoAccessDate, &info));
    struct stat st;
    ASSERT_EQ(0, stat((Target() / "d/f").c_str(), &st));
    EXPECT_EQ(0604u, st.st_mode & 07777);
    EXPECT_EQ(3000000000LL - 2082844800LL, static_cast<long long>(st.st_mtim.tv_sec));
    EXPECT_EQ(500000000L, st.st_mtim.tv_nsec);
    EXPECT_GT(st.st_atim.tv_sec, 1600000000L);
    // Without the bits nothing is applied.
    ASSERT_EQ(kNoErr, w.WriteFile("d/g", "x", 1, true, kCatInfoNone, &info));
    ASSERT_EQ(0, stat((Target() / "d/g").c_str(), &st));
    EXPECT_GT(st.st_mtim.tv_sec, 1600000000L);
}

// The writer keeps the last folder it reached for the next file. Swapping
// that folder for a link afterwards must not lead the next file out.
TEST_F(BeneathWriterTest, AKeptFolderCannotBeSwappedForALink) {
    BeneathWriter w(Target().c_str());
    ASSERT_EQ(kNoErr, w.WriteFile("a/one", "1", 1, true));
    fs::rename(Target() / "a", Target() / "moved");
    fs::create_directory_symlink(Outside(), Target() / "a");
    EXPECT_EQ(kNoErr, w.WriteFile("a/two", "2", 1, true));
    EXPECT_TRUE(fs::is_empty(Outside()));
    EXPECT_EQ("2", zvtest::ReadFileText((Target() / "moved/two").string()));
    // A fresh walk refuses the link.
    BeneathWriter fresh(Target().c_str());
    EXPECT_EQ(kErrAccessDenied, fresh.WriteFile("a/three", "3", 1, true));
    EXPECT_TRUE(fs::is_empty(Outside()));
}

TEST_F(BeneathWriterTest, MissingFolderFailsEveryWrite) {
    BeneathWriter w((m_root / "nowhere").c_str());
    EXPECT_EQ(kErrNotFound, w.OpenStatus());
    EXPECT_EQ(kErrNotFound, w.WriteFile("a", "a", 1, true));
    zvtest::WriteFileBytes((m_root / "afile").string(), zvtest::Bytes(1, 'a'));
    BeneathWriter f((m_root / "afile").c_str());
    EXPECT_EQ(kErrNotAFolder, f.OpenStatus());
}

}  // namespace
