// Catalogue information: reading and writing an object's flags, dates,
// permissions and Finder information, and the busy mark.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/CreatedFileSlot.h"
#include "platform/dates.h"
#include "platform/files.h"
#include "platform/internal.h"
#include "platform/names.h"

namespace zv_platform_detail {

namespace {

void PutBE16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
}
void PutBE32(unsigned char* p, std::uint32_t v) {
    PutBE16(p, static_cast<std::uint16_t>(v >> 16));
    PutBE16(p + 2, static_cast<std::uint16_t>(v));
}
std::uint16_t GetBE16(const unsigned char* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
std::uint32_t GetBE32(const unsigned char* p) {
    return (static_cast<std::uint32_t>(GetBE16(p)) << 16) | GetBE16(p + 2);
}

// Finder information is stored as 32 big-endian bytes: the FinderInfo fields,
// then the 16 extended bytes.
constexpr std::size_t kFinderBlobSize = 32;

void EncodeFinder(const FinderInfo& fi, const ExtendedFinderInfo& xi, unsigned char* blob) {
    PutBE32(blob, fi.fileType);
    PutBE32(blob + 4, fi.fileCreator);
    PutBE16(blob + 8, fi.finderFlags);
    PutBE16(blob + 10, static_cast<std::uint16_t>(fi.locationV));
    PutBE16(blob + 12, static_cast<std::uint16_t>(fi.locationH));
    PutBE16(blob + 14, fi.reservedField);
    std::memcpy(blob + 16, xi.bytes, 16);
}

void DecodeFinder(const unsigned char* blob, FinderInfo* fi, ExtendedFinderInfo* xi) {
    fi->fileType = GetBE32(blob);
    fi->fileCreator = GetBE32(blob + 4);
    fi->finderFlags = GetBE16(blob + 8);
    fi->locationV = static_cast<std::int16_t>(GetBE16(blob + 10));
    fi->locationH = static_cast<std::int16_t>(GetBE16(blob + 12));
    fi->reservedField = GetBE16(blob + 14);
    std::memcpy(xi->bytes, blob + 16, 16);
}

// Our Finder information of an object as it is stored: no record, a valid
// record (blob), or anything else (a damaged record, or no way to read it).
struct StoredFinder {
    enum { kAbsent, kValid, kOther } record = kOther;
    unsigned char blob[kFinderBlobSize] = {};
    FinderInfo fi{};
    ExtendedFinderInfo xi{};
};

// Reads our Finder information of the object; all zero when it has none.
void ReadFinder(const std::string& path, bool isLink, StoredFinder* stored) {
    *stored = StoredFinder{};
    if (isLink) {
        stored->fi.fileType = kSymLinkFileType;
        stored->fi.fileCreator = kSymLinkCreator;
        return;
    }
    ssize_t n = lgetxattr(path.c_str(), kFinderInfoAttr, stored->blob, sizeof stored->blob);
    if (n == static_cast<ssize_t>(sizeof stored->blob)) {
        stored->record = StoredFinder::kValid;
        DecodeFinder(stored->blob, &stored->fi, &stored->xi);
    } else if (n < 0 && errno == ENODATA) {
        stored->record = StoredFinder::kAbsent;
    }
    if (stored->record != StoredFinder::kValid) {
        std::memset(stored->blob, 0, sizeof stored->blob);
    }
}

// The stored record as known without reading it.
void StoredFinderOf(const KnownFinder& known, StoredFinder* stored) {
    *stored = StoredFinder{};
    if (!known.present) {
        stored->record = StoredFinder::kAbsent;
        return;
    }
    stored->record = StoredFinder::kValid;
    std::memcpy(stored->blob, known.blob, sizeof stored->blob);
    DecodeFinder(stored->blob, &stored->fi, &stored->xi);
}

bool ReadBusyMark(const std::string& path, UTCDateTime* date) {
    unsigned char raw[8];
    if (lgetxattr(path.c_str(), kBusyMarkAttr, raw, sizeof raw) != 8) {
        return false;
    }
    date->highSeconds = GetBE16(raw);
    date->lowSeconds = GetBE32(raw + 2);
    date->fraction = GetBE16(raw + 6);
    return true;
}

bool MayAccess(const ObjectPlace& place, int mode) {
    return faccessat(place.dirFd, place.name, mode, AT_EACCESS) == 0;
}

// File systems on which the kernel itself decides access by the mode (and
// access lists), with no server or daemon to ask.
bool IsLocalKind(__fsword_t type) {
    constexpr __fsword_t kExt = 0xEF53;
    constexpr __fsword_t kXfs = 0x58465342;
    constexpr __fsword_t kBtrfs = 0x9123683E;
    constexpr __fsword_t kTmpfs = 0x01021994;
    constexpr __fsword_t kF2fs = static_cast<__fsword_t>(0xF2F52010);
    return type == kExt || type == kXfs || type == kBtrfs || type == kTmpfs || type == kF2fs;
}

void LookAtFolderMount(int dirFd, FolderMount* mount) {
    mount->looked = true;
    struct statfs fs;
    struct statx sx;
    if (fstatfs(dirFd, &fs) != 0 || statx(dirFd, "", AT_EMPTY_PATH, STATX_MNT_ID, &sx) != 0 ||
        (sx.stx_mask & STATX_MNT_ID) == 0) {
        return;
    }
    mount->ownerBitsDecide = IsLocalKind(fs.f_type);
    mount->readOnly = (fs.f_flags & ST_RDONLY) != 0;
    mount->noExec = (fs.f_flags & ST_NOEXEC) != 0;
    mount->mountId = sx.stx_mnt_id;
}

// True when the owner bits of the mode already show that the caller has the
// wanted rights (R_OK, W_OK and X_OK are the bits' own values). For the owner
// the kernel checks just those bits (an access list keeps the owner's entry
// there); beyond them a read-only mount or an immutable object refuses
// writing, and a mount without execution refuses running a file. So this
// answers only for the owner of an object with a known lock, on the local
// file system of the open folder; false means the kernel has to be asked.
bool OwnerBitsGrant(const ObjectPlace& place, const ObjectStat& object, int wanted) {
    const struct stat& st = object.st;
    if (place.mount == nullptr || st.st_uid != place.euid || !object.lockKnown || object.locked) {
        return false;
    }
    if (!place.mount->looked) {
        LookAtFolderMount(place.dirFd, place.mount);
    }
    const FolderMount& mount = *place.mount;
    if (!mount.ownerBitsDecide || mount.mountId == 0 || object.mountId != mount.mountId ||
        ((wanted & W_OK) && mount.readOnly) ||
        ((wanted & X_OK) && mount.noExec && !S_ISDIR(st.st_mode))) {
        return false;
    }
    const int ownerBits = static_cast<int>((st.st_mode >> 6) & 7);
    return (ownerBits & wanted) == wanted;
}

// The rights that are probably granted are asked for in one check (or read
// off the mode); only when that fails is each of them asked for alone.
// Execution is asked for with them only when some execute bit is set (or for
// a folder).
std::uint8_t UserAccessBits(const ObjectPlace& place, const ObjectStat& object) {
    const struct stat& st = object.st;
    std::uint8_t bits = st.st_uid == place.euid ? 0 : kUserAccessNotOwner;
    if (S_ISLNK(st.st_mode)) {
        return bits;
    }
    const bool likelyExec = S_ISDIR(st.st_mode) || (st.st_mode & 0111) != 0;
    const int likely = R_OK | W_OK | (likelyExec ? X_OK : 0);
    const bool allLikely = OwnerBitsGrant(place, object, likely) || MayAccess(place, likely);
    if (!allLikely && !MayAccess(place, R_OK)) {
        bits |= kUserAccessNoRead;
    }
    if (!allLikely && !MayAccess(place, W_OK)) {
        bits |= kUserAccessNoWrite;
    }
    // A regular file with no execute bit at all is executable by no one (the
    // administrator included, and an access list cannot grant it past the
    // mask that the group bits show): no need to ask.
    const bool noOneExecutes = S_ISREG(st.st_mode) && (st.st_mode & 0111) == 0;
    if (!(allLikely && likelyExec) && (noOneExecutes || !MayAccess(place, X_OK))) {
        bits |= kUserAccessNoSearch;
    }
    return bits;
}

bool IsVolumeRoot(const std::string& path, const struct stat& st) {
    if (path == "/") {
        return true;
    }
    struct stat parent;
    return lstat(ParentPath(path).c_str(), &parent) != 0 || parent.st_dev != st.st_dev;
}

std::uint32_t NodeId(const std::string& path, const struct stat& st) {
    return IsVolumeRoot(path, st) ? 2 : NodeIdFromInode(st.st_ino);
}

// The node ID of the folder that holds the object at path (whose lstat is
// st): 1 for a volume root, or when that folder cannot be looked at. The
// folder is looked at once, for both questions.
std::uint32_t ParentNodeId(const std::string& path, const struct stat& st) {
    if (path == "/") {
        return 1;
    }
    const std::string parentPath = ParentPath(path);
    struct stat parent;
    if (lstat(parentPath.c_str(), &parent) != 0 || parent.st_dev != st.st_dev) {
        return 1;
    }
    return NodeId(parentPath, parent);
}

std::uint32_t CountEntries(const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) {
        return 0;
    }
    std::uint32_t count = 0;
    while (struct dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            ++count;
        }
    }
    closedir(dir);
    return count;
}

