// References and catalogue information on real folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/dates.h"
#include "platform/files.h"
#include "test_support.h"

using platform_test::Exists;
using platform_test::Name;
using platform_test::ReadText;
using platform_test::ScratchDir;
using platform_test::Utf8;
using platform_test::WriteText;

namespace {

FSRef RefOf(const std::string& path) {
    FSRef ref{};
    EXPECT_EQ(FSPathMakeRef(path.c_str(), &ref, nullptr), kNoErr) << path;
    return ref;
}

class RefsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
        WriteText(dir / "sub/file.txt", "hello");
        ASSERT_EQ(symlink("sub", (dir / "link").c_str()), 0);
    }
    ScratchDir dir;
};

TEST_F(RefsTest, PathMakeRefResolvesToCanonicalPaths) {
    struct Case {
        std::string input;
        OSErr status;
        std::string path;  // expected path when status is 0
        bool isDirectory;
    };
    const Case cases[] = {
        {dir / "sub/file.txt", kNoErr, dir / "sub/file.txt", false},
        {dir / "sub/", kNoErr, dir / "sub", true},
        {dir / "sub/./../sub/file.txt", kNoErr, dir / "sub/file.txt", false},
        {dir / "link", kNoErr, dir / "link", false},  // the link itself
        {dir / "link/", kNoErr, dir / "sub", true},   // "/" asks for the folder
        {dir / "link/file.txt", kNoErr, dir / "sub/file.txt", false},
        {dir / "missing", kErrNotFound, "", false},
        {dir / "sub/file.txt/", kErrNotFound, "", false},
        {dir / "sub/file.txt/x", kErrNotFound, "", false},
        {"", kErrBadName, "", false},
        {"/" + std::string(1100, 'a'), kErrBadName, "", false},
        {"/", kNoErr, "/", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 80));
        FSRef ref{};
        bool isDirectory = !c.isDirectory;
        EXPECT_EQ(FSPathMakeRef(c.input.c_str(), &ref, &isDirectory), c.status);
        if (c.status == kNoErr) {
            EXPECT_STREQ(ref.path, c.path.c_str());
            EXPECT_EQ(isDirectory, c.isDirectory);
        }
    }
}

TEST_F(RefsTest, RelativePathsResolveAgainstTheCurrentFolder) {
    char old[1024];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir((dir / "sub").c_str()), 0);
    FSRef ref{};
    OSErr err = FSPathMakeRef("file.txt", &ref, nullptr);
    ASSERT_EQ(chdir(old), 0);
    EXPECT_EQ(err, kNoErr);
    EXPECT_STREQ(ref.path, (dir / "sub/file.txt").c_str());
}

TEST_F(RefsTest, RefMakePathNeverWritesPastItsLimit) {
    FSRef ref = RefOf(dir / "sub/file.txt");
    std::size_t length = std::strlen(ref.path);
    char buffer[1024];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(FSRefMakePath(&ref, buffer, static_cast<std::uint32_t>(length)), kErrParam);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[length], 'Z');
    EXPECT_EQ(FSRefMakePath(&ref, buffer, static_cast<std::uint32_t>(length + 1)), kNoErr);
    EXPECT_STREQ(buffer, ref.path);
}

TEST_F(RefsTest, CompareUsesIdentityNotText) {
    FSRef a = RefOf(dir / "sub/file.txt");
    FSRef viaLink = RefOf(dir / "link/file.txt");
    ASSERT_EQ(link((dir / "sub/file.txt").c_str(), (dir / "hard").c_str()), 0);
    FSRef hard = RefOf(dir / "hard");
    FSRef folder = RefOf(dir / "sub");
    EXPECT_EQ(FSCompareFSRefs(&a, &viaLink), kNoErr);
    EXPECT_EQ(FSCompareFSRefs(&a, &hard), kNoErr);
    EXPECT_EQ(FSCompareFSRefs(&a, &folder), kErrDifferentObjects);
    FSRef other;
    if (FSPathMakeRef("/proc", &other, nullptr) == kNoErr) {
        EXPECT_EQ(FSCompareFSRefs(&a, &other), kErrDifferentVolumes);
    }
    FSRef gone = RefOf(dir / "hard");
    unlink((dir / "hard").c_str());
    EXPECT_EQ(FSCompareFSRefs(&a, &gone), kErrNotFound);
}

