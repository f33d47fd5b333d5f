// Private helpers shared by the platform sources. Not part of the interface.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/fault_injection.h"
#include "platform/types.h"

namespace zv_platform_detail {

// Maps the errno of a failed system call to a status.
OSErr StatusFromErrno(int error);

// Fails the calling platform function at once when a fault is injected.
#define ZV_FAULT_POINT(op)                                      \
    do {                                                        \
        OSErr zvFault_ = FaultInjection::Check(PlatformOp::op); \
        if (zvFault_ != kNoErr)                                 \
            return zvFault_;                                    \
    } while (0)

// Largest path an FSRef holds, without the NUL.
constexpr std::size_t kMaxPath = sizeof(FSRef::path) - 1;

// Our own extended attributes: never listed as forks.
constexpr const char kOwnAttrPrefix[] = "user.zorvane.";
constexpr const char kFinderInfoAttr[] = "user.zorvane.finderinfo";
constexpr const char kBusyMarkAttr[] = "user.zorvane.busy";
constexpr const char kUserAttrPrefix[] = "user.";

// Copies an absolute path into ref; -37 when it does not fit.
OSErr SetRefPath(FSRef* ref, const std::string& path);

// lstat of the reference's object; a status (-43 when gone).
OSErr StatRef(const FSRef* ref, struct stat* st);

// What one statx of an object tells: its lstat, its lock (the immutable
// flag) and, when asked for, its birth time.
struct ObjectStat {
    struct stat st;
    bool locked;
    bool lockKnown;         // the file system reports the immutable flag
    std::uint64_t mountId;  // 0 when the kernel does not tell
    bool hasBirth;
    struct timespec birth;
};

// statx of path relative to dirFd (AT_FDCWD for an absolute path), never
// following a link: 0, or -1 with errno set.
int StatObjectAt(int dirFd, const char* path, bool wantBirth, ObjectStat* out);

// statx of an open descriptor: 0, or -1 with errno set.
int StatObjectFd(int fd, ObjectStat* out);

// StatObjectAt of the reference's object; a status as StatRef gives.
OSErr StatRefObject(const FSRef* ref, bool wantBirth, ObjectStat* out);

// An object named by its absolute path and, for calls that can use it,
// relative to an open folder (dirFd AT_FDCWD and name the path when no
// folder is open). Lookups relative to the folder skip walking the path.
// What decides access to the children of an open folder, found out once per
// batch when first needed: whether the owner's rights can be read off the
// mode there (a local file system of a known kind) and the mount's flags.
struct FolderMount {
    bool looked = false;
    bool ownerBitsDecide = false;
    bool readOnly = false;
    bool noExec = false;
    std::uint64_t mountId = 0;
};

// euid is the caller's effective user, asked for once per batch of objects;
// mount is the open folder's (none when no folder is open).
struct ObjectPlace {
    const char* path;
    int dirFd;
    const char* name;
    uid_t euid;
    FolderMount* mount;
};

// Converts an object name to UTF-8 and checks it: -37 for empty, ".", "..",
// "/" or NUL inside, unpaired surrogates or more than 255 bytes.
OSErr NameToUtf8(const UniChar* name, UniCharCount length, std::string* out);

// parent + "/" + name; -37 when longer than kMaxPath.
OSErr JoinChild(const char* parent, const std::string& name, std::string* out);

// The path of the object called name in the folder that holds path; a
// status as NameToUtf8 and JoinChild give.
OSErr SiblingPath(const std::string& path, const UniChar* name, UniCharCount length,
                  std::string* out);

// The folder part of an absolute path ("/" for "/x" and for "/").
std::string ParentPath(const std::string& path);

// The last component of an absolute path (empty for "/").
std::string LastComponent(const std::string& path);

// Our inode-derived node number; volume roots are 2, their parent 1.
std::uint32_t NodeIdFromInode(ino_t inode);

// Volume number of a device; 0 when the table is full.
FSVolumeRefNum VolumeForDevice(dev_t device, const std::string& anyPath);

// The folder recorded for a volume number; false when unknown.
bool VolumeRootPath(FSVolumeRefNum volume, std::string* root);

// Our Finder record of an object as known without reading it: present (and
// then its 32 bytes) or absent.
struct KnownFinder {
    bool present = false;
    unsigned char blob[32] = {};
};

// Applies the settable catalogue fields to the object at path (shared by
// FSSetCatalogInfo and the create calls).
OSErr ApplyCatalogInfo(const std::string& path, FSCatalogInfoBitmap whichInfo,
                       const FSCatalogInfo& info);

// As ApplyCatalogInfo for an object whose statx the caller already has. When
// the object is replaced (a file that becomes a link), object is read again.
// A regular file's Finder record is read unless known is given.
OSErr ApplyCatalogInfoTo(const std::string& path, ObjectStat* object, FSCatalogInfoBitmap whichInfo,
                         const FSCatalogInfo& info, const KnownFinder* known = nullptr);

// ApplyCatalogInfoTo for a regular file that the caller has just created and
// holds open as fd: it carries no Finder information, lock or attributes yet,
// so nothing is read back and the writes go through the descriptor. stored
// tells the Finder record the file is left with, when it is still a regular
// file (not one turned into a link); stored->present is false otherwise.
OSErr ApplyCatalogInfoToNewFile(int fd, const std::string& path, ObjectStat* object,
                                FSCatalogInfoBitmap whichInfo, const FSCatalogInfo& info,
                                KnownFinder* stored, bool* storedKnown);

// Reads catalogue fields of the object at place (whose statx is object; it
// holds the birth time when the creation date is asked for).
OSErr ReadCatalogInfo(const ObjectPlace& place, const ObjectStat& object,
                      FSCatalogInfoBitmap whichInfo, FSCatalogInfo* info);

// Fills an FSSpec for the object at path.
void FillSpec(const std::string& path, const struct stat& st, FSSpec* fsSpec);

// True when the object at path carries the immutable flag.
bool IsImmutable(const std::string& path);

}  // namespace zv_platform_detail
