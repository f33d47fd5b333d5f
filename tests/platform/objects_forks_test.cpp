// Creating, deleting, moving and renaming objects; forks; folder iteration.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

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

OSErr CreateFile(const FSRef& parent, const std::string& name, FSRef* out = nullptr,
                 FSCatalogInfoBitmap which = 0, const FSCatalogInfo* info = nullptr) {
    HFSUniStr255 u = Name(name);
    return FSCreateFileUnicode(&parent, u.length, u.unicode, which, info, out, nullptr);
}

OSErr CreateDir(const FSRef& parent, const std::string& name, FSRef* out = nullptr) {
    HFSUniStr255 u = Name(name);
    return FSCreateDirectoryUnicode(&parent, u.length, u.unicode, 0, nullptr, out, nullptr,
                                    nullptr);
}

class ObjectsTest : public ::testing::Test {
  protected:
    void SetUp() override { root = RefOf(dir.path()); }
    ScratchDir dir;
    FSRef root{};
};

TEST_F(ObjectsTest, CreateRefusesTakenAndBadNames) {
    FSRef file{};
    ASSERT_EQ(CreateFile(root, "a.txt", &file), kNoErr);
    EXPECT_STREQ(file.path, (dir / "a.txt").c_str());
    WriteText(dir / "a.txt", "keep");
    EXPECT_EQ(CreateFile(root, "a.txt"), kErrNameTaken);
    EXPECT_EQ(CreateDir(root, "a.txt"), kErrNameTaken);
    EXPECT_EQ(ReadText(dir / "a.txt"), "keep") << "a taken name changes nothing";

    struct BadName {
        const char* label;
        std::vector<UniChar> units;
    };
    const BadName bad[] = {
        {"empty", {}},
        {"dot", {'.'}},
        {"dot dot", {'.', '.'}},
        {"slash", {'a', '/', 'b'}},
        {"NUL", {'a', 0, 'b'}},
        {"unpaired surrogate", {'a', 0xD800}},
        {"too long in UTF-8", std::vector<UniChar>(200, 0x00E9)},
    };
    for (const BadName& b : bad) {
        SCOPED_TRACE(b.label);
        EXPECT_EQ(FSCreateFileUnicode(&root, static_cast<UniCharCount>(b.units.size()),
                                      b.units.data(), 0, nullptr, nullptr, nullptr),
                  kErrBadName);
    }
    FSRef fileRef = RefOf(dir / "a.txt");
    EXPECT_EQ(CreateFile(fileRef, "x"), kErrNotAFolder);
}

// A new file is made only in a folder reached without links; when it cannot
// be made, the parent decides the status.
TEST_F(ObjectsTest, CreateChecksTheParentOnlyToExplainAFailure) {
    FSRef sub{};
    ASSERT_EQ(CreateDir(root, "sub", &sub), kNoErr);
    ASSERT_EQ(symlink("sub", (dir / "via").c_str()), 0);
    FSRef gone = sub;
    std::strcat(gone.path, "/missing");
    FSRef throughLink = sub;
    std::strcpy(throughLink.path, (dir / "via").c_str());
    FSRef inside = throughLink;
    ASSERT_EQ(mkdir((dir / "sub/deeper").c_str(), 0755), 0);
    std::strcat(inside.path, "/deeper");
    struct Case {
        const char* label;
        const FSRef* parent;
        const char* name;
        OSErr expected;
    };
    const Case cases[] = {
        {"missing parent", &gone, "x", kErrFolderNotFound},
        {"missing parent beats a bad name", &gone, "a/b", kErrFolderNotFound},
        {"parent is a link", &throughLink, "x", kErrNotAFolder},
        {"a link on the way to the parent", &inside, "x", kErrParam},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(CreateFile(*c.parent, c.name), c.expected);
    }
    EXPECT_FALSE(Exists(dir / "sub/x")) << "nothing is made through a link";
    EXPECT_FALSE(Exists(dir / "sub/deeper/x")) << "nothing is made through a link";
}

