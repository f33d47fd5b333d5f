// Fork copy: buffer sizing, the chunk and rounding rules of WriteFork, and
// every fork (data, then attributes) copied to ordinary and drop-box
// destinations.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "CopyTestSupport.h"
#include "copyengine/BufferSize.h"
#include "copyengine/ForkCopy.h"
#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/memory.h"

using namespace copytest;

namespace {

struct GradeCase {
    std::int32_t grade;
    std::uint32_t filled;
    std::uint32_t expected;
};

class BufferSizeFromGrade : public ::testing::TestWithParam<GradeCase> {};

TEST_P(BufferSizeFromGrade, FollowsTheSpeedRules) {
    VolParmsInfo parms{};
    parms.volumeGrade = GetParam().grade;
    EXPECT_EQ(CalcBufferSizeForVol(&parms, GetParam().filled), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Grades, BufferSizeFromGrade,
    ::testing::Values(GradeCase{0, 32, 262144}, GradeCase{5, 32, 262144},
                      GradeCase{-4096, 32, 1024}, GradeCase{-6144, 32, 1536},
                      GradeCase{-1000000, 32, 249856}, GradeCase{-10000000, 32, 2097152},
                      GradeCase{-4000, 32, 1024}, GradeCase{INT32_MIN, 32, 2097152},
                      GradeCase{-4096, 17, 262144}, GradeCase{-4096, 18, 1024}));

TEST(BufferSize, EveryResultIsASectorMultipleWithinBounds) {
    for (std::uint32_t speed :
         {1u, 100u, 4095u, 4096u, 4097u, 9999u, 123457u, 8388608u, 8390656u, 0xFFFFFFFFu}) {
        std::uint32_t size = BufferSizeForVolSpeed(speed);
        EXPECT_EQ(size % 512, 0u) << speed;
        EXPECT_GE(size, 1024u) << speed;
        EXPECT_LE(size, 2097152u) << speed;
    }
    EXPECT_EQ(BufferSizeForVolSpeed(0), 262144u);
}

// Two open data forks (source for reading, a fresh destination for writing)
// and a copy context around one buffer.
class WriteForkTest : public ::testing::Test {
  protected:
    void Open(const std::string& contents) {
        WriteFile(dir / "src", contents);
        WriteFile(dir / "dst", "");
        FSRef src = Ref(dir / "src");
        FSRef dst = Ref(dir / "dst");
        ASSERT_EQ(FSOpenFork(&src, 0, nullptr, kFSReadPerm, &srcFork), kNoErr);
        ASSERT_EQ(FSOpenFork(&dst, 0, nullptr, kFSWritePerm, &dstFork), kNoErr);
    }
    void TearDown() override {
        if (srcFork != 0) {
            FSCloseFork(srcFork);
        }
        if (dstFork != 0) {
            FSCloseFork(dstFork);
        }
        DisposePtr(context.copyBuffer);
        FaultInjection::Reset();
    }
    void MakeContext(std::uint32_t bufferSize, bool local) {
        context.copyBuffer = NewPtr(bufferSize);
        context.bufferSize = bufferSize;
        context.isLocalDestination = local;
    }
    ScratchDir dir;
    FSIORefNum srcFork = 0;
    FSIORefNum dstFork = 0;
    CopyContext context{};
};

struct ChunkCase {
    const char* name;
    std::size_t size;
    bool local;
    std::uint32_t reads;
    std::uint32_t writes;
    std::uint32_t sizeChanges;
};

class WriteForkChunks : public WriteForkTest, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(WriteForkChunks, CopiesInBufferSizedChunks) {
    const ChunkCase& c = GetParam();
    const std::string data = Bytes(c.size, 7);
    Open(data);
    MakeContext(262144, c.local);
    FaultInjection::StartCounting();
    ASSERT_EQ(WriteFork(srcFork, dstFork, &context, data.size()), kNoErr);
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSAllocateFork), 1u);
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSReadFork), c.reads);
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSWriteFork), c.writes);
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSSetForkSize), c.sizeChanges);
    FaultInjection::Reset();
    EXPECT_EQ(ReadFile(dir / "dst"), data);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WriteForkChunks,
                         ::testing::Values(ChunkCase{"Empty", 0, true, 0, 0, 0},
                                           ChunkCase{"SmallLocalIsRoundedAndCut", 1000, true, 1, 1,
                                                     1},
                                           ChunkCase{"SmallOnServerIsExact", 1000, false, 1, 1, 0},
                                           ChunkCase{"TwoFullChunks", 524288, true, 2, 2, 0},
                                           ChunkCase{"TwoChunksAndAByte", 524289, true, 3, 3, 1},
                                           ChunkCase{"SectorMultiple", 1536, true, 1, 1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriteForkTest, LastLocalChunkIsWrittenAsWholeZeroPaddedSectors) {
    // With the final size change failing, the destination shows the rounded
    // write itself: 1,024 bytes, the padding zero (never an earlier file's
    // bytes left in the buffer).
    const std::string data = Bytes(1000, 3);
    Open(data);
    MakeContext(262144, true);
    std::memset(context.copyBuffer, 0xAB, context.bufferSize);
    {
        ScopedFault fault(PlatformOp::FSSetForkSize, 1, kErrIO);
        EXPECT_EQ(WriteFork(srcFork, dstFork, &context, data.size()), kErrIO);
    }
    const std::string written = ReadFile(dir / "dst");
    ASSERT_EQ(written.size(), 1024u);
    EXPECT_EQ(written.substr(0, 1000), data);
    EXPECT_EQ(written.substr(1000), std::string(24, '\0'));
}

TEST_F(WriteForkTest, FailuresOfEachStepAreReturned) {
    for (PlatformOp op : {PlatformOp::FSAllocateFork, PlatformOp::FSReadFork,
                          PlatformOp::FSWriteFork, PlatformOp::FSSetForkSize}) {
        Open(Bytes(300000, 1));
        MakeContext(262144, true);
        {
            ScopedFault fault(op, op == PlatformOp::FSWriteFork ? 2 : 1, kErrDiskFull);
            EXPECT_EQ(WriteFork(srcFork, dstFork, &context, 300000), kErrDiskFull)
                << PlatformOpName(op);
        }
        TearDown();
        srcFork = dstFork = 0;
        context = CopyContext{};
    }
}

// A source file with a data fork and three attribute forks, one of them as
// large as an ext4 inode lets an attribute be, copied into a fresh file.
class CopyForksTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        WriteFile(dir / "src", Bytes(70000, 9));
        SetXattr(dir / "src", "user.first", "1");
        SetXattr(dir / "src", "user.big", Bytes(3800, 4));  // 4096 would not fit
        SetXattr(dir / "src", "user.empty", "");
        WriteFile(dir / "dst", "");
        context.copyBuffer = NewPtr(4096);
        context.bufferSize = 4096;
        context.isLocalDestination = true;
        context.isDropBox = GetParam();
    }
    void TearDown() override { DisposePtr(context.copyBuffer); }
    ScratchDir dir;
    CopyContext context{};
};

