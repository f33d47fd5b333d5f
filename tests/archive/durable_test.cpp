// Tests of the platform calls the archive writer puts its file in place with:
// FSRenameOverUnicode (rename over another name in the same folder) and
// FSFlushObject (fsync), including their fault injection.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ArchiveFixture.h"
#include "platform/durable.h"
#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/names.h"

namespace fs = std::filesystem;
using zvtest::ReadFileText;

namespace {

class DurableTest : public zvtest::ArchiveFixture {
  protected:
    FSRef Ref(const std::string& name) {
        FSRef ref{};
        EXPECT_EQ(kNoErr, FSPathMakeRef(Path(name).c_str(), &ref, nullptr)) << name;
        return ref;
    }
    ino_t Inode(const std::string& name) {
        struct stat st {};
        EXPECT_EQ(0, lstat(Path(name).c_str(), &st)) << name;
        return st.st_ino;
    }
    void Put(const std::string& name, const std::string& data) {
        std::ofstream(Path(name), std::ios::binary) << data;
    }
    OSErr RenameOver(const std::string& from, const char* to, FSRef* placed = nullptr) {
        HFSUniStr255 name;
        const OSErr err = HFSUniStr255FromUtf8(to, &name);
        if (err != kNoErr) {
            return err;
        }
        FSRef ref = Ref(from);
        return FSRenameOverUnicode(&ref, name.length, name.unicode, placed);
    }
};

TEST_F(DurableTest, RenameReplacesAFileOrLinkOfThatName) {
    Put("new", "new bytes");
    Put("old", "old bytes");
    const ino_t newInode = Inode("new");
    FSRef placed;
    ASSERT_EQ(kNoErr, RenameOver("new", "old", &placed));
    EXPECT_EQ("new bytes", ReadFileText(Path("old").string()));
    EXPECT_FALSE(fs::exists(Path("new")));
    EXPECT_EQ(Path("old").string(), placed.path);
    EXPECT_EQ(newInode, Inode("old"));

    // A free name, and a link at the name (the link goes, its target stays).
    Put("a", "a");
    ASSERT_EQ(kNoErr, RenameOver("a", "fresh"));
    EXPECT_EQ("a", ReadFileText(Path("fresh").string()));
    Put("target", "target");
    fs::create_symlink(Path("target"), Path("link"));
    Put("b", "b");
    ASSERT_EQ(kNoErr, RenameOver("b", "link"));
    EXPECT_FALSE(fs::is_symlink(Path("link")));
    EXPECT_EQ("b", ReadFileText(Path("link").string()));
    EXPECT_EQ("target", ReadFileText(Path("target").string()));
}

TEST_F(DurableTest, RenameRefusesFoldersAndBadNames) {
    Put("file", "file");
    fs::create_directories(Path("dir/inner"));
    const struct {
        const char* from;
        const char* to;
        OSErr status;
    } rows[] = {
        {"file", "dir", kErrNameTaken},  // a folder keeps its name
        {"dir", "other", kErrNotAFile},  // folders are not renamed over
        {"file", "..", kErrBadName},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.status, RenameOver(r.from, r.to)) << r.from << " -> " << r.to;
    }
    EXPECT_EQ("file", ReadFileText(Path("file").string()));
    EXPECT_TRUE(fs::is_directory(Path("dir/inner")));

    FSRef gone = Ref("file");
    fs::remove(Path("file"));
    HFSUniStr255 name;
    HFSUniStr255FromUtf8("x", &name);
    EXPECT_EQ(kErrNotFound, FSRenameOverUnicode(&gone, name.length, name.unicode, nullptr));
}

TEST_F(DurableTest, FlushTakesFilesAndFoldersButNoLinks) {
    Put("file", "data");
    fs::create_symlink(Path("file"), Path("link"));
    FSRef file = Ref("file"), folder = Ref(""), link = Ref("link");
    EXPECT_EQ(kNoErr, FSFlushObject(&file));
    EXPECT_EQ(kNoErr, FSFlushObject(&folder));
    EXPECT_EQ(kErrParam, FSFlushObject(&link));
    fs::remove(Path("file"));
    EXPECT_EQ(kErrNotFound, FSFlushObject(&file));
    EXPECT_EQ(kErrParam, FSFlushObject(nullptr));
}

TEST_F(DurableTest, InjectedFaultsChangeNothing) {
    Put("new", "new");
    Put("old", "old");
    FSRef folder = Ref("");
    {
        ScopedFault fault(PlatformOp::FSFlushObject, 1, kErrIO);
        EXPECT_EQ(kErrIO, FSFlushObject(&folder));
    }
    {
        ScopedFault fault(PlatformOp::FSRenameOverUnicode, 1, kErrDiskFull);
        EXPECT_EQ(kErrDiskFull, RenameOver("new", "old"));
    }
    EXPECT_EQ("old", ReadFileText(Path("old").string()));
    EXPECT_EQ("new", ReadFileText(Path("new").string()));
    EXPECT_STREQ("FSRenameOverUnicode", PlatformOpName(PlatformOp::FSRenameOverUnicode));
    EXPECT_STREQ("FSFlushObject", PlatformOpName(PlatformOp::FSFlushObject));
}

}  // namespace