TEST_F(ObjectsTest, CreateAppliesCatalogInfoAndUndoesAFailedApply) {
    FSCatalogInfo info{};
    info.permissions.userID = geteuid();
    info.permissions.groupID = getegid();
    info.permissions.mode = 0751;
    info.finderInfo.fileType = 0x627A7920;
    FSRef folder{};
    HFSUniStr255 name = Name("made");
    std::uint32_t dirID = 0;
    ASSERT_EQ(FSCreateDirectoryUnicode(&root, name.length, name.unicode,
                                       kCatInfoPermissions | kCatInfoFinderInfo, &info, &folder,
                                       nullptr, &dirID),
              kNoErr);
    struct stat st;
    ASSERT_EQ(stat(folder.path, &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0751u);
    EXPECT_NE(dirID, 0u);

    // When applying the information fails (an empty file cannot become a
    // link: it names no target), no half-made object stays behind.
    FSCatalogInfo linkInfo{};
    linkInfo.finderInfo.fileType = kSymLinkFileType;
    linkInfo.finderInfo.fileCreator = kSymLinkCreator;
    EXPECT_EQ(CreateFile(root, "empty-link", nullptr, kCatInfoFinderInfo, &linkInfo), kErrParam);
    EXPECT_FALSE(Exists(dir / "empty-link"));
}

// A new file is born with the mode it is given; where the umask takes bits
// away, they are put back.
TEST_F(ObjectsTest, NewFileGetsItsModeWhateverTheUmask) {
    struct Case {
        mode_t umask;
        mode_t mode;
    };
    const Case cases[] = {{022, 0744}, {022, 0755}, {077, 0755}, {0, 0600}, {027, 04711}};
    int index = 0;
    for (const Case& c : cases) {
        FSCatalogInfo info{};
        info.permissions.userID = geteuid();
        info.permissions.groupID = getegid();
        info.permissions.mode = static_cast<std::uint16_t>(c.mode);
        const mode_t saved = umask(c.umask);
        FSRef made{};
        const OSErr err =
            CreateFile(root, "m" + std::to_string(index++), &made, kCatInfoPermissions, &info);
        umask(saved);
        ASSERT_EQ(err, kNoErr);
        struct stat st;
        ASSERT_EQ(lstat(made.path, &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode) << "umask " << std::oct << c.umask;
    }
}

int OpenDescriptorCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

// The first opening of a new file's data fork for writing uses the
// descriptor of the creation: the data goes into the file that was created,
// even when another process has put a different file under its name since.
// Calls that remove, rename or create objects, or set information, let the
// kept descriptor go.
TEST_F(ObjectsTest, NewFileIsWrittenThroughItsCreationDescriptor) {
    FSRef scratch{};  // lets go of a descriptor kept from earlier tests
    ASSERT_EQ(CreateFile(root, "scratch", &scratch), kNoErr);
    ASSERT_EQ(FSDeleteObject(&scratch), kNoErr);
    const int before = OpenDescriptorCount();
    FSRef made{};
    ASSERT_EQ(CreateFile(root, "new", &made), kNoErr);
    ASSERT_EQ(rename((dir / "new").c_str(), (dir / "moved-away").c_str()), 0);
    WriteText(dir / "new", "someone else's");
    FSIORefNum fork = 0;
    ASSERT_EQ(FSOpenFork(&made, 0, nullptr, kFSWritePerm, &fork), kNoErr);
    EXPECT_EQ(FSWriteFork(fork, kFSFromStart, 0, 4, "ours", nullptr), kNoErr);
    EXPECT_EQ(FSCloseFork(fork), kNoErr);
    EXPECT_EQ(ReadText(dir / "moved-away"), "ours");
    EXPECT_EQ(ReadText(dir / "new"), "someone else's");
    EXPECT_EQ(OpenDescriptorCount(), before);

    // Taken once only: the next opening goes by the name.
    ASSERT_EQ(FSOpenFork(&made, 0, nullptr, kFSWritePerm, &fork), kNoErr);
    EXPECT_EQ(FSWriteFork(fork, kFSFromStart, 0, 2, "by", nullptr), kNoErr);
    EXPECT_EQ(FSCloseFork(fork), kNoErr);
    EXPECT_EQ(ReadText(dir / "new"), "bymeone else's");

    // Not taken for reading, nor for another file; let go by the calls that
    // change names or information.
    struct Case {
        const char* name;
        std::function<void(const FSRef&)> call;
    };
    const Case cases[] = {
        {"opened for reading",
         [](const FSRef& file) {
             FSIORefNum reader = 0;
             ASSERT_EQ(FSOpenFork(&file, 0, nullptr, kFSReadPerm, &reader), kNoErr);
             EXPECT_EQ(FSCloseFork(reader), kNoErr);
         }},
        {"set information",
         [](const FSRef& file) {
             FSCatalogInfo info{};
             info.permissions.userID = geteuid();
             info.permissions.groupID = getegid();
             info.permissions.mode = 0640;
             EXPECT_EQ(FSSetCatalogInfo(&file, kCatInfoPermissions, &info), kNoErr);
         }},
        {"deleted", [](const FSRef& file) { EXPECT_EQ(FSDeleteObject(&file), kNoErr); }},
        {"renamed",
         [](const FSRef& file) {
             HFSUniStr255 other = Name("renamed");
             EXPECT_EQ(FSRenameUnicode(&file, other.length, other.unicode, 0, nullptr), kNoErr);
         }},
        {"folder created",
         [this](const FSRef&) { EXPECT_EQ(CreateDir(root, "another-folder"), kNoErr); }},
    };
    for (const Case& c : cases) {
        FSRef file{};
        ASSERT_EQ(CreateFile(root, "case", &file), kNoErr) << c.name;
        EXPECT_EQ(OpenDescriptorCount(), before + 1) << c.name;
        c.call(file);
        const bool readOnly = std::string(c.name) == "opened for reading";
        EXPECT_EQ(OpenDescriptorCount(), before + (readOnly ? 1 : 0)) << c.name;
        (void)unlink((dir / "case").c_str());
        (void)unlink((dir / "renamed").c_str());
        (void)rmdir((dir / "another-folder").c_str());
    }
    FSRef last{};
    ASSERT_EQ(CreateFile(root, "last", &last), kNoErr);
    EXPECT_EQ(FSDeleteObject(&last), kNoErr);
    EXPECT_EQ(OpenDescriptorCount(), before);
}

// Setting the Finder information of a file just created keeps the extended
// Finder information it was created with (the record is known without
// reading it back), and reads the record when the name has been given to
// another file since.
TEST_F(ObjectsTest, NewFileFinderInfoIsMergedWithWhatItCarries) {
    struct Case {
        const char* name;
        std::uint8_t extByte;      // first extended byte at the creation; 0: none
        bool replacedBy;           // another file with extended byte 0x77 takes the name
        std::uint8_t expectedExt;  // 0: no record left
    };
    const Case cases[] = {
        {"plain", 0, false, 0},
        {"extended", 0x42, false, 0x42},
        {"replaced", 0x42, true, 0x77},
    };
    for (const Case& c : cases) {
        FSCatalogInfo info{};
        info.finderInfo.fileType = 0x627A7920;
        info.extFinderInfo.bytes[0] = c.extByte;
        FSRef made{};
        ASSERT_EQ(CreateFile(root, c.name, &made, kCatInfoFinderInfo | kCatInfoFinderXInfo, &info),
                  kNoErr)
            << c.name;
        if (c.replacedBy) {
            const std::string other = dir / "other";
            WriteText(other, "");
            unsigned char blob[32] = {'T', 'E', 'X', 'T'};
            blob[16] = 0x77;
            ASSERT_EQ(setxattr(other.c_str(), "user.zorvane.finderinfo", blob, sizeof blob, 0), 0);
            ASSERT_EQ(rename(other.c_str(), made.path), 0);
        }
        FSCatalogInfo plain{};
        ASSERT_EQ(FSSetCatalogInfo(&made, kCatInfoFinderInfo, &plain), kNoErr) << c.name;
        unsigned char stored[32] = {};
        const ssize_t n = getxattr(made.path, "user.zorvane.finderinfo", stored, sizeof stored);
        if (c.expectedExt == 0) {
            EXPECT_LT(n, 0) << c.name;
        } else {
            ASSERT_EQ(n, 32) << c.name;
            EXPECT_EQ(std::memcmp(stored, "\0\0\0\0", 4), 0) << c.name << ": the type is cleared";
            EXPECT_EQ(stored[16], c.expectedExt) << c.name;
        }
    }
}

TEST_F(ObjectsTest, DeleteFilesLinksAndOnlyEmptyFolders) {
    FSRef sub{};
    FSRef inner{};
    ASSERT_EQ(CreateDir(root, "sub", &sub), kNoErr);
    ASSERT_EQ(CreateFile(sub, "inner", &inner), kNoErr);
    ASSERT_EQ(symlink("sub", (dir / "link").c_str()), 0);
    FSRef link = RefOf(dir / "link");
    EXPECT_EQ(FSDeleteObject(&sub), kErrBusy);
    EXPECT_EQ(FSDeleteObject(&link), kNoErr);
    EXPECT_TRUE(Exists(dir / "sub/inner")) << "deleting a link leaves its target";
    EXPECT_EQ(FSDeleteObject(&inner), kNoErr);
    EXPECT_EQ(FSDeleteObject(&inner), kErrNotFound);
    EXPECT_EQ(FSDeleteObject(&sub), kNoErr);
    EXPECT_FALSE(Exists(dir / "sub"));
}

TEST_F(ObjectsTest, MoveNeverReplaces) {
    FSRef a{};
    FSRef b{};
    FSRef file{};
    ASSERT_EQ(CreateDir(root, "a", &a), kNoErr);
    ASSERT_EQ(CreateDir(root, "b", &b), kNoErr);
    ASSERT_EQ(CreateFile(a, "f", &file), kNoErr);
    WriteText(dir / "a/f", "moved");
    WriteText(dir / "b/f", "kept");
    EXPECT_EQ(FSMoveObject(&file, &b, nullptr), kErrNameTaken);
    EXPECT_EQ(ReadText(dir / "b/f"), "kept");
    unlink((dir / "b/f").c_str());
    FSRef moved{};
    ASSERT_EQ(FSMoveObject(&file, &b, &moved), kNoErr);
    EXPECT_STREQ(moved.path, (dir / "b/f").c_str());
    EXPECT_EQ(ReadText(dir / "b/f"), "moved");
    EXPECT_FALSE(Exists(dir / "a/f"));

    FSRef same{};
    EXPECT_EQ(FSMoveObject(&moved, &b, &same), kNoErr) << "into its own folder";
    EXPECT_STREQ(same.path, moved.path);
    FSRef inA{};
    ASSERT_EQ(CreateDir(a, "deeper", &inA), kNoErr);
    EXPECT_EQ(FSMoveObject(&a, &inA, nullptr), kErrBadMove);
    EXPECT_EQ(FSMoveObject(&a, &moved, nullptr), kErrNotAFolder);
    FSRef shm{};
    if (FSPathMakeRef("/dev/shm", &shm, nullptr) == kNoErr &&
        FSCompareFSRefs(&shm, &root) == kErrDifferentVolumes) {
        EXPECT_EQ(FSMoveObject(&moved, &shm, nullptr), kErrDifferentVolumes);
        EXPECT_TRUE(Exists(dir / "b/f"));
    }
}

TEST_F(ObjectsTest, RenameNeverReplaces) {
    FSRef one{};
    FSRef two{};
    ASSERT_EQ(CreateFile(root, "one", &one), kNoErr);
    ASSERT_EQ(CreateFile(root, "two", &two), kNoErr);
    HFSUniStr255 taken = Name("two");
    EXPECT_EQ(FSRenameUnicode(&one, taken.length, taken.unicode, kTextEncodingUnknown, nullptr),
              kErrNameTaken);
    EXPECT_TRUE(Exists(dir / "one"));
    HFSUniStr255 fresh = Name("\xC3\xA9t\xC3\xA9");
    FSRef renamed{};
    ASSERT_EQ(FSRenameUnicode(&one, fresh.length, fresh.unicode, 0, &renamed), kNoErr);
    EXPECT_STREQ(renamed.path, (dir / "\xC3\xA9t\xC3\xA9").c_str());
    HFSUniStr255 same = Name("\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(FSRenameUnicode(&renamed, same.length, same.unicode, 0, nullptr), kNoErr);
    HFSUniStr255 slash = Name("x/y");
    EXPECT_EQ(FSRenameUnicode(&renamed, slash.length, slash.unicode, 0, nullptr), kErrBadName);
}

class ForksTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteText(dir / "f", "0123456789");
        ASSERT_EQ(setxattr((dir / "f").c_str(), "user.rsrc", "RES", 3, 0), 0);
        ASSERT_EQ(setxattr((dir / "f").c_str(), "user.zorvane.finderinfo",
                           std::string(32, 'x').data(), 32, 0),
                  0);
        file = RefOf(dir / "f");
    }
    ScratchDir dir;
    FSRef file{};
};

TEST_F(ForksTest, DataForkFirstThenUserAttributesButNotOurOwn) {
    ForkIterator it{};
    std::vector<std::pair<std::string, std::int64_t>> forks;
    HFSUniStr255 name{};
    std::int64_t size = 0;
    OSErr err;
    while ((err = FSIterateForks(&file, &it, &name, &size, nullptr)) == kNoErr) {
        forks.emplace_back(name.length == 0 ? "" : Utf8(name), size);
    }
    EXPECT_EQ(err, kErrNoMoreItems);
    ASSERT_EQ(forks.size(), 2u);
    EXPECT_EQ(forks[0], std::make_pair(std::string(), std::int64_t{10}));
    EXPECT_EQ(forks[1], std::make_pair(std::string("rsrc"), std::int64_t{3}));

    FSRef folder = RefOf(dir.path());
    ForkIterator folderIt{};
    EXPECT_EQ(FSIterateForks(&folder, &folderIt, nullptr, nullptr, nullptr), kErrNoMoreItems)
        << "a folder has no data fork";
}

TEST_F(ForksTest, ReadsAndWritesAtOffsets) {
    FSIORefNum fork = 0;
    ASSERT_EQ(FSOpenFork(&file, 0, nullptr, kFSReadWritePerm, &fork), kNoErr);
    char buffer[16] = {};
    std::uint32_t got = 0;
    EXPECT_EQ(FSReadFork(fork, kFSFromStart | kFSNoCacheMask, 3, 4, buffer, &got), kNoErr);
    EXPECT_EQ(std::string(buffer, got), "3456");
    EXPECT_EQ(FSReadFork(fork, kFSAtMark, 0, 2, buffer, &got), kNoErr);
    EXPECT_EQ(std::string(buffer, got), "78") << "reading moves the position";
    EXPECT_EQ(FSReadFork(fork, kFSFromStart, 8, 5, buffer, &got), kErrEOF);
    EXPECT_EQ(std::string(buffer, got), "89") << "a short read gives what was there";

    EXPECT_EQ(FSWriteFork(fork, kFSFromStart, 12, 2, "AB", &got), kNoErr);
    std::int64_t size = 0;
    EXPECT_EQ(FSGetForkSize(fork, &size), kNoErr);
    EXPECT_EQ(size, 14);
    EXPECT_EQ(FSSetForkSize(fork, kFSFromStart, 5), kNoErr);
    std::uint64_t reserved = 0;
    EXPECT_EQ(FSAllocateFork(fork, kFSAllocNoRoundUp, kFSFromStart, 0, 1 << 20, &reserved), kNoErr);
    EXPECT_EQ(FSGetForkSize(fork, &size), kNoErr);
    EXPECT_EQ(size, 5) << "reserving space keeps the logical size";
    EXPECT_EQ(FSCloseFork(fork), kNoErr);
    EXPECT_EQ(FSCloseFork(fork), kErrBadForkRef);
    EXPECT_EQ(ReadText(dir / "f"), "01234");
}

TEST_F(ForksTest, PermissionsOfAnOpenAreKept) {
    FSIORefNum reader = 0;
    ASSERT_EQ(FSOpenFork(&file, 0, nullptr, kFSReadPerm, &reader), kNoErr);
    EXPECT_EQ(FSWriteFork(reader, kFSFromStart, 0, 1, "x", nullptr), kErrWritePermission);
    EXPECT_EQ(FSSetForkSize(reader, kFSFromStart, 0), kErrWritePermission);
    EXPECT_EQ(FSCloseFork(reader), kNoErr);
    FSIORefNum writer = 0;
    ASSERT_EQ(FSOpenFork(&file, 0, nullptr, kFSWritePerm, &writer), kNoErr);
    char c;
    EXPECT_EQ(FSReadFork(writer, kFSFromStart, 0, 1, &c, nullptr), kErrAccessDenied);
    EXPECT_EQ(FSCloseFork(writer), kNoErr);
    EXPECT_EQ(FSOpenFork(&file, 0, nullptr, 0, &writer), kErrParam);
}

TEST_F(ForksTest, AttributeForksBehaveLikeSmallFiles) {
    HFSUniStr255 rsrc = Name("rsrc");
    EXPECT_EQ(FSCreateFork(&file, rsrc.length, rsrc.unicode), kErrForkExists);
    EXPECT_EQ(FSCreateFork(&file, 0, nullptr), kNoErr) << "the data fork always exists";
    HFSUniStr255 extra = Name("extra");
    FSIORefNum fork = 0;
    EXPECT_EQ(FSOpenFork(&file, extra.length, extra.unicode, kFSReadPerm, &fork), kErrForkNotFound);
    ASSERT_EQ(FSCreateFork(&file, extra.length, extra.unicode), kNoErr);
    ASSERT_EQ(FSOpenFork(&file, extra.length, extra.unicode, kFSReadWritePerm, &fork), kNoErr);
    EXPECT_EQ(FSWriteFork(fork, kFSFromStart, 2, 3, "xyz", nullptr), kNoErr);
    EXPECT_EQ(FSSetForkSize(fork, kFSFromStart, 4), kNoErr);
    char buffer[8] = {};
    std::uint32_t got = 0;
    EXPECT_EQ(FSReadFork(fork, kFSFromStart, 0, 8, buffer, &got), kErrEOF);
    EXPECT_EQ(std::string(buffer, got), std::string("\0\0xy", 4));
    EXPECT_EQ(FSCloseFork(fork), kNoErr);

    HFSUniStr255 own = Name("zorvane.busy");
    EXPECT_EQ(FSCreateFork(&file, own.length, own.unicode), kErrBadName);
    EXPECT_EQ(FSDeleteFork(&file, extra.length, extra.unicode), kNoErr);
    EXPECT_EQ(FSDeleteFork(&file, extra.length, extra.unicode), kErrForkNotFound);
}

// An attribute fork reads the value it was opened with; a write stores the
// whole patched value.
TEST_F(ForksTest, AnAttributeForkKeepsTheValueItWasOpenedWith) {
    HFSUniStr255 rsrc = Name("rsrc");
    FSIORefNum reader = 0;
    ASSERT_EQ(FSOpenFork(&file, rsrc.length, rsrc.unicode, kFSReadPerm, &reader), kNoErr);
    ASSERT_EQ(setxattr(file.path, "user.rsrc", "CHANGED", 7, 0), 0);
    char buffer[16] = {};
    std::uint32_t got = 0;
    EXPECT_EQ(FSReadFork(reader, kFSFromStart, 0, sizeof buffer, buffer, &got), kErrEOF);
    EXPECT_EQ(std::string(buffer, got), "RES");
    std::int64_t size = 0;
    EXPECT_EQ(FSGetForkSize(reader, &size), kNoErr);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(FSCloseFork(reader), kNoErr);

    FSIORefNum writer = 0;
    ASSERT_EQ(FSOpenFork(&file, rsrc.length, rsrc.unicode, kFSReadWritePerm, &writer), kNoErr);
    EXPECT_EQ(FSWriteFork(writer, kFSFromStart, 4, 2, "ab", nullptr), kNoErr);
    char stored[16] = {};
    ASSERT_EQ(getxattr(file.path, "user.rsrc", stored, sizeof stored), 7);
    EXPECT_EQ(std::string(stored, 7), "CHANabD");
    EXPECT_EQ(FSDeleteFork(&file, rsrc.length, rsrc.unicode), kNoErr);
    EXPECT_EQ(FSWriteFork(writer, kFSFromStart, 0, 1, "z", nullptr), kErrForkNotFound)
        << "a write never brings back a fork that was deleted";
    EXPECT_EQ(FSCloseFork(writer), kNoErr);
}

// Space is reserved in advance only for large requests; either way the
// logical size stays.
TEST_F(ForksTest, SpaceIsReservedOnlyForLargeRequests) {
    struct Case {
        std::uint64_t request;
        bool reserved;
    };
    const Case cases[] = {
        {1, false}, {4096, false}, {(1 << 20) - 1, false}, {1 << 20, true}, {3 << 20, true}};
    int index = 0;
    for (const Case& c : cases) {
        const std::string path = dir / ("space" + std::to_string(index++));
        WriteText(path, "");
        FSRef ref = RefOf(path);
        FSIORefNum fork = 0;
        ASSERT_EQ(FSOpenFork(&ref, 0, nullptr, kFSWritePerm, &fork), kNoErr);
        std::uint64_t actual = 99;
        EXPECT_EQ(FSAllocateFork(fork, kFSAllocNoRoundUp, kFSFromStart, 0, c.request, &actual),
                  kNoErr);
        EXPECT_EQ(FSCloseFork(fork), kNoErr);
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_size, 0) << c.request;
        if (!c.reserved) {
            EXPECT_EQ(actual, 0u) << c.request;
            EXPECT_EQ(st.st_blocks, 0) << c.request;
        } else if (actual != 0) {  // 0: this file system cannot reserve
            EXPECT_EQ(actual, c.request);
            EXPECT_GE(static_cast<std::uint64_t>(st.st_blocks) * 512, c.request);
        }
    }
}

