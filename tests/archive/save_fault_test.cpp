// Fault injection at every platform call Save makes, one call at a time:
// whatever fails, the target holds either the complete old archive or the
// complete new one; a failed save leaves the object referring to the old
// archive with its pending entries; no temporary file is left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>

#include "ArchiveFixture.h"
#include "platform/fault_injection.h"

namespace fs = std::filesystem;
using zorvane::stPackSaveOptions;
using zorvane::stPackSaveReport;
using zvtest::ProbeArchive;
using zvtest::ReadFileText;
using zvtest::TestArchive;

namespace {

std::string Random(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) {
        c = static_cast<char>(gen() % 7 == 0 ? 'a' : gen());
    }
    return s;
}

// Where the save goes: over the archive the object has open, or to a new
// file beside it.
class SaveFaultTest : public zvtest::ArchiveFixture, public ::testing::WithParamInterface<bool> {
  protected:
    bool OverOld() const { return GetParam(); }
    std::string Old() const { return Path("old.zpk").string(); }
    std::string Target() const { return OverOld() ? Old() : Path("new.zpk").string(); }

    // Fresh files, and an object with two archived and four pending entries.
    void Prepare(ProbeArchive& a) {
        fs::remove(Path("new.zpk"));
        zvtest::WriteFileBytes(Old(), m_OldBytes);
        const std::pair<const char*, std::string> files[] = {
            {"src/a.txt", "alpha"},
            {"src/big.bin", Random(100000, 1)},  // more than the budget: spilled
            {"src/words.txt", std::string(60000, 'w') + Random(3000, 2)},
            {"src/empty", ""},
        };
        fs::create_directories(Path("src"));
        for (const auto& f : files) {
            std::ofstream(Path(f.first), std::ios::binary | std::ios::trunc) << f.second;
        }
        ASSERT_TRUE(a.Open(Old().c_str()));
        for (const auto& f : files) {
            ASSERT_TRUE(a.AddFilePath(Path(f.first).c_str(), "./Src/"));
            // The same dates on every run, so that every run's new archive
            // has the same bytes.
            zorvane::stFileImage* e = a.Entry(a.GetFileImageNum() - 1);
            e->createDate = e->contentModDate = e->attributeModDate = e->accessDate = {0, 1, 0};
        }
    }

    bool RunSave(ProbeArchive& a, stPackSaveReport* report) {
        stPackSaveOptions options;
        options.nThreads = 2;
        options.nMemoryBudget = 32u << 10;
        options.report = report;
        std::srand(5);
        return a.Save(OverOld() ? nullptr : Target().c_str(), options);
    }

    std::set<std::string> Listing() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir)) {
            names.insert(e.path().filename().string());
        }
        return names;
    }

    zvtest::Bytes m_OldBytes;
};

TEST_P(SaveFaultTest, EveryFailingCallLeavesOldOrNewWhole) {
    TestArchive t;
    t.Add("kept.txt", "./Old/", std::string(20000, 'k'));
    t.Add("kept.bin", "./Old/", Random(5000, 3));
    m_OldBytes = t.Build();
    const std::string oldBytes(m_OldBytes.begin(), m_OldBytes.end());

    // A clean run gives the new bytes and the calls to fail in turn.
    std::string newBytes;
    std::map<PlatformOp, std::uint32_t> calls;
    {
        ProbeArchive a;
        Prepare(a);
        FaultInjection::StartCounting();
        ASSERT_TRUE(RunSave(a, nullptr));
        for (int op = 0; op < static_cast<int>(PlatformOp::Count); ++op) {
            calls[static_cast<PlatformOp>(op)] =
                FaultInjection::CallCount(static_cast<PlatformOp>(op));
        }
        FaultInjection::Reset();
        newBytes = ReadFileText(Target());
        ASSERT_NE(oldBytes, newBytes);
    }
    const std::set<std::string> before = {"old.zpk", "src"};
    std::set<std::string> after = before;
    after.insert(fs::path(Target()).filename().string());

    std::map<PlatformOp, int> failedSaves;
    for (const auto& [op, count] : calls) {
        for (std::uint32_t nth = 1; nth <= count; ++nth) {
            SCOPED_TRACE(std::string(PlatformOpName(op)) + " call " + std::to_string(nth));
            ProbeArchive a;
            Prepare(a);
            FaultInjection::Arm(op, nth, op == PlatformOp::NewPtr ? kErrNoMemory : kErrIO);
            stPackSaveReport report;
            const bool saved = RunSave(a, &report);
            FaultInjection::Reset();

            const std::string now = ReadFileText(Target());
            if (!saved) {
                ++failedSaves[op];
                EXPECT_NE(zorvane::PackSaveFailure::kNone, report.what);
                EXPECT_EQ(OverOld() ? oldBytes : "", now) << "the target changed";
                EXPECT_EQ(oldBytes, ReadFileText(Old()));
                EXPECT_EQ(before, Listing());
                EXPECT_STREQ(Old().c_str(), a.PackPath());
                ASSERT_EQ(6u, a.GetFileImageNum());
                EXPECT_FALSE(a.Entry(1)->IsPending());
                EXPECT_TRUE(a.Entry(2)->IsPending());
                EXPECT_TRUE(a.Entry(5)->IsPending());
                EXPECT_TRUE(a.CheckFileById(1));
            } else {
                EXPECT_TRUE(now == newBytes) << "the new archive is not whole";
                EXPECT_EQ(after, Listing());
                EXPECT_EQ(OverOld() ? newBytes : oldBytes, ReadFileText(Old()));
                ASSERT_EQ(6u, a.GetFileImageNum());
                EXPECT_FALSE(a.Entry(5)->IsPending());
                std::vector<unsigned long> bad;
                EXPECT_TRUE(a.CheckAllData(&bad)) << bad.size() << " entries damaged";
                EXPECT_STREQ(fs::absolute(Target()).c_str(), a.PackPath());
            }
        }
    }
    // The steps that build the new file cannot fail unnoticed.
    for (PlatformOp op :
         {PlatformOp::FSCreateFileUnicode, PlatformOp::FSOpenFork, PlatformOp::FSReadFork,
          PlatformOp::FSWriteFork, PlatformOp::FSFlushObject, PlatformOp::FSRenameOverUnicode}) {
        EXPECT_GT(failedSaves[op], 0) << PlatformOpName(op);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, SaveFaultTest, ::testing::Bool(), [](const auto& info) {
    return info.param ? std::string("OverTheCurrentArchive") : std::string("ToANewPath");
});

}  // namespace
