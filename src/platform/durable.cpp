// Flushing and replacing renames over POSIX: fsync and rename(2).
#include "platform/durable.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/CreatedFileSlot.h"
#include "platform/internal.h"

using namespace zv_platform_detail;

OSErr FSFlushObject(const FSRef* ref) {
    ZV_FAULT_POINT(FSFlushObject);
    if (ref == nullptr) {
        return kErrParam;
    }
    struct stat st;
    OSErr err = StatRef(ref, &st);
    if (err != kNoErr) {
        return err;
    }
    if (S_ISLNK(st.st_mode)) {
        return kErrParam;
    }
    // fsync through any descriptor of the inode writes all of its dirty data,
    // also what other descriptors wrote.
    const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (S_ISDIR(st.st_mode) ? O_DIRECTORY : 0);
    const int fd = open(ref->path, flags);
    if (fd < 0) {
        return StatusFromErrno(errno);
    }
    int error = 0;
    if (fsync(fd) != 0) {
        error = errno;
    }
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error == 0 ? kNoErr : StatusFromErrno(error);
}

OSErr FSRenameOverUnicode(const FSRef* ref, UniCharCount nameLength, const UniChar* name,
                          FSRef* newRef) {
    ZV_FAULT_POINT(FSRenameOverUnicode);
    CreatedFileSlot::Forget();
    if (ref == nullptr || name == nullptr) {
        return kErrParam;
    }
    struct stat st;
    OSErr err = StatRef(ref, &st);
    if (err != kNoErr) {
        return err;
    }
    if (S_ISDIR(st.st_mode)) {
        return kErrNotAFile;
    }
    const std::string from = ref->path;
    std::string to;
    err = SiblingPath(from, name, nameLength, &to);
    if (err != kNoErr) {
        return err;
    }
    struct stat existing;
    if (lstat(to.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        return kErrNameTaken;
    }
    if (to != from && std::rename(from.c_str(), to.c_str()) != 0) {
        return StatusFromErrno(errno);
    }
    if (newRef != nullptr) {
        SetRefPath(newRef, to);
    }
    return kNoErr;
}