TEST_F(RefsTest, LookUpByName) {
    FSRef sub = RefOf(dir / "sub");
    FSRef file = RefOf(dir / "sub/file.txt");
    HFSUniStr255 name = Name("file.txt");
    FSRef found{};
    EXPECT_EQ(FSMakeFSRefUnicode(&sub, name.length, name.unicode, kTextEncodingUnknown, &found),
              kNoErr);
    EXPECT_STREQ(found.path, file.path);
    HFSUniStr255 missing = Name("nope");
    EXPECT_EQ(FSMakeFSRefUnicode(&sub, missing.length, missing.unicode, 0, &found), kErrNotFound);
    EXPECT_EQ(FSMakeFSRefUnicode(&file, name.length, name.unicode, 0, &found), kErrNotAFolder);
}

TEST_F(RefsTest, CatalogInfoOfFilesFoldersAndLinks) {
    FSRef file = RefOf(dir / "sub/file.txt");
    FSRef folder = RefOf(dir / "sub");
    FSRef link = RefOf(dir / "link");
    ASSERT_EQ(chmod(file.path, 0640), 0);
    FSCatalogInfo info{};
    FSRef parent{};
    HFSUniStr255 name{};
    ASSERT_EQ(FSGetCatalogInfo(&file, kCatInfoGettableInfo, &info, &name, nullptr, &parent),
              kNoErr);
    EXPECT_EQ(info.nodeFlags & kNodeIsDirectory, 0);
    EXPECT_EQ(info.permissions.mode, S_IFREG | 0640);
    EXPECT_EQ(info.permissions.userID, geteuid());
    EXPECT_EQ(info.dataLogicalSize, 5u);
    EXPECT_EQ(Utf8(name), "file.txt");
    EXPECT_STREQ(parent.path, folder.path);
    EXPECT_EQ(info.textEncodingHint, kTextEncodingUTF8);

    FSCatalogInfo folderInfo{};
    ASSERT_EQ(FSGetCatalogInfo(
                  &folder, kCatInfoNodeFlags | kCatInfoNodeID | kCatInfoValence | kCatInfoVolume,
                  &folderInfo, nullptr, nullptr, nullptr),
              kNoErr);
    EXPECT_NE(folderInfo.nodeFlags & kNodeIsDirectory, 0);
    EXPECT_EQ(folderInfo.valence, 1u);
    EXPECT_EQ(info.parentDirID, folderInfo.nodeID);
    EXPECT_EQ(info.volume, folderInfo.volume);

    FSCatalogInfo linkInfo{};
    ASSERT_EQ(FSGetCatalogInfo(&link, kCatInfoNodeFlags | kCatInfoFinderInfo | kCatInfoDataSizes,
                               &linkInfo, nullptr, nullptr, nullptr),
              kNoErr);
    EXPECT_EQ(linkInfo.nodeFlags & kNodeIsDirectory, 0) << "a link to a folder is not a folder";
    EXPECT_EQ(linkInfo.finderInfo.fileType, kSymLinkFileType);
    EXPECT_EQ(linkInfo.finderInfo.fileCreator, kSymLinkCreator);
    EXPECT_EQ(linkInfo.dataLogicalSize, 3u);
}

TEST_F(RefsTest, RootIsTheTopOfItsVolume) {
    FSRef root = RefOf("/");
    FSCatalogInfo info{};
    FSRef parent{};
    ASSERT_EQ(FSGetCatalogInfo(&root, kCatInfoNodeID | kCatInfoParentDirID, &info, nullptr, nullptr,
                               &parent),
              kNoErr);
    EXPECT_EQ(info.nodeID, 2u);
    EXPECT_EQ(info.parentDirID, 1u);
    EXPECT_STREQ(parent.path, "/");
}