void ReadDatesAndFlags(const std::string& path, const ObjectStat& object, FSCatalogInfoBitmap which,
                       FSCatalogInfo* info) {
    const struct stat& st = object.st;
    if (which & kCatInfoNodeFlags) {
        info->nodeFlags = S_ISDIR(st.st_mode) ? kNodeIsDirectory : 0;
        if (object.locked) {
            info->nodeFlags |= kNodeLocked;
        }
    }
    if (which & kCatInfoCreateDate) {
        info->createDate = UTCDateTime{};
        if (!ReadBusyMark(path, &info->createDate) && object.hasBirth) {
            info->createDate = UTCDateTimeFromTimespec(object.birth);
        }
    }
    if (which & kCatInfoContentMod) {
        info->contentModDate = UTCDateTimeFromTimespec(st.st_mtim);
    }
    if (which & kCatInfoAttrMod) {
        info->attributeModDate = UTCDateTimeFromTimespec(st.st_ctim);
    }
    if (which & kCatInfoAccessDate) {
        info->accessDate = UTCDateTimeFromTimespec(st.st_atim);
    }
    if (which & kCatInfoBackupDate) {
        info->backupDate = UTCDateTime{};
    }
}

}  // namespace

OSErr ReadCatalogInfo(const ObjectPlace& place, const ObjectStat& object, FSCatalogInfoBitmap which,
                      FSCatalogInfo* info) {
    const std::string path = place.path;
    const struct stat& st = object.st;
    if (which & kCatInfoTextEncoding) {
        info->textEncodingHint = kTextEncodingUTF8;
    }
    ReadDatesAndFlags(path, object, which, info);
    if (which & kCatInfoVolume) {
        info->volume = VolumeForDevice(st.st_dev, path);
    }
    if (which & kCatInfoParentDirID) {
        info->parentDirID = ParentNodeId(path, st);
    }
    if (which & kCatInfoNodeID) {
        info->nodeID = NodeId(path, st);
    }
    if (which & (kCatInfoPermissions | kCatInfoUserPrivs)) {
        std::uint8_t access = UserAccessBits(place, object);
        if (which & kCatInfoPermissions) {
            info->permissions = FSPermissionInfo{};
            info->permissions.userID = st.st_uid;
            info->permissions.groupID = st.st_gid;
            info->permissions.userAccess = access;
            info->permissions.mode = static_cast<std::uint16_t>(st.st_mode & 0xFFFF);
        }
        if (which & kCatInfoUserPrivs) {
            info->userPrivileges = access;
        }
    }
    if (which & (kCatInfoFinderInfo | kCatInfoFinderXInfo)) {
        StoredFinder stored;
        ReadFinder(path, S_ISLNK(st.st_mode), &stored);
        if (which & kCatInfoFinderInfo) {
            info->finderInfo = stored.fi;
        }
        if (which & kCatInfoFinderXInfo) {
            info->extFinderInfo = stored.xi;
        }
    }
    if (which & kCatInfoValence) {
        info->valence = S_ISDIR(st.st_mode) ? CountEntries(path) : 0;
    }
    if (which & kCatInfoDataSizes) {
        bool hasData = !S_ISDIR(st.st_mode) && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode));
        info->dataLogicalSize = hasData ? static_cast<std::uint64_t>(st.st_size) : 0;
        info->dataPhysicalSize = hasData ? static_cast<std::uint64_t>(st.st_blocks) * 512 : 0;
    }
    if (which & kCatInfoRsrcSizes) {
        info->rsrcLogicalSize = 0;
        info->rsrcPhysicalSize = 0;
    }
    if (which & kCatInfoSharingFlags) {
        info->sharingFlags = 0;
    }
    return kNoErr;
}

