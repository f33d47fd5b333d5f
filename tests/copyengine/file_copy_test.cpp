// File copy: the busy state while a file is written, what it gets afterwards,
// links, drop boxes, a name that is taken, and clean-up after a failure.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CopyTestSupport.h"
#include "copyengine/FileCopy.h"
#include "copyengine/ObjectCopy.h"
#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/memory.h"

using namespace copytest;

namespace {

constexpr OSType kTextType = 0x54455854;     // 'TEXT'
constexpr OSType kTextCreator = 0x74747874;  // 'ttxt'

FinderInfo FinderOf(const std::string& path) {
    FSRef ref = Ref(path);
    FSCatalogInfo info{};
    EXPECT_EQ(FSGetCatalogInfo(&ref, kCatInfoFinderInfo, &info, nullptr, nullptr, nullptr), kNoErr);
    return info.finderInfo;
}

void SetType(const std::string& path, OSType type, OSType creator) {
    FSRef ref = Ref(path);
    FSCatalogInfo info{};
    info.finderInfo.fileType = type;
    info.finderInfo.fileCreator = creator;
    ASSERT_EQ(FSSetCatalogInfo(&ref, kCatInfoFinderInfo, &info), kNoErr);
}

class FileCopyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeDir(dir / "dst");
        FaultInjection::Reset();
    }
    void TearDown() override {
        FaultInjection::Reset();
        DisposePtr(context.copyBuffer);
    }
    // Sets up the context, the references and the source's information for
    // a copy of dir/name into dst.
    void Prepare(const std::string& name, bool dropBox = false) {
        DisposePtr(context.copyBuffer);
        context = CopyContext{};
        context.copyBuffer = NewPtr(262144);
        context.bufferSize = 262144;
        context.isLocalDestination = true;
        context.isDropBox = dropBox;
        src = Ref(dir / name);
        dst = Ref(dir / "dst");
        info = FSCatalogInfo{};
        ASSERT_EQ(FSGetCatalogInfo(&src, kCatInfoSettableInfo, &info, nullptr, nullptr, nullptr),
                  kNoErr);
        newName = Name(name);
    }
    OSErr Run() {
        FSRef out{};
        return DoCopyFile(&src, &info, &dst, &newName, &context, &out, nullptr);
    }
    // DoCopyFile of dir/name into dst with an ordinary (or drop-box) context.
    OSErr Copy(const std::string& name, bool dropBox = false) {
        Prepare(name, dropBox);
        return Run();
    }
    FSRef src{};
    FSRef dst{};
    FSCatalogInfo info{};
    HFSUniStr255 newName{};
    ScratchDir dir;
    CopyContext context{};
};

TEST_F(FileCopyTest, WhileWrittenAFileIsBusyUnlockedAndOwnerWritable) {
    // The first write fails and the clean-up delete is refused, so the file
    // stays as it was while being written.
    WriteFile(dir / "f", Bytes(5000, 1), 0444);
    SetType(dir / "f", kTextType, kTextCreator);
    if (!SetLocked(dir / "f", true)) {
        GTEST_SKIP() << "the immutable flag cannot be set here";
    }
    FaultInjection::Arm(PlatformOp::FSWriteFork, 1, kErrIO);
    FaultInjection::ArmFrom(PlatformOp::FSDeleteObject, 1, kErrBusy);
    EXPECT_EQ(Copy("f"), kErrIO);
    FaultInjection::Reset();
    ASSERT_TRUE(Exists(dir / "dst/f"));
    EXPECT_EQ(FinderOf(dir / "dst/f").fileType, kBusyFileType);
    EXPECT_EQ(FinderOf(dir / "dst/f").fileCreator, kTextCreator);
    EXPECT_FALSE(IsLocked(dir / "dst/f"));
    EXPECT_EQ(ModeOf(dir / "dst/f"), 0744u);
}

TEST_F(FileCopyTest, AFinishedCopyHasTheSourcesTypeLockPermissionsAndDates) {
    WriteFile(dir / "f", Bytes(5000, 1), 0444);
    SetType(dir / "f", kTextType, kTextCreator);
    SetMtime(dir / "f", 1500000000, 123456789);
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving files another owner needs root";
    }
    ASSERT_EQ(lchown((dir / "f").c_str(), 1234, 5678), 0);
    const bool lockable = SetLocked(dir / "f", true);
    ASSERT_EQ(Copy("f"), kNoErr);
    EXPECT_EQ(Diff(Snap(dir / "f"), Snap(dir / "dst/f")), "");
    EXPECT_EQ(FinderOf(dir / "dst/f").fileType, kTextType);
    EXPECT_EQ(IsLocked(dir / "dst/f"), lockable);
}

TEST_F(FileCopyTest, AFileWithoutFinderInformationGetsNoneOfOurAttributes) {
    WriteFile(dir / "f", "plain");
    ASSERT_EQ(Copy("f"), kNoErr);
    EXPECT_TRUE(Snap(dir / "dst/f").at(".").xattrs.empty());
}

TEST_F(FileCopyTest, AnEmptyFileIsCreatedWithoutOpeningAnyFork) {
    WriteFile(dir / "e", "");
    FaultInjection::StartCounting();
    ASSERT_EQ(Copy("e"), kNoErr);
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSOpenFork), 0u);
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSCreateFork), 1u);
    FaultInjection::Reset();
    EXPECT_EQ(ReadFile(dir / "dst/e"), "");
}

