// Shared helpers: errno mapping, path pieces, name checks, the volume table.
#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/internal.h"
#include "platform/names.h"

namespace zv_platform_detail {

OSErr StatusFromErrno(int error) {
    switch (error) {
        case 0:
            return kNoErr;
        case ENOENT:
            return kErrNotFound;
        case EEXIST:
            return kErrNameTaken;
        case ENOTEMPTY:
        case EBUSY:
        case ETXTBSY:
            return kErrBusy;
        case ENOTDIR:
            return kErrNotAFolder;
        case EISDIR:
            return kErrNotAFile;
        case EACCES:
        case EPERM:
            return kErrAccessDenied;
        case EROFS:
            return kErrReadOnlyVolume;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
        case E2BIG:
            return kErrDiskFull;
        case ENAMETOOLONG:
            return kErrBadName;
        case EXDEV:
            return kErrDifferentVolumes;
        case ENOMEM:
            return kErrNoMemory;
        case EMFILE:
        case ENFILE:
            return kErrTooManyOpen;
        case EBADF:
            return kErrBadForkRef;
        case EINVAL:
        case ELOOP:
            return kErrParam;
        default:
            return kErrIO;
    }
}

OSErr SetRefPath(FSRef* ref, const std::string& path) {
    if (path.empty() || path.size() > kMaxPath) {
        return kErrBadName;
    }
    std::memcpy(ref->path, path.c_str(), path.size() + 1);
    return kNoErr;
}

OSErr StatRef(const FSRef* ref, struct stat* st) {
    if (ref == nullptr || ref->path[0] != '/' ||
        std::memchr(ref->path, '\0', sizeof ref->path) == nullptr) {
        return kErrParam;
    }
    if (lstat(ref->path, st) != 0) {
        int error = errno;
        return error == ENOTDIR ? kErrNotFound : StatusFromErrno(error);
    }
    return kNoErr;
}

namespace {

void CopyStatx(const struct statx& sx, ObjectStat* out) {
    struct stat& st = out->st;
    std::memset(&st, 0, sizeof st);
    st.st_dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    st.st_ino = sx.stx_ino;
    st.st_mode = sx.stx_mode;
    st.st_nlink = sx.stx_nlink;
    st.st_uid = sx.stx_uid;
    st.st_gid = sx.stx_gid;
    st.st_rdev = makedev(sx.stx_rdev_major, sx.stx_rdev_minor);
    st.st_size = static_cast<off_t>(sx.stx_size);
    st.st_blksize = static_cast<blksize_t>(sx.stx_blksize);
    st.st_blocks = static_cast<blkcnt_t>(sx.stx_blocks);
    st.st_atim = {static_cast<time_t>(sx.stx_atime.tv_sec),
                  static_cast<long>(sx.stx_atime.tv_nsec)};
    st.st_mtim = {static_cast<time_t>(sx.stx_mtime.tv_sec),
                  static_cast<long>(sx.stx_mtime.tv_nsec)};
    st.st_ctim = {static_cast<time_t>(sx.stx_ctime.tv_sec),
                  static_cast<long>(sx.stx_ctime.tv_nsec)};
    out->lockKnown = (sx.stx_attributes_mask & STATX_ATTR_IMMUTABLE) != 0;
    out->locked = out->lockKnown && (sx.stx_attributes & STATX_ATTR_IMMUTABLE) != 0;
    out->mountId = (sx.stx_mask & STATX_MNT_ID) != 0 ? sx.stx_mnt_id : 0;
    out->hasBirth = (sx.stx_mask & STATX_BTIME) != 0;
    out->birth = {static_cast<time_t>(sx.stx_btime.tv_sec),
                  static_cast<long>(sx.stx_btime.tv_nsec)};
}

}  // namespace

int StatObjectAt(int dirFd, const char* path, bool wantBirth, ObjectStat* out) {
    struct statx sx;
    unsigned mask = STATX_BASIC_STATS | (wantBirth ? STATX_BTIME : 0u);
    if (statx(dirFd, path, AT_SYMLINK_NOFOLLOW, mask, &sx) != 0) {
        return -1;
    }
    CopyStatx(sx, out);
    if (!wantBirth) {
        out->hasBirth = false;
    }
    return 0;
}

int StatObjectFd(int fd, ObjectStat* out) {
    struct statx sx;
    if (statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &sx) != 0) {
        return -1;
    }
    CopyStatx(sx, out);
    out->hasBirth = false;
    return 0;
}

