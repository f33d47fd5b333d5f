// Reliability of replace mode: every platform call that a replace-mode copy
// makes is failed once, in turn. After each failure the destination holds the
// complete old object under its own name and nothing else, the source is
// untouched, and the status is the injected one. The only exception is a
// failure while the old object is being deleted after a complete copy, once
// part of it is gone: then the new copy stays complete in place and the rest
// of the old object keeps the name ".DeleteMe".
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>

#include "CopyTestSupport.h"
#include "copyengine/BusyDate.h"
#include "copyengine/ObjectCopy.h"
#include "copyengine/TreeDelete.h"
#include "platform/fault_injection.h"
#include "platform/files.h"

using namespace copytest;

namespace {

constexpr OSErr kInjected = -1999;
constexpr int kOpCount = static_cast<int>(PlatformOp::Count);
using Counts = std::array<std::uint32_t, kOpCount>;

Counts TakeCounts() {
    Counts counts{};
    for (int op = 0; op < kOpCount; ++op) {
        counts[op] = FaultInjection::CallCount(static_cast<PlatformOp>(op));
    }
    return counts;
}

// A file with data and two attribute forks.
void BuildFile(const std::string& path, unsigned seed) {
    WriteFile(path, Bytes(5000 + seed, seed), 0640);
    SetXattr(path, "user.alpha", Bytes(100, seed + 1));
    SetXattr(path, "user.beta", "b" + std::to_string(seed));
    SetMtime(path, 1600000000 + seed, 250000000);
}

// Three levels of folders, each with files, attributes and a link; dates set
// last, innermost first, so that every build is the same.
void BuildTree(const std::string& top, unsigned seed) {
    MakeDir(top, 0755);
    MakeDir(top + "/one", 0750);
    MakeDir(top + "/one/two", 0700);
    BuildFile(top + "/f" + std::to_string(seed), seed);
    WriteFile(top + "/one/g", Bytes(70000, seed + 2), 0600);
    BuildFile(top + "/one/two/h", seed + 3);
    WriteFile(top + "/one/two/empty", "", 0644);
    MakeLink("../g", top + "/one/two/link");
    SetXattr(top + "/one", "user.folder", "fork of a folder");
    SetMtime(top + "/one/g", 1400000000 + seed);
    SetMtime(top + "/one/two/empty", 1400000100);
    SetMtime(top + "/one/two/link", 1500000000);
    SetMtime(top + "/one/two", 1500000001);
    SetMtime(top + "/one", 1500000002);
    SetMtime(top, 1500000003);
}

struct Scenario {
    const char* name;
    void (*build)(const std::string& path, unsigned seed);
};

class ReplaceFaults : public ::testing::TestWithParam<Scenario> {
  protected:
    void SetUp() override {
        // The busy date is worked out once per process; after that a copy
        // makes no call for it (its first use fails in busy_date_test).
        UTCDateTime busy;
        ASSERT_EQ(GetMagicBusyCreateDate(&busy), kNoErr);
        MakeDir(dir / "src");
        GetParam().build(source, 1);
        sourceSnap = Snap(source);
        RebuildDestination();
        oldSnap = Snap(old);
    }
    void TearDown() override { FaultInjection::Reset(); }

    void RebuildDestination() {
        std::filesystem::remove_all(dir / "dst");
        MakeDir(dir / "dst");
        GetParam().build(old, 2);
    }
    // Copies in replace mode; with nth 0 it counts the calls instead of
    // failing one.
    OSErr CopyReplacing(PlatformOp op, std::uint32_t nth) {
        FSRef src = Ref(source);
        FSRef dst = Ref(dir / "dst");
        if (nth > 0) {
            FaultInjection::Arm(op, nth, kInjected);
        } else {
            FaultInjection::StartCounting();
        }
        return FSCopyObject(&src, &dst, 0, kCatInfoNone, kDupActionReplace, nullptr, false, false,
                            nullptr, nullptr, nullptr, nullptr);
    }

    ScratchDir dir;
    const std::string source = dir / "src/item";
    const std::string old = dir / "dst/item";
    Snapshot sourceSnap;
    Snapshot oldSnap;
};

TEST_P(ReplaceFaults, EveryFailingCallLeavesTheOldObjectInPlace) {
    // A successful run counts the calls; deleting a copy of the old object
    // alone counts the calls of the final removal.
    ASSERT_EQ(CopyReplacing(PlatformOp::Count, 0), kNoErr);
    const Counts total = TakeCounts();
    FaultInjection::Reset();
    EXPECT_EQ(Diff(sourceSnap, Snap(old)), "");
    EXPECT_EQ(List(dir / "dst"), (std::vector<std::string>{"item"}));

    RebuildDestination();
    FSRef oldRef = Ref(old);
    FaultInjection::StartCounting();
    ASSERT_EQ(FSDeleteObjects(&oldRef), kNoErr);
    const Counts removal = TakeCounts();
    FaultInjection::Reset();

    std::uint32_t runs = 0;
    std::uint32_t partial = 0;
    for (int op = 0; op < kOpCount; ++op) {
        const auto which = static_cast<PlatformOp>(op);
        for (std::uint32_t i = 1; i <= total[op]; ++i) {
            SCOPED_TRACE(std::string(PlatformOpName(which)) + " #" + std::to_string(i));
            RebuildDestination();
            const OSErr status = CopyReplacing(which, i);
            const std::uint32_t fired = FaultInjection::FiredCount();
            FaultInjection::Reset();
            ++runs;
            EXPECT_EQ(fired, 1u);
            EXPECT_EQ(status, kInjected);
            EXPECT_EQ(Diff(sourceSnap, Snap(source)), "");

            const std::vector<std::string> names = List(dir / "dst");
            if (names == std::vector<std::string>{"item"} && Diff(oldSnap, Snap(old)).empty()) {
                continue;  // the old object is back, whole, and nothing else is there
            }
            // Otherwise the failure must have hit the removal of the old object
            // after part of it was gone.
            ++partial;
            EXPECT_GT(i, total[op] - removal[op]) << "a failure before the copy was complete";
            EXPECT_EQ(names, (std::vector<std::string>{".DeleteMe", "item"}));
            EXPECT_EQ(Diff(sourceSnap, Snap(old)), "");
            for (const auto& [rel, entry] : Snap(dir / "dst/.DeleteMe")) {
                ASSERT_TRUE(oldSnap.count(rel)) << rel;
                if (entry.type != 'd') {
                    EXPECT_EQ(entry, oldSnap.at(rel)) << rel;
                }
            }
        }
    }
    EXPECT_GT(runs, 30u);
    if (std::string(GetParam().name) == "FileWithAttributes") {
        EXPECT_EQ(partial, 0u);  // deleting one file either happens or not
    }
    RecordProperty("runs", static_cast<int>(runs));
    RecordProperty("partial", static_cast<int>(partial));
}

INSTANTIATE_TEST_SUITE_P(Objects, ReplaceFaults,
                         ::testing::Values(Scenario{"FileWithAttributes", BuildFile},
                                           Scenario{"ThreeLevelTree", BuildTree}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