void FillSpec(const std::string& path, const struct stat& st, FSSpec* fsSpec) {
    std::memset(fsSpec, 0, sizeof *fsSpec);
    fsSpec->vRefNum = VolumeForDevice(st.st_dev, path);
    fsSpec->parID = ParentNodeId(path, st);
    std::string name = LastComponent(path);
    std::size_t length = name.size() > 63 ? 63 : name.size();
    fsSpec->name[0] = static_cast<unsigned char>(length);
    std::memcpy(fsSpec->name + 1, name.data(), length);
    SetRefPath(&fsSpec->ref, path);
}

namespace {

// Sets or clears the immutable inode flag. Only regular files and folders
// carry it.
OSErr SetImmutable(const std::string& path, bool locked) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return StatusFromErrno(errno);
    }
    int flags = 0;
    OSErr err = kNoErr;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        err = StatusFromErrno(errno == ENOTTY ? EOPNOTSUPP : errno);
    } else {
        int wanted = locked ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        if (wanted != flags && ioctl(fd, FS_IOC_SETFLAGS, &wanted) != 0) {
            err = StatusFromErrno(errno);
        }
    }
    close(fd);
    return err;
}

// Reads the whole data of a regular file that is to become a link's target.
OSErr ReadLinkTarget(const std::string& path, std::string* target) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return StatusFromErrno(errno);
    }
    char buffer[PATH_MAX + 1];
    std::size_t total = 0;
    OSErr err = kNoErr;
    for (;;) {
        ssize_t n = read(fd, buffer + total, sizeof buffer - total);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            err = StatusFromErrno(errno);
            break;
        }
        if (n == 0) {
            break;
        }
        total += static_cast<std::size_t>(n);
        if (total == sizeof buffer) {
            err = kErrParam;
            break;
        }
    }
    close(fd);
    if (err == kNoErr &&
        (total == 0 || total >= PATH_MAX || std::memchr(buffer, '\0', total) != nullptr)) {
        err = kErrParam;
    }
    if (err == kNoErr) {
        target->assign(buffer, total);
    }
    return err;
}

