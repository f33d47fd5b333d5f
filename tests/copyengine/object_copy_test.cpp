// Object copy: duplicate actions, unique names, a destination inside the
// source or that is a file, level limits, the depth-first order, the busy mark
// of a folder under construction, drop boxes, a whole tree kept exactly, and
// how failures end a copy.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "CopyTestSupport.h"
#include "copyengine/BusyDate.h"
#include "copyengine/ObjectCopy.h"
#include "platform/dates.h"
#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/names.h"

using namespace copytest;

namespace {

constexpr OSErr kInjected = -1999;

void BuildThreeLevels(const std::string& top);

class ObjectCopyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeDir(dir / "src");
        MakeDir(dir / "dst");
    }
    void TearDown() override { FaultInjection::Reset(); }
    OSErr Copy(const std::string& source, const std::string& destDir,
               std::uint32_t dupe = kDupActionStandard, const char* newName = nullptr,
               std::uint32_t maxLevels = 0, CopyFilterProc filter = nullptr, void* data = nullptr) {
        FSRef src = Ref(source);
        FSRef dst = Ref(destDir);
        HFSUniStr255 name{};
        if (newName != nullptr) {
            name = Name(newName);
        }
        return FSCopyObject(&src, &dst, maxLevels, kCatInfoNone, dupe,
                            newName != nullptr ? &name : nullptr, false, false, filter, data,
                            nullptr, nullptr);
    }
    ScratchDir dir;
};

std::string PathOf(const FSRef* ref) {
    char path[1024];
    EXPECT_EQ(FSRefMakePath(ref, path, sizeof path), kNoErr);
    return path;
}

// ----------------------------------------------------------------------------
// Duplicate actions

struct DupeCase {
    const char* name;
    std::uint32_t dupe;
    std::vector<std::string> existing;  // files in dst beforehand, holding "old"
    OSErr status;
    std::string newCopyAt;  // where the new copy lands ("" for nowhere)
};

class DuplicateAction : public ObjectCopyTest, public ::testing::WithParamInterface<DupeCase> {};

TEST_P(DuplicateAction, DecidesWhatHappensToATakenName) {
    const DupeCase& c = GetParam();
    WriteFile(dir / "src/report.txt", "new");
    std::vector<std::string> expectedNames = c.existing;
    for (const std::string& name : c.existing) {
        WriteFile(dir / "dst/" + name, "old");
    }
    EXPECT_EQ(Copy(dir / "src/report.txt", dir / "dst", c.dupe), c.status);
    if (!c.newCopyAt.empty()) {
        EXPECT_EQ(ReadFile(dir / "dst/" + c.newCopyAt), "new");
        if (std::find(expectedNames.begin(), expectedNames.end(), c.newCopyAt) ==
            expectedNames.end()) {
            expectedNames.push_back(c.newCopyAt);
        }
    }
    std::sort(expectedNames.begin(), expectedNames.end());
    EXPECT_EQ(List(dir / "dst"), expectedNames);
    for (const std::string& name : c.existing) {
        if (name != c.newCopyAt) {
            EXPECT_EQ(ReadFile(dir / "dst/" + name), "old") << name;
        }
    }
    EXPECT_EQ(ReadFile(dir / "src/report.txt"), "new");
}

