// Fault injection: arming, counting, enumerating every call of a procedure,
// and use from several threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "test_support.h"

using platform_test::Name;
using platform_test::ScratchDir;

namespace {

class FaultInjectionTest : public ::testing::Test {
  protected:
    void TearDown() override { FaultInjection::Reset(); }
};

// A small procedure: create a file, write 3 bytes, close it. Answers the
// first failing status.
OSErr WriteSmallFile(const std::string& folder, const char* name) {
    FSRef parent;
    OSErr err = FSPathMakeRef(folder.c_str(), &parent, nullptr);
    if (err != kNoErr) {
        return err;
    }
    HFSUniStr255 uname = Name(name);
    FSRef file;
    err = FSCreateFileUnicode(&parent, uname.length, uname.unicode, 0, nullptr, &file, nullptr);
    if (err != kNoErr) {
        return err;
    }
    FSIORefNum fork = 0;
    err = FSOpenFork(&file, 0, nullptr, kFSWritePerm, &fork);
    if (err == kNoErr) {
        err = FSWriteFork(fork, kFSFromStart, 0, 3, "abc", nullptr);
        OSErr closeErr = FSCloseFork(fork);
        err = err != kNoErr ? err : closeErr;
    }
    if (err != kNoErr) {
        FSDeleteObject(&file);
    }
    return err;
}

TEST_F(FaultInjectionTest, NthCallFailsOnceWithTheChosenStatus) {
    ScratchDir dir;
    FSRef ref;
    FaultInjection::Arm(PlatformOp::FSPathMakeRef, 2, kErrIO);
    EXPECT_EQ(FSPathMakeRef(dir.path().c_str(), &ref, nullptr), kNoErr);
    EXPECT_EQ(FSPathMakeRef(dir.path().c_str(), &ref, nullptr), kErrIO);
    EXPECT_EQ(FSPathMakeRef(dir.path().c_str(), &ref, nullptr), kNoErr);
    EXPECT_EQ(FaultInjection::FiredCount(), 1u);
}

TEST_F(FaultInjectionTest, ArmFromFailsEveryLaterCallAndOtherOpsAreUntouched) {
    ScratchDir dir;
    FSRef ref;
    FaultInjection::ArmFrom(PlatformOp::FSPathMakeRef, 1, kErrNoMemory);
    EXPECT_EQ(FSPathMakeRef(dir.path().c_str(), &ref, nullptr), kErrNoMemory);
    EXPECT_EQ(FSPathMakeRef(dir.path().c_str(), &ref, nullptr), kErrNoMemory);
    char path[64];
    std::strcpy(ref.path, "/");
    EXPECT_EQ(FSRefMakePath(&ref, path, sizeof path), kNoErr);
    FaultInjection::Reset();
    EXPECT_EQ(FSPathMakeRef(dir.path().c_str(), &ref, nullptr), kNoErr);
}

TEST_F(FaultInjectionTest, NewPtrFailureShowsInMemError) {
    FaultInjection::Arm(PlatformOp::NewPtr, 1, kErrNoMemory);
    EXPECT_EQ(NewPtr(16), nullptr);
    EXPECT_EQ(MemError(), kErrNoMemory);
    void* block = NewPtrClear(16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(MemError(), kNoErr);
    EXPECT_EQ(static_cast<unsigned char*>(block)[15], 0);
    DisposePtr(block);
}

TEST_F(FaultInjectionTest, EveryCallOfAProcedureCanBeFailedAndNothingIsLeftBehind) {
    ScratchDir dir;
    FaultInjection::StartCounting();
    ASSERT_EQ(WriteSmallFile(dir.path(), "probe"), kNoErr);
    const PlatformOp ops[] = {PlatformOp::FSPathMakeRef, PlatformOp::FSCreateFileUnicode,
                              PlatformOp::FSOpenFork, PlatformOp::FSWriteFork,
                              PlatformOp::FSCloseFork};
    std::vector<std::uint32_t> counts;
    for (PlatformOp op : ops) {
        counts.push_back(FaultInjection::CallCount(op));
        EXPECT_EQ(counts.back(), 1u) << PlatformOpName(op);
    }
    EXPECT_EQ(FaultInjection::TotalCallCount(), 5u);
    FaultInjection::Reset();

    for (std::size_t k = 0; k < std::size(ops); ++k) {
        for (std::uint32_t n = 1; n <= counts[k]; ++n) {
            SCOPED_TRACE(PlatformOpName(ops[k]));
            FaultInjection::Arm(ops[k], n, kErrDiskFull);
            EXPECT_EQ(WriteSmallFile(dir.path(), "victim"), kErrDiskFull);
            EXPECT_EQ(FaultInjection::FiredCount(), 1u);
            FaultInjection::Reset();
            EXPECT_FALSE(platform_test::Exists(dir / "victim"));
        }
    }
}

TEST_F(FaultInjectionTest, InjectedCloseStillReleasesTheFork) {
    ScratchDir dir;
    platform_test::WriteText(dir / "f", "x");
    FSRef file;
    ASSERT_EQ(FSPathMakeRef((dir / "f").c_str(), &file, nullptr), kNoErr);
    FSIORefNum fork = 0;
    ASSERT_EQ(FSOpenFork(&file, 0, nullptr, kFSReadPerm, &fork), kNoErr);
    FaultInjection::Arm(PlatformOp::FSCloseFork, 1, kErrIO);
    EXPECT_EQ(FSCloseFork(fork), kErrIO);
    EXPECT_EQ(FSCloseFork(fork), kErrBadForkRef) << "the fork is gone after the failed close";
}

TEST_F(FaultInjectionTest, CountsAreExactAcrossThreads) {
    ScratchDir dir;
    FaultInjection::StartCounting();
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 250; ++i) {
                FSRef ref;
                if (FSPathMakeRef(dir.path().c_str(), &ref, nullptr) != kNoErr) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::FSPathMakeRef), 1000u);

    FaultInjection::Reset();
    FaultInjection::Arm(PlatformOp::FSPathMakeRef, 500, kErrIO);
    threads.clear();
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 250; ++i) {
                FSRef ref;
                if (FSPathMakeRef(dir.path().c_str(), &ref, nullptr) == kErrIO) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures.load(), 1) << "exactly one call among all threads fails";
}

TEST_F(FaultInjectionTest, EveryOperationHasAName) {
    for (int i = 0; i < static_cast<int>(PlatformOp::Count); ++i) {
        const char* raw = PlatformOpName(static_cast<PlatformOp>(i));
        ASSERT_NE(raw, nullptr) << i;
        std::string name = raw;
        EXPECT_FALSE(name.empty());
        EXPECT_NE(name, "?");
    }
}

}  // namespace