// Replaces the regular file at path by a link to its own contents.
OSErr ConvertToSymLink(const std::string& path) {
    std::string target;
    OSErr err = ReadLinkTarget(path, &target);
    if (err != kNoErr) {
        return err;
    }
    std::string temp;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = ParentPath(path) + "/.zv-link-" + std::to_string(getpid()) + "-" +
               std::to_string(attempt);
        if (temp.size() > kMaxPath) {
            return kErrBadName;
        }
        if (symlink(target.c_str(), temp.c_str()) == 0) {
            if (rename(temp.c_str(), path.c_str()) != 0) {
                err = StatusFromErrno(errno);
                unlink(temp.c_str());
                return err;
            }
            return kNoErr;
        }
        if (errno != EEXIST) {
            return StatusFromErrno(errno);
        }
    }
    return kErrNameTaken;
}

// Writes the Finder information over what the object stores (old); a record
// that would not change is not written again.
OSErr ApplyFinder(const std::string& path, const struct stat& st, bool* isLink,
                  const StoredFinder& old, const FinderInfo& fi, const ExtendedFinderInfo& xi) {
    if (*isLink) {
        return kNoErr;
    }
    bool becomesLink =
        S_ISREG(st.st_mode) && fi.fileType == kSymLinkFileType &&
        fi.fileCreator == kSymLinkCreator &&
        !(old.fi.fileType == kSymLinkFileType && old.fi.fileCreator == kSymLinkCreator);
    if (becomesLink) {
        OSErr err = ConvertToSymLink(path);
        if (err == kNoErr) {
            *isLink = true;
        }
        return err;
    }
    unsigned char blob[kFinderBlobSize];
    EncodeFinder(fi, xi, blob);
    static const unsigned char kZero[kFinderBlobSize] = {};
    const bool zero = std::memcmp(blob, kZero, sizeof blob) == 0;
    if ((zero && old.record == StoredFinder::kAbsent) ||
        (old.record == StoredFinder::kValid && std::memcmp(blob, old.blob, sizeof blob) == 0)) {
        return kNoErr;
    }
    int rc;
    if (zero) {
        rc = lremovexattr(path.c_str(), kFinderInfoAttr);
        if (rc != 0 && errno == ENODATA) {
            rc = 0;
        }
    } else {
        rc = lsetxattr(path.c_str(), kFinderInfoAttr, blob, sizeof blob, 0);
    }
    // A file system without extended attributes keeps no Finder information.
    if (rc != 0 && errno != ENOTSUP) {
        return StatusFromErrno(errno);
    }
    return kNoErr;
}