TEST_F(RefsTest, SetCatalogInfoAppliesModeAndDates) {
    FSRef file = RefOf(dir / "sub/file.txt");
    FSCatalogInfo info{};
    ASSERT_EQ(FSGetCatalogInfo(&file, kCatInfoSettableInfo, &info, nullptr, nullptr, nullptr),
              kNoErr);
    info.permissions.mode = 0604;
    info.contentModDate = UTCDateTimeFromTimespec({1000000000, 250000000});
    info.accessDate = UTCDateTimeFromTimespec({1100000000, 0});
    ASSERT_EQ(FSSetCatalogInfo(&file, kCatInfoPermissions | kCatInfoContentMod | kCatInfoAccessDate,
                               &info),
              kNoErr);
    struct stat st;
    ASSERT_EQ(stat(file.path, &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
    EXPECT_NEAR(st.st_mtim.tv_nsec, 250000000, 20000);
    EXPECT_EQ(st.st_atim.tv_sec, 1100000000);

    // A zero date leaves its time alone; create and backup dates are accepted.
    FSCatalogInfo zero{};
    zero.permissions = info.permissions;
    ASSERT_EQ(FSSetCatalogInfo(&file, kCatInfoContentMod | kCatInfoCreateDate | kCatInfoBackupDate,
                               &zero),
              kNoErr);
    ASSERT_EQ(stat(file.path, &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
}

TEST_F(RefsTest, FinderInfoIsStoredInOurAttributeAndZeroRemovesIt) {
    FSRef file = RefOf(dir / "sub/file.txt");
    FSCatalogInfo info{};
    info.finderInfo.fileType = 0x627A7920;  // 'bzy '
    info.finderInfo.fileCreator = 0x46494C45;
    info.finderInfo.finderFlags = 0x0100;
    info.extFinderInfo.bytes[15] = 7;
    ASSERT_EQ(FSSetCatalogInfo(&file, kCatInfoFinderInfo | kCatInfoFinderXInfo, &info), kNoErr);
    FSCatalogInfo back{};
    ASSERT_EQ(FSGetCatalogInfo(&file, kCatInfoFinderInfo | kCatInfoFinderXInfo, &back, nullptr,
                               nullptr, nullptr),
              kNoErr);
    EXPECT_EQ(back.finderInfo.fileType, 0x627A7920u);
    EXPECT_EQ(back.finderInfo.fileCreator, 0x46494C45u);
    EXPECT_EQ(back.finderInfo.finderFlags, 0x0100);
    EXPECT_EQ(back.extFinderInfo.bytes[15], 7);
    EXPECT_GT(getxattr(file.path, "user.zorvane.finderinfo", nullptr, 0), 0);

    FSCatalogInfo zero{};
    ASSERT_EQ(FSSetCatalogInfo(&file, kCatInfoFinderInfo | kCatInfoFinderXInfo, &zero), kNoErr);
    EXPECT_LT(getxattr(file.path, "user.zorvane.finderinfo", nullptr, 0), 0);
}

TEST_F(RefsTest, FinderInfoWrittenAgainOrOnANewFileReadsBackTheSame) {
    FSRef sub = RefOf(dir / "sub");
    FSCatalogInfo info{};
    info.finderInfo.fileType = 0x627A7920;  // 'bzy '
    info.permissions.mode = 0640;
    const HFSUniStr255 name = Name("new.bin");
    FSRef file{};
    ASSERT_EQ(FSCreateFileUnicode(&sub, name.length, name.unicode,
                                  kCatInfoFinderInfo | kCatInfoPermissions, &info, &file, nullptr),
              kNoErr);
    struct stat st;
    ASSERT_EQ(lstat(file.path, &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    for (int round = 0; round < 2; ++round) {  // the second write changes nothing
        FSCatalogInfo back{};
        ASSERT_EQ(FSGetCatalogInfo(&file, kCatInfoFinderInfo, &back, nullptr, nullptr, nullptr),
                  kNoErr);
        EXPECT_EQ(back.finderInfo.fileType, 0x627A7920u) << "round " << round;
        ASSERT_EQ(FSSetCatalogInfo(&file, kCatInfoFinderInfo, &info), kNoErr);
    }
    FSCatalogInfo zero{};
    for (int round = 0; round < 2; ++round) {  // removing what is gone already is no error
        ASSERT_EQ(FSSetCatalogInfo(&file, kCatInfoFinderInfo, &zero), kNoErr) << "round " << round;
        EXPECT_LT(getxattr(file.path, "user.zorvane.finderinfo", nullptr, 0), 0);
    }
    // A damaged record is replaced by a valid one, even by an all-zero one.
    ASSERT_EQ(setxattr(file.path, "user.zorvane.finderinfo", "xy", 2, 0), 0);
    ASSERT_EQ(FSSetCatalogInfo(&file, kCatInfoFinderInfo, &zero), kNoErr);
    EXPECT_LT(getxattr(file.path, "user.zorvane.finderinfo", nullptr, 0), 0);
}

// The user-access byte means what access() says for each right alone,
// however the platform asks, by path or while it enumerates a folder.
TEST_F(RefsTest, UserAccessByteFollowsAccessForEachRight) {
    struct Case {
        const char* name;
        bool folder;
        mode_t mode;
    };
    const Case cases[] = {
        {"f0000", false, 0000}, {"f0444", false, 0444}, {"f0644", false, 0644},
        {"f0600", false, 0600}, {"f0755", false, 0755}, {"f0100", false, 0100},
        {"f0001", false, 0001}, {"f0200", false, 0200}, {"d0000", true, 0000},
        {"d0755", true, 0755},  {"d0500", true, 0500},  {"d0300", true, 0300},
    };
    ASSERT_EQ(mkdir((dir / "modes").c_str(), 0755), 0);
    for (const Case& c : cases) {
        const std::string path = dir / ("modes/" + std::string(c.name));
        if (c.folder) {
            ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
        } else {
            WriteText(path, "x");
        }
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
    }
    auto expected = [](const std::string& path) {
        std::uint8_t bits = 0;
        bits |= euidaccess(path.c_str(), R_OK) != 0 ? kUserAccessNoRead : 0;
        bits |= euidaccess(path.c_str(), W_OK) != 0 ? kUserAccessNoWrite : 0;
        bits |= euidaccess(path.c_str(), X_OK) != 0 ? kUserAccessNoSearch : 0;
        return bits;
    };
    // A locked file the owner may write by its mode: the lock refuses the
    // writing, which the mode does not show.
    const std::string lockedPath = dir / "modes/f0644-locked";
    WriteText(lockedPath, "x");
    ASSERT_EQ(chmod(lockedPath.c_str(), 0644), 0);
    FSRef lockedRef = RefOf(lockedPath);
    FSCatalogInfo lock{};
    lock.nodeFlags = kNodeLocked;
    ASSERT_EQ(FSSetCatalogInfo(&lockedRef, kCatInfoNodeFlags, &lock), kNoErr);
    for (const Case& c : cases) {
        const std::string path = dir / ("modes/" + std::string(c.name));
        FSRef ref = RefOf(path);
        FSCatalogInfo info{};
        ASSERT_EQ(FSGetCatalogInfo(&ref, kCatInfoPermissions | kCatInfoUserPrivs, &info, nullptr,
                                   nullptr, nullptr),
                  kNoErr);
        EXPECT_EQ(info.permissions.userAccess, expected(path)) << c.name;
        EXPECT_EQ(info.userPrivileges, expected(path)) << c.name;
    }
    FSRef modes = RefOf(dir / "modes");
    FSIterator it = nullptr;
    ASSERT_EQ(FSOpenIterator(&modes, kFSIterateFlat, &it), kNoErr);
    FSCatalogInfo infos[16];
    FSRef refs[16];
    std::uint32_t count = 0;
    EXPECT_EQ(FSGetCatalogInfoBulk(it, 16, &count, nullptr, kCatInfoPermissions, infos, refs,
                                   nullptr, nullptr),
              kErrNoMoreItems);
    EXPECT_EQ(FSCloseIterator(it), kNoErr);
    ASSERT_EQ(count, sizeof cases / sizeof cases[0] + 1);
    for (std::uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(infos[i].permissions.userAccess, expected(refs[i].path)) << refs[i].path;
    }
    lock.nodeFlags = 0;
    EXPECT_EQ(FSSetCatalogInfo(&lockedRef, kCatInfoNodeFlags, &lock), kNoErr);
}

TEST_F(RefsTest, LinkTypeTurnsAFileIntoASymbolicLink) {
    WriteText(dir / "made-link", "sub/file.txt");
    FSRef file = RefOf(dir / "made-link");
    FSCatalogInfo info{};
    info.finderInfo.fileType = kSymLinkFileType;
    info.finderInfo.fileCreator = kSymLinkCreator;
    ASSERT_EQ(FSSetCatalogInfo(&file, kCatInfoFinderInfo | kCatInfoPermissions, &info), kNoErr);
    struct stat st;
    ASSERT_EQ(lstat(file.path, &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadText(file.path), "hello") << "the link leads to sub/file.txt";

    WriteText(dir / "bad-link", std::string("a\0b", 3));
    FSRef bad = RefOf(dir / "bad-link");
    EXPECT_EQ(FSSetCatalogInfo(&bad, kCatInfoFinderInfo, &info), kErrParam);
    ASSERT_EQ(lstat(bad.path, &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(RefsTest, BusyMarkStandsInForTheCreationDate) {
    FSRef folder = RefOf(dir / "sub");
    UTCDateTime busy{0, 0x4F3AFDB0u, 0};
    ASSERT_EQ(FSSetBusyMark(&folder, &busy), kNoErr);
    FSCatalogInfo info{};
    ASSERT_EQ(FSGetCatalogInfo(&folder, kCatInfoCreateDate, &info, nullptr, nullptr, nullptr),
              kNoErr);
    EXPECT_EQ(info.createDate.lowSeconds, 0x4F3AFDB0u);
    EXPECT_GT(getxattr(folder.path, "user.zorvane.busy", nullptr, 0), 0) << "visible to others";
    ASSERT_EQ(FSClearBusyMark(&folder), kNoErr);
    EXPECT_EQ(FSClearBusyMark(&folder), kNoErr);
    ASSERT_EQ(FSGetCatalogInfo(&folder, kCatInfoCreateDate, &info, nullptr, nullptr, nullptr),
              kNoErr);
    EXPECT_NE(info.createDate.lowSeconds, 0x4F3AFDB0u);
}

TEST_F(RefsTest, LockedFlagWhereTheSystemAllowsIt) {
    FSRef file = RefOf(dir / "sub/file.txt");
    FSCatalogInfo info{};
    info.nodeFlags = kNodeLocked;
    ASSERT_EQ(FSSetCatalogInfo(&file, kCatInfoNodeFlags, &info), kNoErr);
    FSCatalogInfo back{};
    ASSERT_EQ(FSGetCatalogInfo(&file, kCatInfoNodeFlags, &back, nullptr, nullptr, nullptr), kNoErr);
    if ((back.nodeFlags & kNodeLocked) == 0) {
        GTEST_SKIP() << "this file system or user cannot lock files";
    }
    EXPECT_EQ(FSDeleteObject(&file), kErrLocked);
    // Changing the mode of a locked file unlocks, changes and locks again.
    back.permissions.mode = 0600;
    EXPECT_EQ(FSSetCatalogInfo(&file, kCatInfoPermissions, &back), kNoErr);
    struct stat st;
    ASSERT_EQ(stat(file.path, &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(FSDeleteObject(&file), kErrLocked);
    info.nodeFlags = 0;
    ASSERT_EQ(FSSetCatalogInfo(&file, kCatInfoNodeFlags, &info), kNoErr);
    EXPECT_EQ(FSDeleteObject(&file), kNoErr);
}

TEST_F(RefsTest, VolumeParametersOfALocalVolume) {
    FSRef file = RefOf(dir / "sub/file.txt");
    FSVolumeRefNum volume = 0;
    ASSERT_EQ(FSGetVolumeRefNum(&file, &volume), kNoErr);
    EXPECT_LT(volume, 0);
    FSCatalogInfo info{};
    ASSERT_EQ(FSGetCatalogInfo(&file, kCatInfoVolume, &info, nullptr, nullptr, nullptr), kNoErr);
    EXPECT_EQ(info.volume, volume);
    VolParmsInfo parms{};
    std::uint32_t filled = 0;
    ASSERT_EQ(PBHGetVolParmsSync(volume, &parms, &filled), kNoErr);
    EXPECT_EQ(filled, sizeof(VolParmsInfo));
    EXPECT_EQ(parms.serverAddress, 0u);
    EXPECT_EQ(parms.attributes & kVolSupportsServerCopy, 0u);
    EXPECT_EQ(parms.volumeGrade, 0);
    EXPECT_GT(parms.totalBytes, 0u);
    EXPECT_EQ(PBHGetVolParmsSync(static_cast<FSVolumeRefNum>(-30000), &parms, nullptr),
              kErrNotFound);
    std::uint32_t rights = 0;
    EXPECT_EQ(PBHGetDirAccessSync(&file, &rights), kErrParam);
    EXPECT_EQ(PBHCopyFileSync(&file, &file, nullptr), kErrUnimplemented);
}

}  // namespace