// Opening a data fork never opens anything but a regular file or a link's
// text, and never blocks on a FIFO.
TEST_F(ForksTest, DataForkOfOtherObjectsIsRefused) {
    ASSERT_EQ(mkdir((dir / "folder").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    ASSERT_EQ(symlink(".", (dir / "here").c_str()), 0);
    FSRef missing = file;
    std::strcat(missing.path, "-gone");
    FSRef throughLink = file;
    std::strcpy(throughLink.path, (dir / "here/f").c_str());
    const FSRef folder = RefOf(dir / "folder");
    const FSRef fifo = RefOf(dir / "fifo");
    struct Case {
        const char* label;
        const FSRef* ref;
        std::int8_t permissions;
        OSErr expected;
    };
    const Case cases[] = {
        {"folder, read", &folder, kFSReadPerm, kErrNotAFile},
        {"folder, write", &folder, kFSWritePerm, kErrNotAFile},
        {"FIFO, read", &fifo, kFSReadPerm, kErrParam},
        {"FIFO, write", &fifo, kFSWritePerm, kErrParam},
        {"missing", &missing, kFSReadPerm, kErrNotFound},
        {"a link on the way", &throughLink, kFSReadPerm, kErrParam},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FSIORefNum fork = 0;
        EXPECT_EQ(FSOpenFork(c.ref, 0, nullptr, c.permissions, &fork), c.expected);
        EXPECT_EQ(fork, 0);
    }
}

// A folder's forks are its attributes alone, however far the listing goes.
TEST_F(ForksTest, FolderForksAreItsAttributes) {
    ASSERT_EQ(mkdir((dir / "folder").c_str(), 0755), 0);
    ASSERT_EQ(setxattr((dir / "folder").c_str(), "user.one", "1", 1, 0), 0);
    ASSERT_EQ(setxattr((dir / "folder").c_str(), "user.two", "22", 2, 0), 0);
    const FSRef folder = RefOf(dir / "folder");
    ForkIterator it{};
    std::set<std::pair<std::string, std::int64_t>> forks;
    HFSUniStr255 name{};
    std::int64_t size = 0;
    OSErr err;
    while ((err = FSIterateForks(&folder, &it, &name, &size, nullptr)) == kNoErr) {
        forks.emplace(Utf8(name), size);
    }
    EXPECT_EQ(err, kErrNoMoreItems);
    const std::set<std::pair<std::string, std::int64_t>> expected = {{"one", 1}, {"two", 2}};
    EXPECT_EQ(forks, expected);

    ForkIterator again{};
    ASSERT_EQ(FSIterateForks(&folder, &again, nullptr, nullptr, nullptr), kNoErr);
    ASSERT_EQ(rmdir((dir / "folder").c_str()), 0);
    EXPECT_EQ(FSIterateForks(&folder, &again, nullptr, nullptr, nullptr), kErrNotFound)
        << "a folder gone in the middle of the listing";
}

TEST_F(ForksTest, LinkDataForkIsItsTargetAndReadOnly) {
    ASSERT_EQ(symlink("some/target", (dir / "l").c_str()), 0);
    FSRef link = RefOf(dir / "l");
    FSIORefNum fork = 0;
    EXPECT_EQ(FSOpenFork(&link, 0, nullptr, kFSWritePerm, &fork), kErrAccessDenied);
    ASSERT_EQ(FSOpenFork(&link, 0, nullptr, kFSReadPerm, &fork), kNoErr);
    char buffer[32] = {};
    std::uint32_t got = 0;
    EXPECT_EQ(FSReadFork(fork, kFSFromStart, 0, 11, buffer, &got), kNoErr);
    EXPECT_EQ(std::string(buffer, got), "some/target");
    EXPECT_EQ(FSCloseFork(fork), kNoErr);
}

class IterateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < kEntries; ++i) {
            WriteText(dir / std::string("e").append(std::to_string(i)), "x");
        }
        ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
        folder = RefOf(dir.path());
    }
    static constexpr int kEntries = 23;
    ScratchDir dir;
    FSRef folder{};
};

