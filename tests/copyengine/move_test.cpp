// CFile::MoveFile and zrmCopyObject, the copy engine's two entries.
#include <gtest/gtest.h>

#include "CopyTestSupport.h"
#include "copyengine/zrmCopyObject.h"
#include "filelib/CFile.h"
#include "platform/files.h"

using namespace copytest;
using zrLib::File::CFile;

namespace {

class MoveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeDir(dir / "a");
        MakeDir(dir / "b");
    }
    ScratchDir dir;
};

TEST_F(MoveTest, MovesAFileIntoAnotherFolderUnderTheLastComponent) {
    WriteFile(dir / "a/f", "contents", 0640);
    SetXattr(dir / "a/f", "user.k", "v");
    const Snapshot before = Snap(dir / "a/f");
    EXPECT_TRUE(CFile::MoveFile((dir / "a/f").c_str(), (dir / "b/g").c_str()));
    EXPECT_FALSE(Exists(dir / "a/f"));
    EXPECT_EQ(Diff(before, Snap(dir / "b/g")), "");
}

TEST_F(MoveTest, ReplacesAnExistingDestinationFile) {
    WriteFile(dir / "a/f", "new");
    WriteFile(dir / "b/f", "old");
    EXPECT_TRUE(CFile::MoveFile((dir / "a/f").c_str(), (dir / "b/f").c_str()));
    EXPECT_EQ(ReadFile(dir / "b/f"), "new");
    EXPECT_EQ(List(dir / "b"), (std::vector<std::string>{"f"}));
}

struct RefusedMove {
    const char* name;
    const char* source;       // relative to the scratch folder
    const char* destination;  // relative to the scratch folder
    bool literal = false;     // destination taken as it stands
};

class MoveRefused : public MoveTest, public ::testing::WithParamInterface<RefusedMove> {};

TEST_P(MoveRefused, GivesFalseAndLeavesTheSourceInPlace) {
    WriteFile(dir / "a/f", "stay");
    const std::string destination =
        GetParam().literal ? std::string(GetParam().destination) : dir / GetParam().destination;
    EXPECT_FALSE(CFile::MoveFile((dir / GetParam().source).c_str(), destination.c_str()));
    EXPECT_EQ(ReadFile(dir / "a/f"), "stay");
    EXPECT_TRUE(List(dir / "b").empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, MoveRefused,
                         ::testing::Values(RefusedMove{"MissingFolder", "a/f", "missing/g"},
                                           RefusedMove{"MissingSource", "a/none", "b/g"},
                                           RefusedMove{"FolderIsAFile", "a/f", "a/f/g"},
                                           RefusedMove{"NoFolderPart", "a/f", "bare-name", true},
                                           RefusedMove{"OntoItself", "a/f", "a/f"},
                                           RefusedMove{"OntoItsOwnFolder", "a/f", "a"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MoveTest, ANonEmptyFolderIsCopiedButStays) {
    MakeDir(dir / "a/tree");
    WriteFile(dir / "a/tree/x", "x");
    MakeDir(dir / "a/tree/sub");
    WriteFile(dir / "a/tree/sub/y", "y");
    const Snapshot before = Snap(dir / "a/tree");
    EXPECT_TRUE(CFile::MoveFile((dir / "a/tree").c_str(), (dir / "b/moved").c_str()));
    EXPECT_EQ(Diff(before, Snap(dir / "b/moved")), "");
    EXPECT_EQ(Diff(before, Snap(dir / "a/tree")), "");
}

TEST_F(MoveTest, AnEmptyFolderIsMoved) {
    MakeDir(dir / "a/empty");
    EXPECT_TRUE(CFile::MoveFile((dir / "a/empty").c_str(), (dir / "b/empty").c_str()));
    EXPECT_FALSE(Exists(dir / "a/empty"));
    EXPECT_TRUE(Exists(dir / "b/empty"));
}

TEST_F(MoveTest, ZrmCopyObjectRefusesANameThatIsNotUtf8) {
    WriteFile(dir / "a/f", "f");
    FSRef source = Ref(dir / "a/f");
    FSRef folder = Ref(dir / "b");
    EXPECT_FALSE(zrmCopyObject(&source, &folder, "bad\xC3(", nullptr));
    EXPECT_FALSE(zrmCopyObject(&source, &folder, std::string(256, 'n').c_str(), nullptr));
    EXPECT_TRUE(List(dir / "b").empty());
}

TEST_F(MoveTest, ZrmCopyObjectKeepsOrChangesTheNameAndHandsOutTheCopy) {
    WriteFile(dir / "a/f", "f");
    FSRef source = Ref(dir / "a/f");
    FSRef folder = Ref(dir / "b");
    FSRef copy{};
    ASSERT_TRUE(zrmCopyObject(&source, &folder, nullptr, &copy));
    EXPECT_EQ(std::string(copy.path), dir / "b/f");
    ASSERT_TRUE(zrmCopyObject(&source, &folder, "renamed", &copy));
    EXPECT_EQ(std::string(copy.path), dir / "b/renamed");
    // Replace mode: a second copy over the first succeeds.
    WriteFile(dir / "a/f", "second");
    source = Ref(dir / "a/f");
    ASSERT_TRUE(zrmCopyObject(&source, &folder, nullptr, nullptr));
    EXPECT_EQ(ReadFile(dir / "b/f"), "second");
    EXPECT_EQ(List(dir / "b"), (std::vector<std::string>{"f", "renamed"}));
}

}  // namespace