// chmod that never follows a link, even one put in place after the lstat
// that found a file or folder here: the kernel's fchmodat2 where it has one,
// else the library's emulation over /proc. Without either the object is
// changed by its path.
int ChmodNoFollow(const std::string& path, mode_t mode) {
    constexpr long kSysFchmodat2 = 452;  // the same number on every architecture
    if (syscall(kSysFchmodat2, AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0) {
        return 0;
    }
    if (errno != ENOSYS && errno != EOPNOTSUPP && errno != ENOTSUP) {
        return -1;
    }
    if (errno == ENOSYS && fchmodat(AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0) {
        return 0;
    }
    if (errno != EOPNOTSUPP && errno != ENOTSUP) {
        return -1;
    }
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        return -1;
    }
    if (S_ISLNK(st.st_mode)) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return fchmodat(AT_FDCWD, path.c_str(), mode, 0);
}

// st is the object's lstat from before; a chmod leaves its owner alone, and
// a mode the object already has is not set again.
OSErr ApplyPermissions(const std::string& path, bool isLink, const struct stat& st,
                       const FSPermissionInfo& perm) {
    if (!isLink && (st.st_mode & 07777) != (perm.mode & 07777) &&
        ChmodNoFollow(path, perm.mode & 07777) != 0) {
        return StatusFromErrno(errno);
    }
    if (st.st_uid == perm.userID && st.st_gid == perm.groupID) {
        return kNoErr;
    }
    if (lchown(path.c_str(), perm.userID, perm.groupID) != 0) {
        // Try the group alone (we may belong to it), then give up quietly.
        if (errno != EPERM ||
            (st.st_gid != perm.groupID &&
             lchown(path.c_str(), static_cast<uid_t>(-1), perm.groupID) != 0 && errno != EPERM)) {
            return StatusFromErrno(errno);
        }
    }
    // chown clears set-id bits; put the mode back when it still matters.
    if (!isLink && (perm.mode & 06000) && ChmodNoFollow(path, perm.mode & 07777) != 0) {
        return StatusFromErrno(errno);
    }
    return kNoErr;
}

OSErr ApplyTimes(const std::string& path, FSCatalogInfoBitmap which, const FSCatalogInfo& info) {
    struct timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_nsec = UTIME_OMIT;
    if (which & kCatInfoAccessDate) {
        struct timespec t;
        if (TimespecFromUTCDateTime(info.accessDate, &t)) {
            times[0] = t;
        }
    }
    if (which & kCatInfoContentMod) {
        struct timespec t;
        if (TimespecFromUTCDateTime(info.contentModDate, &t)) {
            times[1] = t;
        }
    }
    if (times[0].tv_nsec == UTIME_OMIT && times[1].tv_nsec == UTIME_OMIT) {
        return kNoErr;
    }
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        return StatusFromErrno(errno);
    }
    return kNoErr;
}

// ApplyPermissions through the open descriptor of a new regular file; a mode
// that the file was born with is not set again.
OSErr ApplyPermissionsFd(int fd, const struct stat& st, const FSPermissionInfo& perm) {
    if ((st.st_mode & 07777) != (perm.mode & 07777) && fchmod(fd, perm.mode & 07777) != 0) {
        return StatusFromErrno(errno);
    }
    if (st.st_uid == perm.userID && st.st_gid == perm.groupID) {
        return kNoErr;
    }
    if (fchown(fd, perm.userID, perm.groupID) != 0) {
        // Try the group alone (we may belong to it), then give up quietly.
        if (errno != EPERM ||
            (st.st_gid != perm.groupID && fchown(fd, static_cast<uid_t>(-1), perm.groupID) != 0 &&
             errno != EPERM)) {
            return StatusFromErrno(errno);
        }
    }
    // chown clears set-id bits; put the mode back when it still matters.
    if ((perm.mode & 06000) && fchmod(fd, perm.mode & 07777) != 0) {
        return StatusFromErrno(errno);
    }
    return kNoErr;
}