struct LinkCase {
    const char* name;
    const char* target;
};

class LinkCopy : public FileCopyTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkCopy, IsALinkWithTheSameTargetNeverFollowed) {
    MakeDir(dir / "outside");
    WriteFile(dir / "outside/secret", "secret");
    const std::string target =
        std::string(GetParam().target) == "ABS" ? dir / "outside" : std::string(GetParam().target);
    MakeLink(target, dir / "l");
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving files another owner needs root";
    }
    ASSERT_EQ(lchown((dir / "l").c_str(), 4321, 8765), 0);
    SetMtime(dir / "l", 1400000000, 500000000);
    for (bool dropBox : {false, true}) {
        SCOPED_TRACE(dropBox ? "drop box" : "ordinary");
        FaultInjection::StartCounting();
        ASSERT_EQ(Copy("l", dropBox), kNoErr);
        // The Finder information that makes it a link is a step of its own.
        EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSSetCatalogInfo), 2u);
        FaultInjection::Reset();
        Entry copy = Snap(dir / "dst/l").at(".");
        EXPECT_EQ(copy.type, 'l');
        EXPECT_EQ(copy.data, target);
        EXPECT_EQ(copy.mtimeTicks, Snap(dir / "l").at(".").mtimeTicks);
        if (!dropBox) {
            EXPECT_EQ(Diff(Snap(dir / "l"), Snap(dir / "dst/l")), "");
        }
        EXPECT_EQ(List(dir / "dst"), (std::vector<std::string>{"l"}));
        unlink((dir / "dst/l").c_str());
    }
    EXPECT_EQ(ReadFile(dir / "outside/secret"), "secret");
}

INSTANTIATE_TEST_SUITE_P(Targets, LinkCopy,
                         ::testing::Values(LinkCase{"AbsoluteFolder", "ABS"},
                                           LinkCase{"Relative", "../x/y"},
                                           LinkCase{"Dangling", "/nonexistent/zz"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileCopyTest, InADropBoxTheCopyKeepsOwnerRightsNoLockAndItsOwnType) {
    WriteFile(dir / "f", "data", 0444);
    SetType(dir / "f", kTextType, kTextCreator);
    SetLocked(dir / "f", true);
    FaultInjection::StartCounting();
    ASSERT_EQ(Copy("f", true), kNoErr);
    // The data fork was created and opened before its data was written.
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSOpenFork), 2u);
    FaultInjection::Reset();
    EXPECT_EQ(FinderOf(dir / "dst/f").fileType, kTextType);
    EXPECT_FALSE(IsLocked(dir / "dst/f"));
    EXPECT_EQ(ModeOf(dir / "dst/f"), 0744u);
    EXPECT_EQ(ReadFile(dir / "dst/f"), "data");
}

TEST_F(FileCopyTest, ATakenNameGivesMinus48AndLeavesTheObjectAlone) {
    WriteFile(dir / "f", "new");
    WriteFile(dir / "dst/f", "old");
    EXPECT_EQ(Copy("f"), kErrNameTaken);
    EXPECT_EQ(ReadFile(dir / "dst/f"), "old");
}

TEST_F(FileCopyTest, AFailureWhileWritingTheSecondForkRemovesTheNewFile) {
    WriteFile(dir / "f", "data");
    SetXattr(dir / "f", "user.second", "fork two");
    FaultInjection::Arm(PlatformOp::FSWriteFork, 2, kErrDiskFull);
    EXPECT_EQ(Copy("f"), kErrDiskFull);
    FaultInjection::Reset();
    EXPECT_TRUE(List(dir / "dst").empty());
}

TEST_F(FileCopyTest, EveryFailingCallLeavesNothingBehind) {
    WriteFile(dir / "f", Bytes(3000, 2));
    SetXattr(dir / "f", "user.a", "alpha");
    SetType(dir / "f", kTextType, kTextCreator);
    Prepare("f");
    FaultInjection::StartCounting();
    ASSERT_EQ(Run(), kNoErr);
    std::vector<std::uint32_t> counts;
    for (int op = 0; op < static_cast<int>(PlatformOp::Count); ++op) {
        counts.push_back(FaultInjection::CallCount(static_cast<PlatformOp>(op)));
    }
    FaultInjection::Reset();
    unlink((dir / "dst/f").c_str());
    std::uint32_t runs = 0;
    for (int op = 0; op < static_cast<int>(PlatformOp::Count); ++op) {
        for (std::uint32_t i = 1; i <= counts[op]; ++i) {
            const auto which = static_cast<PlatformOp>(op);
            Prepare("f");
            FaultInjection::Arm(which, i, -1999);
            const OSErr status = Run();
            EXPECT_EQ(FaultInjection::FiredCount(), 1u) << PlatformOpName(which) << " #" << i;
            FaultInjection::Reset();
            EXPECT_EQ(status, -1999) << PlatformOpName(which) << " #" << i;
            EXPECT_TRUE(List(dir / "dst").empty()) << PlatformOpName(which) << " #" << i;
            ++runs;
        }
    }
    EXPECT_GT(runs, 15u);
}

}  // namespace