std::vector<std::string> AllNine() {
    std::vector<std::string> names{"report.txt"};
    for (int i = 1; i <= 9; ++i) {
        names.push_back("report " + std::to_string(i) + ".txt");
    }
    return names;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DuplicateAction,
    ::testing::Values(
        DupeCase{"StandardFree", kDupActionStandard, {}, kNoErr, "report.txt"},
        DupeCase{"StandardTaken", kDupActionStandard, {"report.txt"}, kErrNameTaken, ""},
        DupeCase{"ReplaceFree", kDupActionReplace, {}, kNoErr, "report.txt"},
        DupeCase{"ReplaceTaken", kDupActionReplace, {"report.txt"}, kNoErr, "report.txt"},
        DupeCase{"ReplaceTakenWithDeleteMe",
                 kDupActionReplace,
                 {"report.txt", ".DeleteMe"},
                 kErrNameTaken,
                 ""},
        DupeCase{"RenameFree", kDupActionRename, {}, kNoErr, "report.txt"},
        DupeCase{"RenameTaken", kDupActionRename, {"report.txt"}, kNoErr, "report 1.txt"},
        DupeCase{"RenameThreeTaken",
                 kDupActionRename,
                 {"report.txt", "report 1.txt", "report 2.txt", "report 3.txt"},
                 kNoErr,
                 "report 4.txt"},
        DupeCase{"RenameAllNineTaken", kDupActionRename, AllNine(), kErrNameTaken, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct UniqueCase {
    std::string name;
    std::string expected;
};

class UniqueName : public ObjectCopyTest, public ::testing::WithParamInterface<UniqueCase> {};

TEST_P(UniqueName, PutsTheDigitBeforeTheLastInnerDot) {
    FSRef folder = Ref(dir / "dst");
    HFSUniStr255 name = Name(GetParam().name);
    ASSERT_EQ(GetUniqueName(&folder, &name), kNoErr);
    char utf8[1024];
    ASSERT_EQ(HFSUniStr255ToUtf8(&name, utf8, sizeof utf8), kNoErr);
    EXPECT_EQ(std::string(utf8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, UniqueName,
    ::testing::Values(UniqueCase{"report.txt", "report 1.txt"}, UniqueCase{"notes", "notes 1"},
                      UniqueCase{".profile", ".profile 1"}, UniqueCase{"a.b.c", "a.b 1.c"},
                      UniqueCase{"x.", "x 1."},
                      UniqueCase{std::string(253, 'n'), std::string(253, 'n') + " 1"},
                      // No room for " 1": the name stays.
                      UniqueCase{std::string(254, 'n'), std::string(254, 'n')}));

TEST_F(ObjectCopyTest, RenameOfANameWithNoRoomLeftFailsWithNameTaken) {
    const std::string longName(254, 'q');
    WriteFile(dir / "src/" + longName, "new");
    WriteFile(dir / "dst/" + longName, "old");
    EXPECT_EQ(Copy(dir / "src/" + longName, dir / "dst", kDupActionRename), kErrNameTaken);
    EXPECT_EQ(List(dir / "dst").size(), 1u);
}

// ----------------------------------------------------------------------------
// Where the copy may go

TEST_F(ObjectCopyTest, AFolderIsNeverCopiedIntoItself) {
    MakeDir(dir / "src/a");
    MakeDir(dir / "src/a/b");
    WriteFile(dir / "src/a/f", "f");
    MakeLink(dir / "src/a", dir / "via");  // a way in through a link
    const Snapshot before = Snap(dir / "src");
    for (const std::string& into : {dir / "src", dir / "src/a", dir / "src/a/b", dir / "via/b"}) {
        for (std::uint32_t dupe : {kDupActionStandard, kDupActionReplace, kDupActionRename}) {
            EXPECT_EQ(Copy(dir / "src", into, dupe, "copy"), kErrDestInsideSource) << into;
            EXPECT_EQ(Diff(before, Snap(dir / "src")), "") << into;
        }
    }
    // A sibling whose name merely starts the same is not inside.
    MakeDir(dir / "src2");
    EXPECT_EQ(Copy(dir / "src", dir / "src2"), kNoErr);
}

TEST_F(ObjectCopyTest, ReplacingTheSourceOrWhatHoldsItIsRefused) {
    // Setting such an object aside would make the copy read what it writes
    // and then delete the original.
    BuildThreeLevels(dir / "src/top");
    const Snapshot before = Snap(dir / "src");
    struct Case {
        std::string source, destDir;
        const char* name;
    };
    for (const Case& c : {Case{dir / "src/top", dir / "src", "top"},
                          Case{dir / "src/top/f0", dir / "src/top", "f0"},
                          Case{dir / "src/top/a/b", dir / "src", "top"},
                          Case{dir / "src/top/a/f1", dir / "src/top", "a"}}) {
        EXPECT_EQ(Copy(c.source, c.destDir, kDupActionReplace, c.name), kErrDestInsideSource)
            << c.source;
        EXPECT_EQ(Diff(before, Snap(dir / "src")), "") << c.source;
    }
}

TEST_F(ObjectCopyTest, AnotherVolumeOnTheWayUpDoesNotEndTheInsideCheck) {
    // A file system can be mounted inside the source: the first comparison
    // answering "different volumes" must not pass a destination inside it.
    MakeDir(dir / "src/mnt");
    FSRef src = Ref(dir / "src");
    FSRef mnt = Ref(dir / "src/mnt");
    {
        ScopedFault fault(PlatformOp::FSCompareFSRefs, 1, kErrDifferentVolumes);
        EXPECT_EQ(CheckForDestInsideSrc(&src, &mnt), kErrDestInsideSource);
    }
    FSRef other = Ref(dir / "dst");
    EXPECT_EQ(CheckForDestInsideSrc(&src, &other), kNoErr);
}

TEST_F(ObjectCopyTest, AFolderThatCannotBeReadInFullFailsTheCopy) {
    // "Access denied" while enumerating would skip the rest of the folder: a
    // copy that is not complete is never reported as a success.
    BuildThreeLevels(dir / "src/top");
    FaultInjection::Arm(PlatformOp::FSGetCatalogInfoBulk, 2, kErrAccessDenied);
    EXPECT_EQ(Copy(dir / "src/top", dir / "dst"), kErrAccessDenied);
    FaultInjection::Reset();
    EXPECT_TRUE(List(dir / "dst").empty());
}

TEST_F(ObjectCopyTest, AFileAsDestinationFolderGivesNotAFolder) {
    WriteFile(dir / "src/f", "f");
    WriteFile(dir / "plain", "p");
    EXPECT_EQ(Copy(dir / "src/f", dir / "plain"), kErrNotAFolder);
    EXPECT_EQ(Copy(dir / "src", dir / "plain"), kErrNotAFolder);
    EXPECT_EQ(ReadFile(dir / "plain"), "p");
}

TEST_F(ObjectCopyTest, NullArguments) {
    FSRef ref = Ref(dir / "src");
    EXPECT_EQ(FSCopyObject(nullptr, &ref, 0, 0, 0, nullptr, false, false, nullptr, nullptr, nullptr,
                           nullptr),
              kErrParam);
    EXPECT_EQ(FSCopyObject(&ref, nullptr, 0, 0, 0, nullptr, false, false, nullptr, nullptr, nullptr,
                           nullptr),
              kErrParam);
}

// ----------------------------------------------------------------------------
// Levels and order

// top/{f0, a/{f1, b/{f2}}}
void BuildThreeLevels(const std::string& top) {
    MakeDir(top);
    WriteFile(top + "/f0", "0");
    MakeDir(top + "/a");
    WriteFile(top + "/a/f1", "1");
    MakeDir(top + "/a/b");
    WriteFile(top + "/a/b/f2", "2");
}

struct LevelCase {
    std::uint32_t maxLevels;
    std::vector<std::string> expected;  // every path of the copy
};

class LevelLimit : public ObjectCopyTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(LevelLimit, StopsFillingFoldersBelowTheLimit) {
    BuildThreeLevels(dir / "src/top");
    ASSERT_EQ(Copy(dir / "src/top", dir / "dst", kDupActionStandard, nullptr, GetParam().maxLevels),
              kNoErr);
    std::vector<std::string> paths;
    for (const auto& [rel, entry] : Snap(dir / "dst/top")) {
        paths.push_back(rel);
    }
    EXPECT_EQ(paths, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, LevelLimit,
    ::testing::Values(LevelCase{0, {".", "a", "a/b", "a/b/f2", "a/f1", "f0"}},
                      LevelCase{1, {".", "a", "f0"}}, LevelCase{2, {".", "a", "a/b", "a/f1", "f0"}},
                      LevelCase{3, {".", "a", "a/b", "a/b/f2", "a/f1", "f0"}}));

struct Visit {
    std::string path;
    std::uint32_t level;
};

OSErr RecordVisit(bool, std::uint32_t level, OSErr status, FSCatalogInfo*, const FSRef* ref,
                  const FSSpec*, const HFSUniStr255*, void* data) {
    static_cast<std::vector<Visit>*>(data)->push_back({PathOf(ref), level});
    return status;
}

bool IsInside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size() + 1, folder + "/") == 0;
}

TEST_F(ObjectCopyTest, FoldersAreFilledDepthFirst) {
    // top/{x/{x1/{x1f}, xf}, y/{y1/{y1f}, yf}, z/{zf}, tf}
    const std::string top = dir / "src/top";
    MakeDir(top);
    for (const char* folder : {"x", "x/x1", "y", "y/y1", "z"}) {
        MakeDir(top + "/" + folder);
    }
    for (const char* file : {"x/x1/x1f", "x/xf", "y/y1/y1f", "y/yf", "z/zf", "tf"}) {
        WriteFile(top + "/" + file, file);
    }
    std::vector<Visit> visits;
    ASSERT_EQ(Copy(top, dir / "dst", kDupActionStandard, nullptr, 0, RecordVisit, &visits), kNoErr);
    ASSERT_EQ(visits.size(), 12u);
    const std::string copy = dir / "dst/top";
    EXPECT_EQ(visits[0].path, copy);
    EXPECT_EQ(visits[0].level, 0u);

    auto indexOf = [&](const std::string& path) {
        for (std::size_t i = 0; i < visits.size(); ++i) {
            if (visits[i].path == path) {
                return i;
            }
        }
        ADD_FAILURE() << "not visited: " << path;
        return visits.size();
    };
    std::vector<std::string> folders;
    for (const Visit& v : visits) {
        if (std::filesystem::is_directory(std::filesystem::symlink_status(v.path))) {
            folders.push_back(v.path);
        }
        // Children of the top folder are level 0, theirs level 1, and so on.
        if (v.path != copy) {
            const auto depth = std::count(v.path.begin() + copy.size() + 1, v.path.end(), '/');
            EXPECT_EQ(v.level, static_cast<std::uint32_t>(depth)) << v.path;
        }
    }
    for (const std::string& folder : folders) {
        // A folder's own children are handled in one pass, after the folder.
        std::vector<std::size_t> children;
        for (std::size_t i = 0; i < visits.size(); ++i) {
            const std::string& p = visits[i].path;
            if (IsInside(p, folder) && p.find('/', folder.size() + 1) == std::string::npos) {
                children.push_back(i);
                EXPECT_GT(i, indexOf(folder)) << p;
            }
        }
        if (!children.empty()) {
            EXPECT_EQ(children.back() - children.front() + 1, children.size()) << folder;
        }
    }
    for (const std::string& p : folders) {
        for (const std::string& q : folders) {
            // Of two sibling folders, the one made first is filled completely
            // before anything goes into the other.
            const bool siblings = p != q && std::filesystem::path(p).parent_path() ==
                                                std::filesystem::path(q).parent_path();
            if (!siblings || indexOf(p) > indexOf(q)) {
                continue;
            }
            std::size_t lastInP = 0;
            std::size_t firstInQ = visits.size();
            for (std::size_t i = 0; i < visits.size(); ++i) {
                if (IsInside(visits[i].path, p)) {
                    lastInP = std::max(lastInP, i);
                }
                if (IsInside(visits[i].path, q)) {
                    firstInQ = std::min(firstInQ, i);
                }
            }
            EXPECT_LT(lastInP, firstInQ) << p << " before " << q;
        }
    }
}

// ----------------------------------------------------------------------------
// Busy mark and drop boxes

struct BusyProbe {
    std::string top;
    int checked = 0;
    bool busyEveryTime = true;
    bool notBusyEveryTime = true;
    UTCDateTime createDate{};
    unsigned mode = 0;
    unsigned uid = 0;
};

OSErr ProbeTop(bool, std::uint32_t, OSErr status, FSCatalogInfo*, const FSRef* ref, const FSSpec*,
               const HFSUniStr255*, void* data) {
    auto* probe = static_cast<BusyProbe*>(data);
    if (PathOf(ref) == probe->top) {
        return status;  // the top folder itself: its children are not there yet
    }
    ++probe->checked;
    const bool busy = HasXattr(probe->top, "user.zorvane.busy");
    probe->busyEveryTime = probe->busyEveryTime && busy;
    probe->notBusyEveryTime = probe->notBusyEveryTime && !busy;
    FSRef top = Ref(probe->top);
    FSCatalogInfo info{};
    FSGetCatalogInfo(&top, kCatInfoCreateDate, &info, nullptr, nullptr, nullptr);
    probe->createDate = info.createDate;
    probe->mode = ModeOf(probe->top);
    probe->uid = Snap(probe->top).at(".").uid;
    return status;
}

UTCDateTime ExpectedBusyDate() {
    struct tm local {};
    local.tm_year = 1946 - 1900;
    local.tm_mon = 1;
    local.tm_mday = 14;
    local.tm_hour = 0;
    local.tm_min = 34;
    local.tm_sec = 56;
    local.tm_isdst = -1;
    const time_t moment = mktime(&local);
    return UTCDateTimeFromTimespec(timespec{moment, 0});
}

TEST_F(ObjectCopyTest, ATopFolderIsBusyWhileItFillsAndGetsItsRealDataAfter) {
    BuildThreeLevels(dir / "src/top");
    chmod((dir / "src/top").c_str(), 0555);
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving files another owner needs root";
    }
    ASSERT_EQ(chown((dir / "src/top").c_str(), 1234, 5678), 0);
    BusyProbe probe;
    probe.top = dir / "dst/top";
    ASSERT_EQ(Copy(dir / "src/top", dir / "dst", kDupActionStandard, nullptr, 0, ProbeTop, &probe),
              kNoErr);
    EXPECT_EQ(probe.checked, 5);
    EXPECT_TRUE(probe.busyEveryTime);
    const UTCDateTime busy = ExpectedBusyDate();
    EXPECT_EQ(probe.createDate.lowSeconds, busy.lowSeconds);
    EXPECT_EQ(probe.createDate.highSeconds, busy.highSeconds);
    // Until it is complete the tree is the copier's alone: nobody else can
    // reach into it and swap a folder for a link.
    EXPECT_EQ(probe.mode, 0700u);
    EXPECT_EQ(probe.uid, geteuid());

    UTCDateTime cached{};
    ASSERT_EQ(GetMagicBusyCreateDate(&cached), kNoErr);
    EXPECT_EQ(cached.lowSeconds, busy.lowSeconds);
    EXPECT_EQ(GetMagicBusyCreateDate(nullptr), kErrParam);

    EXPECT_FALSE(HasXattr(dir / "dst/top", "user.zorvane.busy"));
    EXPECT_EQ(Diff(Snap(dir / "src/top"), Snap(dir / "dst/top")), "");
}

TEST_F(ObjectCopyTest, ADropBoxGetsNoBusyMarkAndCopiesKeepOwnerRights) {
    BuildThreeLevels(dir / "src/top");
    chmod((dir / "src/top/f0").c_str(), 0444);
    chmod((dir / "src/top/a").c_str(), 0555);
    chmod((dir / "dst").c_str(), 0773);  // others: write and search only
    BusyProbe probe;
    probe.top = dir / "dst/top";
    ASSERT_EQ(Copy(dir / "src/top", dir / "dst", kDupActionStandard, nullptr, 0, ProbeTop, &probe),
              kNoErr);
    EXPECT_GT(probe.checked, 0);
    EXPECT_TRUE(probe.notBusyEveryTime);
    EXPECT_EQ(ModeOf(dir / "dst/top/f0"), 0744u);
    EXPECT_EQ(ModeOf(dir / "dst/top/a"), 0755u);
    EXPECT_EQ(ReadFile(dir / "dst/top/a/b/f2"), "2");

    FSRef box = Ref(dir / "dst");
    bool isDropBox = false;
    EXPECT_EQ(IsDropBox(&box, &isDropBox), kNoErr);
    EXPECT_TRUE(isDropBox);
    chmod((dir / "dst").c_str(), 0777);
    EXPECT_EQ(IsDropBox(&box, &isDropBox), kNoErr);
    EXPECT_FALSE(isDropBox);
    FSRef file = Ref(dir / "src/top/f0");
    EXPECT_EQ(IsDropBox(&file, &isDropBox), kErrNotAFolder);
}

// ----------------------------------------------------------------------------
// A whole tree, kept exactly

TEST_F(ObjectCopyTest, AMixedTreeIsKeptExactlyAndLinksAreNeverFollowed) {
    const std::string top = dir / "src/top";
    MakeDir(top, 0750);
    MakeDir(dir / "outside");
    WriteFile(dir / "outside/secret", "not to be copied");
    WriteFile(top + "/plain", Bytes(300000, 5), 0640);
    WriteFile(top + "/empty", "", 0600);
    WriteFile(top + "/nomode", "x", 0000);
    WriteFile(top + "/setuid", "#!/bin/true\n", 0755);
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving files another owner needs root";
    }
    ASSERT_EQ(chown((top + "/setuid").c_str(), 1000, 1000), 0);
    ASSERT_EQ(chmod((top + "/setuid").c_str(), 04755), 0);
    SetXattr(top + "/plain", "user.one", "1");
    SetXattr(top + "/plain", "user.two", Bytes(2000, 8));
    MakeDir(top + "/readonly", 0555);
    chmod((top + "/readonly").c_str(), 0755);
    WriteFile(top + "/readonly/inner", "inner", 0444);
    MakeDir(top + "/readonly/deeper");
    WriteFile(top + "/readonly/deeper/leaf", "leaf");
    chmod((top + "/readonly").c_str(), 0555);
    SetXattr(top + "/readonly", "user.folderfork", "on a folder");
    MakeLink(dir / "outside", top + "/to-outside");
    MakeLink(dir / "outside/secret", top + "/to-secret");
    MakeLink("../plain", top + "/relative");
    MakeLink("/nonexistent", top + "/dangling");
    MakeDir(top + "/emptydir", 0700);
    WriteFile(top + "/locked", "locked");
    const bool lockable = SetLocked(top + "/locked", true);
    SetMtime(top + "/plain", 1234567890, 987654321);
    SetMtime(top + "/to-secret", 1111111111, 0);
    SetMtime(top + "/readonly/deeper", 1300000000, 5);
    SetMtime(top + "/readonly", 1310000000, 5);
    SetMtime(top, 1320000000, 5);
    const Snapshot before = Snap(top);

    ASSERT_EQ(Copy(top, dir / "dst", kDupActionReplace), kNoErr);
    EXPECT_EQ(Diff(before, Snap(dir / "dst/top")), "");
    EXPECT_EQ(Diff(before, Snap(top)), "");
    EXPECT_EQ(IsLocked(dir / "dst/top/locked"), lockable);
    EXPECT_EQ(List(dir / "dst"), (std::vector<std::string>{"top"}));
}

TEST_F(ObjectCopyTest, ALinkAsTheSourceIsCopiedAsALink) {
    MakeDir(dir / "src/folder");
    WriteFile(dir / "src/folder/inside", "x");
    MakeLink(dir / "src/folder", dir / "src/link");
    ASSERT_EQ(Copy(dir / "src/link", dir / "dst"), kNoErr);
    EXPECT_EQ(Diff(Snap(dir / "src/link"), Snap(dir / "dst/link")), "");
}

// ----------------------------------------------------------------------------
// Failures

OSErr AcceptEverything(bool, std::uint32_t, OSErr, FSCatalogInfo*, const FSRef*, const FSSpec*,
                       const HFSUniStr255*, void*) {
    return kNoErr;
}

OSErr RejectSecond(bool, std::uint32_t, OSErr status, FSCatalogInfo*, const FSRef*, const FSSpec*,
                   const HFSUniStr255*, void* data) {
    int* calls = static_cast<int*>(data);
    return ++*calls == 2 ? -2001 : status;
}

TEST_F(ObjectCopyTest, AFailedChildEndsTheCopyReportsItAndLeavesNothing) {
    BuildThreeLevels(dir / "src/top");
    for (CopyFilterProc filter : {static_cast<CopyFilterProc>(nullptr), AcceptEverything}) {
        FaultInjection::Arm(PlatformOp::FSWriteFork, 2, kInjected);
        EXPECT_EQ(Copy(dir / "src/top", dir / "dst", kDupActionStandard, nullptr, 0, filter),
                  kInjected);
        FaultInjection::Reset();
        EXPECT_TRUE(List(dir / "dst").empty());
    }
}

TEST_F(ObjectCopyTest, AFilterStatusEndsTheCopyAndLeavesNothing) {
    BuildThreeLevels(dir / "src/top");
    int calls = 0;
    EXPECT_EQ(
        Copy(dir / "src/top", dir / "dst", kDupActionStandard, nullptr, 0, RejectSecond, &calls),
        -2001);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(List(dir / "dst").empty());

    WriteFile(dir / "src/single", "s");
    calls = 1;
    EXPECT_EQ(
        Copy(dir / "src/single", dir / "dst", kDupActionStandard, nullptr, 0, RejectSecond, &calls),
        -2001);
    EXPECT_TRUE(List(dir / "dst").empty());
}

}  // namespace