// Stores Finder information on a new regular file, which has none yet;
// stored tells what the file carries afterwards.
OSErr ApplyNewFinderFd(int fd, const FinderInfo& fi, const ExtendedFinderInfo& xi,
                       KnownFinder* stored) {
    static_assert(sizeof stored->blob == kFinderBlobSize);
    unsigned char blob[kFinderBlobSize];
    EncodeFinder(fi, xi, blob);
    static const unsigned char kZero[kFinderBlobSize] = {};
    *stored = KnownFinder{};
    if (std::memcmp(blob, kZero, sizeof blob) == 0) {
        return kNoErr;
    }
    if (fsetxattr(fd, kFinderInfoAttr, blob, sizeof blob, 0) == 0) {
        stored->present = true;
        std::memcpy(stored->blob, blob, sizeof blob);
        return kNoErr;
    }
    // A file system without extended attributes keeps no Finder information.
    return errno == ENOTSUP ? kNoErr : StatusFromErrno(errno);
}

}  // namespace

OSErr ApplyCatalogInfo(const std::string& path, FSCatalogInfoBitmap which,
                       const FSCatalogInfo& info) {
    ObjectStat object;
    if (StatObjectAt(AT_FDCWD, path.c_str(), false, &object) != 0) {
        return StatusFromErrno(errno);
    }
    return ApplyCatalogInfoTo(path, &object, which, info);
}

OSErr ApplyCatalogInfoTo(const std::string& path, ObjectStat* object, FSCatalogInfoBitmap which,
                         const FSCatalogInfo& info, const KnownFinder* known) {
    const struct stat st = object->st;
    bool isLink = S_ISLNK(st.st_mode);
    bool lockable = S_ISREG(st.st_mode) || S_ISDIR(st.st_mode);
    bool wantLock = (which & kCatInfoNodeFlags) && (info.nodeFlags & kNodeLocked);
    bool locked = lockable && object->locked;
    bool otherChanges = (which & (kCatInfoFinderInfo | kCatInfoFinderXInfo | kCatInfoPermissions |
                                  kCatInfoContentMod | kCatInfoAccessDate)) != 0;
    if (locked && (otherChanges || ((which & kCatInfoNodeFlags) && !wantLock))) {
        OSErr err = SetImmutable(path, false);
        if (err != kNoErr) {
            return err == kErrAccessDenied ? kErrLocked : err;
        }
        // Without a node-flags change the lock is put back afterwards.
        if (!(which & kCatInfoNodeFlags)) {
            wantLock = true;
        }
    }
    OSErr err = kNoErr;
    if (which & (kCatInfoFinderInfo | kCatInfoFinderXInfo)) {
        StoredFinder old;
        if (known != nullptr && S_ISREG(st.st_mode)) {
            StoredFinderOf(*known, &old);
        } else {
            ReadFinder(path, isLink, &old);
        }
        const FinderInfo& fi = (which & kCatInfoFinderInfo) ? info.finderInfo : old.fi;
        const ExtendedFinderInfo& xi = (which & kCatInfoFinderXInfo) ? info.extFinderInfo : old.xi;
        const bool wasLink = isLink;
        err = ApplyFinder(path, st, &isLink, old, fi, xi);
        if (err == kNoErr && isLink != wasLink &&
            StatObjectAt(AT_FDCWD, path.c_str(), false, object) != 0) {
            err = StatusFromErrno(errno);
        }
    }
    if (err == kNoErr && (which & kCatInfoPermissions)) {
        err = ApplyPermissions(path, isLink, object->st, info.permissions);
    }
    if (err == kNoErr) {
        err = ApplyTimes(path, which, info);
    }
    if (wantLock && !isLink && lockable) {
        // Where the file system or our rights do not allow it, a lock is not
        // kept; the object then reads as unlocked.
        SetImmutable(path, true);
    }
    return err;
}

