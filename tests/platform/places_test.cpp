// The private temporary folder, the Library folders and the bundle.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/places.h"
#include "test_support.h"

using platform_test::Exists;
using platform_test::ScratchDir;
using platform_test::WriteText;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* old = getenv(name);
        had_ = old != nullptr;
        old_ = had_ ? old : "";
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

  private:
    const char* name_;
    bool had_;
    std::string old_;
};

class TempFolderTest : public ::testing::Test {
  protected:
    std::string Private() const { return dir / ("zorvane-" + std::to_string(geteuid())); }
    ScratchDir dir;
    ScopedEnv tmpdir{"TMPDIR", dir.path().c_str()};
};

TEST_F(TempFolderTest, MadePrivateWhenMissing) {
    FSRef ref{};
    EXPECT_EQ(FSFindFolder(kUserDomain, kTemporaryFolderType, false, &ref), kErrNotFound);
    EXPECT_FALSE(Exists(Private()));
    ASSERT_EQ(FSFindFolder(kUserDomain, kTemporaryFolderType, true, &ref), kNoErr);
    EXPECT_STREQ(ref.path, Private().c_str());
    struct stat st;
    ASSERT_EQ(lstat(ref.path, &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, geteuid());
    FSRef again{};
    EXPECT_EQ(FSFindFolder(kUserDomain, kTemporaryFolderType, true, &again), kNoErr);
    EXPECT_STREQ(again.path, ref.path);
}

TEST_F(TempFolderTest, RefusesWhatIsNotOurPrivateFolder) {
    struct Case {
        const char* label;
        void (*prepare)(const std::string& place, const std::string& scratch);
        bool needsRoot;
    };
    const Case cases[] = {
        {"open to group and others",
         [](const std::string& place, const std::string&) { mkdir(place.c_str(), 0755); }, false},
        {"open to others only",
         [](const std::string& place, const std::string&) {
             mkdir(place.c_str(), 0700);
             chmod(place.c_str(), 0701);
         },
         false},
        {"a symbolic link to a private folder",
         [](const std::string& place, const std::string& scratch) {
             mkdir((scratch + "/elsewhere").c_str(), 0700);
             symlink((scratch + "/elsewhere").c_str(), place.c_str());
         },
         false},
        {"a regular file",
         [](const std::string& place, const std::string&) { WriteText(place, ""); }, false},
        {"owned by someone else",
         [](const std::string& place, const std::string&) {
             mkdir(place.c_str(), 0700);
             if (chown(place.c_str(), 65534, 65534) != 0) {
                 ADD_FAILURE() << "chown failed";
             }
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.needsRoot && geteuid() != 0) {
            continue;
        }
        std::error_code ec;
        std::filesystem::remove_all(Private(), ec);
        std::filesystem::remove_all(dir / "elsewhere", ec);
        c.prepare(Private(), dir.path());
        FSRef ref{};
        std::strcpy(ref.path, "untouched");
        EXPECT_EQ(FSFindFolder(kUserDomain, kTemporaryFolderType, true, &ref), kErrAccessDenied);
        EXPECT_STREQ(ref.path, "untouched");
        if (Exists(dir / "elsewhere")) {
            EXPECT_TRUE(std::filesystem::is_empty(dir / "elsewhere"));
        }
        struct stat st;
        if (lstat(Private().c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            EXPECT_TRUE(std::filesystem::is_empty(Private())) << "nothing is made in it";
        }
    }
}

TEST_F(TempFolderTest, RelativeTmpdirFallsBackToTmp) {
    ScopedEnv relative("TMPDIR", "relative/tmp");
    char path[1024];
    ASSERT_EQ(FSFindFolderPath(kUserDomain, kTemporaryFolderType, path, sizeof path), kNoErr);
    EXPECT_EQ(std::string(path), "/tmp/zorvane-" + std::to_string(geteuid()));
}

TEST(LibraryFolders, FollowTheXdgVariables) {
    struct Case {
        const char* label;
        const char* dataHome;
        const char* dataDirs;
        const char* home;
        std::int16_t domain;
        std::string expected;
    };
    const Case cases[] = {
        {"user, XDG_DATA_HOME", "/xdg/home/", nullptr, "/h", kUserDomain, "/xdg/home"},
        {"user, default", nullptr, nullptr, "/h", kUserDomain, "/h/.local/share"},
        {"user, relative XDG_DATA_HOME ignored", "rel", nullptr, "/h", kUserDomain,
         "/h/.local/share"},
        {"local, default", nullptr, nullptr, "/h", kLocalDomain, "/usr/local/share"},
        {"system, default", nullptr, nullptr, "/h", kSystemDomain, "/usr/share"},
        {"local, first entry", nullptr, "rel:/a/:/b:/c", "/h", kLocalDomain, "/a"},
        {"system, last entry", nullptr, "/a:/b:/c:rel", "/h", kSystemDomain, "/c"},
        {"only relative entries", nullptr, "x:y", "/h", kSystemDomain, "/usr/share"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScopedEnv a("XDG_DATA_HOME", c.dataHome);
        ScopedEnv b("XDG_DATA_DIRS", c.dataDirs);
        ScopedEnv h("HOME", c.home);
        char path[1024];
        ASSERT_EQ(FSFindFolderPath(c.domain, kLibraryFolderType, path, sizeof path), kNoErr);
        EXPECT_EQ(std::string(path), c.expected);
    }
    char small[4];
    EXPECT_EQ(FSFindFolderPath(kSystemDomain, kLibraryFolderType, small, sizeof small), kErrParam);
    EXPECT_EQ(FSFindFolderPath(kUserDomain, 0x12345678, small, sizeof small), kErrParam);
}

TEST(LibraryFolders, UserFolderIsMadeOnRequestOthersNever) {
    ScratchDir dir;
    ScopedEnv home("XDG_DATA_HOME", (dir / "data/share").c_str());
    ScopedEnv dirs("XDG_DATA_DIRS", (dir / "local:" + dir / "system").c_str());
    FSRef ref{};
    EXPECT_EQ(FSFindFolder(kUserDomain, kLibraryFolderType, false, &ref), kErrNotFound);
    ASSERT_EQ(FSFindFolder(kUserDomain, kLibraryFolderType, true, &ref), kNoErr);
    EXPECT_STREQ(ref.path, (dir / "data/share").c_str());
    EXPECT_EQ(FSFindFolder(kLocalDomain, kLibraryFolderType, true, &ref), kErrNotFound);
    EXPECT_FALSE(Exists(dir / "local"));
    ASSERT_EQ(mkdir((dir / "system").c_str(), 0755), 0);
    ASSERT_EQ(FSFindFolder(kSystemDomain, kLibraryFolderType, false, &ref), kNoErr);
    EXPECT_STREQ(ref.path, (dir / "system").c_str());
}

TEST(Bundle, ExecutableFolderOrTheChosenOne) {
    FSRef bundle{};
    ASSERT_EQ(BundleGetMainBundle(&bundle), kNoErr);
    char exe[1024];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    exe[n] = '\0';
    EXPECT_EQ(std::string(bundle.path), std::filesystem::path(exe).parent_path().string());

    ScratchDir dir;
    ASSERT_EQ(mkdir((dir / "App.bundle").c_str(), 0755), 0);
    BundleSetMainBundlePath((dir / "App.bundle/").c_str());
    FSRef resources{};
    FSRef app{};
    EXPECT_EQ(BundleGetMainBundle(&bundle), kNoErr);
    EXPECT_STREQ(bundle.path, (dir / "App.bundle").c_str());
    EXPECT_EQ(BundleGetResourcesFolder(&resources), kErrNotFound);
    ASSERT_EQ(mkdir((dir / "App.bundle/Resources").c_str(), 0755), 0);
    EXPECT_EQ(BundleGetResourcesFolder(&resources), kNoErr);
    EXPECT_STREQ(resources.path, (dir / "App.bundle/Resources").c_str());
    EXPECT_EQ(BundleGetApplicationFolder(&app), kNoErr);
    EXPECT_STREQ(app.path, dir.path().c_str());
    BundleSetMainBundlePath(nullptr);
    EXPECT_EQ(BundleGetMainBundle(&bundle), kNoErr);
    EXPECT_EQ(std::string(bundle.path), std::filesystem::path(exe).parent_path().string());
}

}  // namespace
