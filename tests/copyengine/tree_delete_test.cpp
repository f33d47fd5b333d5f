// Tree deletion: files, folders, locked items, links (never followed), and a
// failure part way.
#include <gtest/gtest.h>

#include "CopyTestSupport.h"
#include "copyengine/TreeDelete.h"
#include "platform/fault_injection.h"

using namespace copytest;

namespace {

class TreeDelete : public ::testing::Test {
  protected:
    ScratchDir dir;
};

TEST_F(TreeDelete, DeletesAPlainFileAndNothingElse) {
    WriteFile(dir / "a", "x");
    WriteFile(dir / "b", "y");
    FSRef ref = Ref(dir / "a");
    EXPECT_EQ(FSDeleteObjects(&ref), kNoErr);
    EXPECT_EQ(List(dir.path()), (std::vector<std::string>{"b"}));
}

TEST_F(TreeDelete, DeletesANestedTreeWithLockedItemsFolderLast) {
    MakeDir(dir / "t");
    WriteFile(dir / "t/locked", "x");
    MakeDir(dir / "t/sub");
    WriteFile(dir / "t/sub/1", "1");
    WriteFile(dir / "t/sub/2", "2");
    MakeDir(dir / "t/sub/deeper");
    MakeDir(dir / "t/empty");
    if (!SetLocked(dir / "t/locked", true) || !SetLocked(dir / "t/sub/deeper", true)) {
        GTEST_SKIP() << "the immutable flag cannot be set here";
    }
    FSRef ref = Ref(dir / "t");
    EXPECT_EQ(FSDeleteObjects(&ref), kNoErr);
    EXPECT_FALSE(Exists(dir / "t"));
}

TEST_F(TreeDelete, DeletesALockedFile) {
    WriteFile(dir / "locked", "x");
    if (!SetLocked(dir / "locked", true)) {
        GTEST_SKIP() << "the immutable flag cannot be set here";
    }
    FSRef ref = Ref(dir / "locked");
    EXPECT_EQ(FSDeleteObjects(&ref), kNoErr);
    EXPECT_FALSE(Exists(dir / "locked"));
}

TEST_F(TreeDelete, EmptyFolder) {
    MakeDir(dir / "e");
    FSRef ref = Ref(dir / "e");
    EXPECT_EQ(FSDeleteFolder(&ref), kNoErr);
    EXPECT_TRUE(Exists(dir / "e"));
    EXPECT_EQ(FSDeleteObjects(&ref), kNoErr);
    EXPECT_FALSE(Exists(dir / "e"));
}

TEST_F(TreeDelete, RemovesLinksNeverWhatTheyPointTo) {
    MakeDir(dir / "outside");
    WriteFile(dir / "outside/keep", "precious");
    WriteFile(dir / "outfile", "precious");
    MakeDir(dir / "t");
    MakeLink(dir / "outside", dir / "t/dirlink");
    MakeLink(dir / "outfile", dir / "t/filelink");
    MakeLink("/nonexistent/target", dir / "t/dangling");
    MakeLink(dir / "outside", dir / "toplink");

    FSRef tree = Ref(dir / "t");
    EXPECT_EQ(FSDeleteObjects(&tree), kNoErr);
    FSRef top = Ref(dir / "toplink");
    EXPECT_EQ(FSDeleteObjects(&top), kNoErr);

    EXPECT_FALSE(Exists(dir / "t"));
    EXPECT_FALSE(Exists(dir / "toplink"));
    EXPECT_EQ(ReadFile(dir / "outside/keep"), "precious");
    EXPECT_EQ(ReadFile(dir / "outfile"), "precious");
}

TEST_F(TreeDelete, NullReferences) {
    EXPECT_EQ(FSDeleteObjects(nullptr), kErrParam);
    EXPECT_EQ(FSDeleteFolder(nullptr), kErrParam);
}

TEST_F(TreeDelete, FirstFailureStopsEverythingAndKeepsTheRest) {
    // Three files in one folder: the second delete fails. The first file is
    // gone, the others and the folder stay, and the status is the failure.
    MakeDir(dir / "t");
    for (const char* name : {"a", "b", "c"}) {
        WriteFile(dir / "t" + "/" + name, name);
    }
    FSRef ref = Ref(dir / "t");
    std::uint32_t deleted = 99;
    {
        ScopedFault fault(PlatformOp::FSDeleteObject, 2, kErrBusy);
        EXPECT_EQ(FSDeleteObjectsCounted(&ref, &deleted), kErrBusy);
    }
    EXPECT_EQ(deleted, 1u);
    EXPECT_EQ(List(dir / "t").size(), 2u);
}

TEST_F(TreeDelete, EveryCallThatFailsIsReported) {
    // A small tree; each platform call of the deletion fails once in turn.
    auto build = [&] {
        MakeDir(dir / "t");
        WriteFile(dir / "t/f", "f");
        MakeDir(dir / "t/s");
        WriteFile(dir / "t/s/g", "g");
    };
    build();
    FSRef ref = Ref(dir / "t");
    FaultInjection::StartCounting();
    ASSERT_EQ(FSDeleteObjects(&ref), kNoErr);
    std::vector<std::pair<PlatformOp, std::uint32_t>> calls;
    for (int op = 0; op < static_cast<int>(PlatformOp::Count); ++op) {
        calls.emplace_back(static_cast<PlatformOp>(op),
                           FaultInjection::CallCount(static_cast<PlatformOp>(op)));
    }
    FaultInjection::Reset();
    const OSErr injected = -1999;
    for (const auto& [op, count] : calls) {
        for (std::uint32_t i = 1; i <= count; ++i) {
            build();
            ref = Ref(dir / "t");
            {
                ScopedFault fault(op, i, injected);
                EXPECT_EQ(FSDeleteObjects(&ref), injected) << PlatformOpName(op) << " #" << i;
            }
            EXPECT_TRUE(Exists(dir / "t")) << PlatformOpName(op) << " #" << i;
            ASSERT_EQ(FSDeleteObjects(&ref), kNoErr);
        }
    }
}

}  // namespace