OSErr ApplyCatalogInfoToNewFile(int fd, const std::string& path, ObjectStat* object,
                                FSCatalogInfoBitmap which, const FSCatalogInfo& info,
                                KnownFinder* stored, bool* storedKnown) {
    const bool becomesLink = (which & kCatInfoFinderInfo) &&
                             info.finderInfo.fileType == kSymLinkFileType &&
                             info.finderInfo.fileCreator == kSymLinkCreator;
    *stored = KnownFinder{};
    *storedKnown = false;
    if (object->locked || becomesLink || !S_ISREG(object->st.st_mode)) {
        return ApplyCatalogInfoTo(path, object, which, info);
    }
    OSErr err = kNoErr;
    if (which & (kCatInfoFinderInfo | kCatInfoFinderXInfo)) {
        const FinderInfo fi = (which & kCatInfoFinderInfo) ? info.finderInfo : FinderInfo{};
        const ExtendedFinderInfo xi =
            (which & kCatInfoFinderXInfo) ? info.extFinderInfo : ExtendedFinderInfo{};
        err = ApplyNewFinderFd(fd, fi, xi, stored);
    }
    *storedKnown = err == kNoErr;
    if (err == kNoErr && (which & kCatInfoPermissions)) {
        err = ApplyPermissionsFd(fd, object->st, info.permissions);
    }
    if (err == kNoErr) {
        err = ApplyTimes(path, which, info);
    }
    if (err == kNoErr && (which & kCatInfoNodeFlags) && (info.nodeFlags & kNodeLocked)) {
        // As elsewhere, a lock the file system does not allow is not kept.
        SetImmutable(path, true);
    }
    return err;
}

}  // namespace zv_platform_detail

using namespace zv_platform_detail;

OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef) {
    ZV_FAULT_POINT(FSGetCatalogInfo);
    if (ref == nullptr || (whichInfo != 0 && catalogInfo == nullptr)) {
        return kErrParam;
    }
    ObjectStat object;
    OSErr err = StatRefObject(ref, (whichInfo & kCatInfoCreateDate) != 0, &object);
    if (err != kNoErr) {
        return err;
    }
    const struct stat& st = object.st;
    std::string path = ref->path;
    HFSUniStr255 name{};
    if (outName != nullptr) {
        std::string last = path == "/" ? "/" : LastComponent(path);
        err = HFSUniStr255FromUtf8(last.c_str(), &name);
        if (err != kNoErr) {
            return kErrBadName;
        }
    }
    if (whichInfo != 0) {
        err = ReadCatalogInfo(ObjectPlace{path.c_str(), AT_FDCWD, path.c_str(), geteuid(), nullptr},
                              object, whichInfo, catalogInfo);
        if (err != kNoErr) {
            return err;
        }
    }
    if (outName != nullptr) {
        *outName = name;
    }
    if (fsSpec != nullptr) {
        FillSpec(path, st, fsSpec);
    }
    if (parentRef != nullptr) {
        SetRefPath(parentRef, ParentPath(path));
    }
    return kNoErr;
}

OSErr FSSetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo,
                       const FSCatalogInfo* catalogInfo) {
    ZV_FAULT_POINT(FSSetCatalogInfo);
    if (ref == nullptr || catalogInfo == nullptr) {
        return kErrParam;
    }
    ObjectStat object;
    OSErr err = StatRefObject(ref, false, &object);
    if (err != kNoErr) {
        return err;
    }
    // A file this thread has just created carries the Finder record it was
    // given then: no need to read it back.
    KnownFinder known;
    const bool isKnown = CreatedFileSlot::RecallFinder(ref->path, object.st, &known);
    CreatedFileSlot::Forget();
    return ApplyCatalogInfoTo(ref->path, &object, whichInfo & kCatInfoSettableInfo, *catalogInfo,
                              isKnown ? &known : nullptr);
}

OSErr FSSetBusyMark(const FSRef* ref, const UTCDateTime* date) {
    ZV_FAULT_POINT(FSSetBusyMark);
    if (ref == nullptr || date == nullptr) {
        return kErrParam;
    }
    struct stat st;
    OSErr err = StatRef(ref, &st);
    if (err != kNoErr) {
        return err;
    }
    unsigned char raw[8];
    PutBE16(raw, date->highSeconds);
    PutBE32(raw + 2, date->lowSeconds);
    PutBE16(raw + 6, date->fraction);
    if (lsetxattr(ref->path, kBusyMarkAttr, raw, sizeof raw, 0) != 0) {
        return errno == ENOTSUP ? kErrParam : StatusFromErrno(errno);
    }
    return kNoErr;
}

OSErr FSClearBusyMark(const FSRef* ref) {
    ZV_FAULT_POINT(FSClearBusyMark);
    if (ref == nullptr) {
        return kErrParam;
    }
    struct stat st;
    OSErr err = StatRef(ref, &st);
    if (err != kNoErr) {
        return err;
    }
    if (lremovexattr(ref->path, kBusyMarkAttr) != 0 && errno != ENODATA && errno != ENOTSUP) {
        return StatusFromErrno(errno);
    }
    return kNoErr;
}
