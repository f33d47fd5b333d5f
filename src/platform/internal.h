// Private helpers shared by the platform sources. Not part of the interface.
#pragma once

#include <sys/stat.h>

#include <cstddef>
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

// Converts an object name to UTF-8 and checks it: -37 for empty, ".", "..",
// "/" or NUL inside, unpaired surrogates or more than 255 bytes.
OSErr NameToUtf8(const UniChar* name, UniCharCount length, std::string* out);

// parent + "/" + name; -37 when longer than kMaxPath.
OSErr JoinChild(const char* parent, const std::string& name, std::string* out);

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

// Applies the settable catalogue fields to the object at path (shared by
// FSSetCatalogInfo and the create calls).
OSErr ApplyCatalogInfo(const std::string& path, FSCatalogInfoBitmap whichInfo,
                       const FSCatalogInfo& info);

// Reads catalogue fields of the object at path (whose lstat is st).
OSErr ReadCatalogInfo(const std::string& path, const struct stat& st, FSCatalogInfoBitmap whichInfo,
                      FSCatalogInfo* info);

// Fills an FSSpec for the object at path.
void FillSpec(const std::string& path, const struct stat& st, FSSpec* spec);

// True when the object at path carries the immutable flag.
bool IsImmutable(const std::string& path);

}  // namespace zv_platform_detail