TEST_P(CopyForksTest, CopiesEveryForkWithItsExactLength) {
    FSRef src = Ref(dir / "src");
    FSRef dst = Ref(dir / "dst");
    FaultInjection::StartCounting();
    ASSERT_EQ(CopyForks(&src, &dst, &context), kNoErr);
    // Every fork that was opened was closed again.
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSOpenFork),
              FaultInjection::CallCount(PlatformOp::FSCloseFork));
    FaultInjection::Reset();
    EXPECT_EQ(ReadFile(dir / "dst"), ReadFile(dir / "src"));
    for (const char* name : {"user.first", "user.big", "user.empty"}) {
        EXPECT_TRUE(HasXattr(dir / "dst", name)) << name;
        EXPECT_EQ(GetXattr(dir / "dst", name), GetXattr(dir / "src", name)) << name;
    }
}

TEST_P(CopyForksTest, AFailingForkIsReported) {
    FSRef src = Ref(dir / "src");
    FSRef dst = Ref(dir / "dst");
    ScopedFault fault(PlatformOp::FSCreateFork, 3, kErrDiskFull);
    EXPECT_EQ(CopyForks(&src, &dst, &context), kErrDiskFull);
}

TEST_P(CopyForksTest, ALocalDestinationRefusesAForkThatExists) {
    SetXattr(dir / "dst", "user.first", "old");
    FSRef src = Ref(dir / "src");
    FSRef dst = Ref(dir / "dst");
    EXPECT_EQ(CopyForks(&src, &dst, &context), kErrForkExists);
}

INSTANTIATE_TEST_SUITE_P(Destinations, CopyForksTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "DropBox" : "Disk"; });

TEST(CopyForks, DropBoxOpensEveryDestinationForkBeforeWritingAny) {
    ScratchDir dir;
    WriteFile(dir / "src", "data");
    SetXattr(dir / "src", "user.a", "aa");
    SetXattr(dir / "src", "user.b", "bb");
    WriteFile(dir / "dst", "");
    CopyContext context{};
    context.copyBuffer = NewPtr(1024);
    context.bufferSize = 1024;
    context.isDropBox = true;
    context.isLocalDestination = true;
    FSRef src = Ref(dir / "src");
    FSRef dst = Ref(dir / "dst");
    // The first write fails: by then all three destination forks are open
    // (and the source's first), and all of them are closed again.
    FaultInjection::StartCounting();
    {
        FaultInjection::Arm(PlatformOp::FSWriteFork, 1, kErrIO);
        EXPECT_EQ(CopyForks(&src, &dst, &context), kErrIO);
    }
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSOpenFork), 4u);
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSCloseFork), 4u);
    FaultInjection::Reset();
    DisposePtr(context.copyBuffer);
}

}  // namespace