TEST_F(IterateTest, BatchesEndWithNoMoreItems) {
    for (std::uint32_t flags : {kFSIterateFlat, kFSIterateDelete}) {
        SCOPED_TRACE(flags);
        FSIterator it = nullptr;
        ASSERT_EQ(FSOpenIterator(&folder, flags, &it), kNoErr);
        std::set<std::string> seen;
        OSErr err = kNoErr;
        int folders = 0;
        while (err == kNoErr) {
            FSRef refs[10];
            HFSUniStr255 names[10];
            FSCatalogInfo infos[10];
            std::uint32_t count = 0;
            err = FSGetCatalogInfoBulk(it, 10, &count, nullptr, kCatInfoNodeFlags, infos, refs,
                                       nullptr, names);
            ASSERT_LE(count, 10u);
            for (std::uint32_t i = 0; i < count; ++i) {
                seen.insert(Utf8(names[i]));
                EXPECT_EQ(std::string(refs[i].path), dir / Utf8(names[i]));
                folders += (infos[i].nodeFlags & kNodeIsDirectory) ? 1 : 0;
            }
        }
        EXPECT_EQ(err, kErrNoMoreItems);
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(kEntries + 1));
        EXPECT_EQ(folders, 1);
        EXPECT_EQ(FSCloseIterator(it), kNoErr);
    }
    FSRef file = RefOf(dir / "e0");
    FSIterator it = nullptr;
    EXPECT_EQ(FSOpenIterator(&file, kFSIterateFlat, &it), kErrNotAFolder);
}

