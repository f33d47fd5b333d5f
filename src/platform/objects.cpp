// Creating, deleting, moving and renaming objects.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/CreatedFileSlot.h"
#include "platform/OpenNoSymlinks.h"
#include "platform/files.h"
#include "platform/internal.h"

using namespace zv_platform_detail;

namespace {

// The status of parentRef as the parent of a new object: 0 for a folder.
OSErr CheckParent(const FSRef* parentRef) {
    struct stat st;
    OSErr err = StatRef(parentRef, &st);
    if (err != kNoErr) {
        return err == kErrNotFound ? kErrFolderNotFound : err;
    }
    return S_ISDIR(st.st_mode) ? kNoErr : kErrNotAFolder;
}

// The path of a new child of parentRef, whose parent is not looked at.
OSErr ChildPath(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                std::string* path) {
    if (parentRef->path[0] != '/' ||
        std::memchr(parentRef->path, '\0', sizeof parentRef->path) == nullptr) {
        return kErrParam;
    }
    std::string utf8;
    OSErr err = NameToUtf8(name, nameLength, &utf8);
    if (err != kNoErr) {
        return err;
    }
    return JoinChild(parentRef->path, utf8, path);
}

// The path of a new child of parentRef; the parent must be a folder.
OSErr NewChildPath(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                   std::string* path) {
    if (parentRef == nullptr) {
        return kErrParam;
    }
    OSErr err = CheckParent(parentRef);
    if (err != kNoErr) {
        return err;
    }
    return ChildPath(parentRef, nameLength, name, path);
}

// Creates the new file (mode as for open) without following any link; the
// parent is looked at only when that fails, for the status to give, which is
// then the one NewChildPath and the create would have given together.
int CreateFileNoSymlinks(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                         mode_t mode, std::string* path, OSErr* err) {
    if (parentRef == nullptr) {
        *err = kErrParam;
        return -1;
    }
    *err = ChildPath(parentRef, nameLength, name, path);
    int fd = -1;
    if (*err == kNoErr) {
        fd = OpenNoSymlinks(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            mode);
        if (fd >= 0) {
            return fd;
        }
        *err = StatusFromErrno(errno);
    }
    OSErr parentErr = CheckParent(parentRef);
    if (parentErr != kNoErr) {
        *err = parentErr;
    }
    return -1;
}

// Hands out the outputs of a creation that succeeded (err 0, object is the
// new object's statx); removes the new object again when it failed.
OSErr FinishCreate(const std::string& path, bool isFolder, OSErr err, const ObjectStat& object,
                   FSRef* newRef, FSSpec* newSpec, std::uint32_t* newDirID) {
    if (err != kNoErr) {
        if (IsImmutable(path)) {
            FSCatalogInfo unlock{};
            ApplyCatalogInfo(path, kCatInfoNodeFlags, unlock);
        }
        isFolder ? rmdir(path.c_str()) : unlink(path.c_str());
        return err;
    }
    if (newRef != nullptr) {
        SetRefPath(newRef, path);
    }
    if (newSpec != nullptr) {
        FillSpec(path, object.st, newSpec);
    }
    if (newDirID != nullptr) {
        FSCatalogInfo info{};
        ReadCatalogInfo(ObjectPlace{path.c_str(), AT_FDCWD, path.c_str(), geteuid(), nullptr},
                        object, kCatInfoNodeID, &info);
        *newDirID = info.nodeID;
    }
    return kNoErr;
}

// EPERM on a locked object reads as "locked".
OSErr StatusForChange(int error, const std::string& path) {
    if (error == EPERM && IsImmutable(path)) {
        return kErrLocked;
    }
    return StatusFromErrno(error);
}

// rename() that never replaces an existing object.
int RenameNoReplace(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return -1;
    }
    // File systems without RENAME_NOREPLACE: check, then rename (not atomic).
    struct stat st;
    if (lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return rename(from, to);
}

}  // namespace

OSErr FSCreateFileUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                          FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo,
                          FSRef* newRef, FSSpec* newSpec) {
    ZV_FAULT_POINT(FSCreateFileUnicode);
    if ((whichInfo & kCatInfoSettableInfo) != 0 && catalogInfo == nullptr) {
        return kErrParam;
    }
    std::string path;
    OSErr err;
    // Born with its permission bits where they are given (the umask may take
    // some away; they are put right through the descriptor below).
    mode_t mode = (whichInfo & kCatInfoPermissions) ? (catalogInfo->permissions.mode & 0777) : 0666;
    int fd = CreateFileNoSymlinks(parentRef, nameLength, name, mode, &path, &err);
    if (fd < 0) {
        return err;
    }
    // The information goes on through the descriptor of the new file.
    ObjectStat object;
    err = StatObjectFd(fd, &object) == 0 ? kNoErr : StatusFromErrno(errno);
    FSCatalogInfoBitmap which = whichInfo & kCatInfoSettableInfo;
    KnownFinder finder;  // a new file carries no Finder record
    bool finderKnown = true;
    if (err == kNoErr && which != 0) {
        err = ApplyCatalogInfoToNewFile(fd, path, &object, which, *catalogInfo, &finder,
                                        &finderKnown);
    }
    if (err == kNoErr && finderKnown) {
        CreatedFileSlot::RememberFinder(path, object.st, finder);
    }
    // The file's data is usually written next: keep the descriptor for that,
    // unless the file is now locked or its owner may not write it.
    const bool locked = (which & kCatInfoNodeFlags) && (catalogInfo->nodeFlags & kNodeLocked);
    const mode_t finalMode =
        (which & kCatInfoPermissions) ? catalogInfo->permissions.mode : object.st.st_mode;
    if (err == kNoErr && !locked && (finalMode & S_IWUSR) != 0) {
        CreatedFileSlot::Keep(fd, path);
    } else {
        close(fd);
    }
    return FinishCreate(path, false, err, object, newRef, newSpec, nullptr);
}

