// References: resolving paths, writing them back, name lookups, identity.
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/internal.h"

using namespace zv_platform_detail;

namespace {

// realpath() as a status; ENOTDIR on the way counts as "not there".
OSErr RealPath(const std::string& path, std::string* out) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) {
        int error = errno;
        return error == ENOTDIR ? kErrNotFound : StatusFromErrno(error);
    }
    *out = resolved;
    return kNoErr;
}

// The canonical absolute path of the object at path. The last component is
// not followed unless the path ends in "/" (then it must be a folder).
OSErr CanonicalPath(const char* path, std::string* out) {
    std::string text = path;
    bool trailingSlash = text.size() > 1 && text.back() == '/';
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    std::string last = LastComponent(text);
    if (trailingSlash || text == "/" || last == "." || last == "..") {
        OSErr err = RealPath(text + (trailingSlash ? "/" : ""), out);
        if (err != kNoErr) {
            return err;
        }
    } else {
        std::size_t slash = text.rfind('/');
        std::string folder = slash == std::string::npos ? "." : text.substr(0, slash + 1);
        std::string resolvedFolder;
        OSErr err = RealPath(folder, &resolvedFolder);
        if (err != kNoErr) {
            return err;
        }
        err = JoinChild(resolvedFolder.c_str(), last, out);
        if (err != kNoErr) {
            return err;
        }
        struct stat st;
        if (lstat(out->c_str(), &st) != 0) {
            int error = errno;
            return error == ENOTDIR ? kErrNotFound : StatusFromErrno(error);
        }
    }
    return out->size() > kMaxPath ? kErrBadName : kNoErr;
}

}  // namespace

OSErr FSPathMakeRef(const char* path, FSRef* ref, bool* isDirectory) {
    ZV_FAULT_POINT(FSPathMakeRef);
    if (path == nullptr || ref == nullptr) {
        return kErrParam;
    }
    std::size_t length = std::strlen(path);
    if (length == 0 || length > kMaxPath) {
        return kErrBadName;
    }
    std::string canonical;
    OSErr err = CanonicalPath(path, &canonical);
    if (err != kNoErr) {
        return err;
    }
    struct stat st;
    if (lstat(canonical.c_str(), &st) != 0) {
        return StatusFromErrno(errno);
    }
    err = SetRefPath(ref, canonical);
    if (err == kNoErr && isDirectory != nullptr) {
        *isDirectory = S_ISDIR(st.st_mode);
    }
    return err;
}

OSErr FSRefMakePath(const FSRef* ref, char* path, std::uint32_t maxPathSize) {
    ZV_FAULT_POINT(FSRefMakePath);
    if (ref == nullptr || path == nullptr) {
        return kErrParam;
    }
    const void* end = std::memchr(ref->path, '\0', sizeof ref->path);
    if (end == nullptr || ref->path[0] != '/') {
        return kErrParam;
    }
    std::size_t length = static_cast<const char*>(end) - ref->path;
    if (length + 1 > maxPathSize) {
        if (maxPathSize > 0) {
            path[0] = '\0';
        }
        return kErrParam;
    }
    std::memcpy(path, ref->path, length + 1);
    return kNoErr;
}

OSErr FSMakeFSRefUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                         TextEncoding /*textEncodingHint*/, FSRef* newRef) {
    ZV_FAULT_POINT(FSMakeFSRefUnicode);
    if (parentRef == nullptr || newRef == nullptr) {
        return kErrParam;
    }
    struct stat st;
    OSErr err = StatRef(parentRef, &st);
    if (err != kNoErr) {
        return err;
    }
    if (!S_ISDIR(st.st_mode)) {
        return kErrNotAFolder;
    }
    std::string utf8;
    std::string child;
    err = NameToUtf8(name, nameLength, &utf8);
    if (err == kNoErr) {
        err = JoinChild(parentRef->path, utf8, &child);
    }
    if (err != kNoErr) {
        return err;
    }
    if (lstat(child.c_str(), &st) != 0) {
        return StatusFromErrno(errno);
    }
    return SetRefPath(newRef, child);
}

OSErr FSCompareFSRefs(const FSRef* ref1, const FSRef* ref2) {
    ZV_FAULT_POINT(FSCompareFSRefs);
    if (ref1 == nullptr || ref2 == nullptr) {
        return kErrParam;
    }
    struct stat a;
    struct stat b;
    OSErr err = StatRef(ref1, &a);
    if (err == kNoErr) {
        err = StatRef(ref2, &b);
    }
    if (err != kNoErr) {
        return err;
    }
    if (a.st_dev != b.st_dev) {
        return kErrDifferentVolumes;
    }
    return a.st_ino == b.st_ino ? kNoErr : kErrDifferentObjects;
}

OSErr FSpMakeFSRef(const FSSpec* fsSpec, FSRef* ref) {
    ZV_FAULT_POINT(FSpMakeFSRef);
    if (fsSpec == nullptr || ref == nullptr) {
        return kErrParam;
    }
    struct stat st;
    OSErr err = StatRef(&fsSpec->ref, &st);
    if (err != kNoErr) {
        return err;
    }
    *ref = fsSpec->ref;
    return kNoErr;
}