TEST_F(IterateTest, DeletingWalkSkipsNothing) {
    // Add enough entries that readdir would span several buffers.
    for (int i = 0; i < 600; ++i) {
        WriteText(dir / ("long-name-entry-" + std::to_string(i) + std::string(40, 'q')), "");
    }
    FSIterator it = nullptr;
    ASSERT_EQ(FSOpenIterator(&folder, kFSIterateDelete, &it), kNoErr);
    OSErr err = kNoErr;
    int deleted = 0;
    while (err == kNoErr) {
        FSRef ref;
        std::uint32_t count = 0;
        err = FSGetCatalogInfoBulk(it, 1, &count, nullptr, 0, nullptr, &ref, nullptr, nullptr);
        if (count == 1) {
            ASSERT_EQ(FSDeleteObject(&ref), kNoErr);
            ++deleted;
        }
    }
    EXPECT_EQ(err, kErrNoMoreItems);
    EXPECT_EQ(FSCloseIterator(it), kNoErr);
    EXPECT_EQ(deleted, kEntries + 1 + 600);
    FSCatalogInfo info{};
    ASSERT_EQ(FSGetCatalogInfo(&folder, kCatInfoValence, &info, nullptr, nullptr, nullptr), kNoErr);
    EXPECT_EQ(info.valence, 0u);
}

}  // namespace