OSErr FSCreateDirectoryUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                               FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo,
                               FSRef* newRef, FSSpec* newSpec, std::uint32_t* newDirID) {
    ZV_FAULT_POINT(FSCreateDirectoryUnicode);
    CreatedFileSlot::Forget();
    if ((whichInfo & kCatInfoSettableInfo) != 0 && catalogInfo == nullptr) {
        return kErrParam;
    }
    std::string path;
    OSErr err = NewChildPath(parentRef, nameLength, name, &path);
    if (err != kNoErr) {
        return err;
    }
    mode_t mode = (whichInfo & kCatInfoPermissions) ? 0700 : 0777;
    if (mkdir(path.c_str(), mode) != 0) {
        return StatusFromErrno(errno);
    }
    ObjectStat object;
    err =
        StatObjectAt(AT_FDCWD, path.c_str(), false, &object) == 0 ? kNoErr : StatusFromErrno(errno);
    FSCatalogInfoBitmap which = whichInfo & kCatInfoSettableInfo;
    if (err == kNoErr && which != 0) {
        err = ApplyCatalogInfoTo(path, &object, which, *catalogInfo);
    }
    return FinishCreate(path, true, err, object, newRef, newSpec, newDirID);
}

OSErr FSDeleteObject(const FSRef* ref) {
    ZV_FAULT_POINT(FSDeleteObject);
    CreatedFileSlot::Forget();
    struct stat st;
    OSErr err = StatRef(ref, &st);
    if (err != kNoErr) {
        return err;
    }
    int rc = S_ISDIR(st.st_mode) ? rmdir(ref->path) : unlink(ref->path);
    if (rc != 0) {
        int error = errno;
        return error == EEXIST ? kErrBusy : StatusForChange(error, ref->path);
    }
    return kNoErr;
}

OSErr FSMoveObject(const FSRef* ref, const FSRef* destDirectory, FSRef* newRef) {
    ZV_FAULT_POINT(FSMoveObject);
    CreatedFileSlot::Forget();
    struct stat st;
    struct stat dest;
    OSErr err = StatRef(ref, &st);
    if (err == kNoErr) {
        err = StatRef(destDirectory, &dest);
    }
    if (err != kNoErr) {
        return err;
    }
    if (!S_ISDIR(dest.st_mode)) {
        return kErrNotAFolder;
    }
    std::string from = ref->path;
    if (from == "/") {
        return kErrParam;
    }
    std::string to;
    err = JoinChild(destDirectory->path, LastComponent(from), &to);
    if (err != kNoErr) {
        return err;
    }
    struct stat parent;
    bool sameFolder = lstat(ParentPath(from).c_str(), &parent) == 0 &&
                      parent.st_dev == dest.st_dev && parent.st_ino == dest.st_ino;
    if (!sameFolder && RenameNoReplace(from.c_str(), to.c_str()) != 0) {
        int error = errno;
        return error == EINVAL ? kErrBadMove : StatusForChange(error, from);
    }
    if (newRef != nullptr) {
        SetRefPath(newRef, sameFolder ? from : to);
    }
    return kNoErr;
}

OSErr FSRenameUnicode(const FSRef* ref, UniCharCount nameLength, const UniChar* name,
                      TextEncoding /*textEncodingHint*/, FSRef* newRef) {
    ZV_FAULT_POINT(FSRenameUnicode);
    CreatedFileSlot::Forget();
    struct stat st;
    OSErr err = StatRef(ref, &st);
    if (err != kNoErr) {
        return err;
    }
    std::string from = ref->path;
    if (from == "/") {
        return kErrParam;
    }
    std::string to;
    err = SiblingPath(from, name, nameLength, &to);
    if (err != kNoErr) {
        return err;
    }
    if (to != from && RenameNoReplace(from.c_str(), to.c_str()) != 0) {
        return StatusForChange(errno, from);
    }
    if (newRef != nullptr) {
        SetRefPath(newRef, to);
    }
    return kNoErr;
}