OSErr StatRefObject(const FSRef* ref, bool wantBirth, ObjectStat* out) {
    if (ref == nullptr || ref->path[0] != '/' ||
        std::memchr(ref->path, '\0', sizeof ref->path) == nullptr) {
        return kErrParam;
    }
    if (StatObjectAt(AT_FDCWD, ref->path, wantBirth, out) != 0) {
        int error = errno;
        return error == ENOTDIR ? kErrNotFound : StatusFromErrno(error);
    }
    return kNoErr;
}

OSErr NameToUtf8(const UniChar* name, UniCharCount length, std::string* out) {
    if (name == nullptr && length > 0) {
        return kErrParam;
    }
    if (length == 0 || length > 255) {
        return kErrBadName;
    }
    char buffer[256 * 3 + 4];
    long bytes = Utf16ToUtf8(name, length, buffer, sizeof buffer);
    if (bytes <= 0 || bytes > 255) {
        return kErrBadName;
    }
    if (std::memchr(buffer, '/', bytes) != nullptr || std::memchr(buffer, '\0', bytes) != nullptr ||
        std::strcmp(buffer, ".") == 0 || std::strcmp(buffer, "..") == 0) {
        return kErrBadName;
    }
    out->assign(buffer, static_cast<std::size_t>(bytes));
    return kNoErr;
}

OSErr JoinChild(const char* parent, const std::string& name, std::string* out) {
    std::string joined = parent;
    if (joined.empty() || joined.back() != '/') {
        joined += '/';
    }
    joined += name;
    if (joined.size() > kMaxPath) {
        return kErrBadName;
    }
    *out = std::move(joined);
    return kNoErr;
}

OSErr SiblingPath(const std::string& path, const UniChar* name, UniCharCount length,
                  std::string* out) {
    std::string utf8;
    OSErr err = NameToUtf8(name, length, &utf8);
    if (err != kNoErr) {
        return err;
    }
    return JoinChild(ParentPath(path).c_str(), utf8, out);
}

std::string ParentPath(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

std::string LastComponent(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::uint32_t NodeIdFromInode(ino_t inode) {
    auto value = static_cast<std::uint64_t>(inode);
    auto id = static_cast<std::uint32_t>(value ^ (value >> 32));
    return id <= 2 ? (id | 0x80000000u) : id;
}

namespace {

struct VolumeEntry {
    dev_t device;
    std::string root;  // a folder of the volume, ideally its mount point
};

std::mutex g_volumeMutex;
std::vector<VolumeEntry> g_volumes;

// Walks up from path while the parent lies on the same device.
std::string FindVolumeRoot(dev_t device, std::string path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        path = ParentPath(path);
    }
    while (path != "/") {
        std::string parent = ParentPath(path);
        if (lstat(parent.c_str(), &st) != 0 || st.st_dev != device) {
            break;
        }
        path = parent;
    }
    return path;
}

}  // namespace

FSVolumeRefNum VolumeForDevice(dev_t device, const std::string& anyPath) {
    std::lock_guard<std::mutex> lock(g_volumeMutex);
    for (std::size_t i = 0; i < g_volumes.size(); ++i) {
        if (g_volumes[i].device == device) {
            return static_cast<FSVolumeRefNum>(-1 - static_cast<int>(i));
        }
    }
    if (g_volumes.size() >= 32000) {
        return 0;
    }
    g_volumes.push_back({device, FindVolumeRoot(device, anyPath)});
    return static_cast<FSVolumeRefNum>(-static_cast<int>(g_volumes.size()));
}

bool VolumeRootPath(FSVolumeRefNum volume, std::string* root) {
    std::lock_guard<std::mutex> lock(g_volumeMutex);
    int index = -1 - static_cast<int>(volume);
    if (volume >= 0 || index >= static_cast<int>(g_volumes.size())) {
        return false;
    }
    *root = g_volumes[index].root;
    return true;
}

bool IsImmutable(const std::string& path) {
    struct statx sx;
    if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, 0, &sx) != 0) {
        return false;
    }
    return (sx.stx_attributes_mask & STATX_ATTR_IMMUTABLE) != 0 &&
           (sx.stx_attributes & STATX_ATTR_IMMUTABLE) != 0;
}

}  // namespace zv_platform_detail
