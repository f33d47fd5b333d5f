// Folder enumeration. A flat iterator reads names from the folder as they are
// fetched; a deleting iterator reads every name when it opens, so removing
// entries it already returned cannot make readdir skip others.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/OpenNoSymlinks.h"
#include "platform/files.h"
#include "platform/internal.h"
#include "platform/names.h"

using namespace zv_platform_detail;

struct FSIteratorRec {
    std::string path;
    DIR* dir = nullptr;              // flat: open until the end is reached
    std::vector<std::string> names;  // deleting: every name, read at open
    std::size_t position = 0;
    bool ended = false;

    ~FSIteratorRec() {
        if (dir != nullptr) {
            closedir(dir);
        }
    }
};

namespace {

bool IsDotName(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// The next name of the folder: 0 with a name, -1417 at the end, or a status.
OSErr NextName(FSIteratorRec* it, std::string* name) {
    if (it->dir == nullptr) {
        if (it->position >= it->names.size()) {
            return kErrNoMoreItems;
        }
        *name = it->names[it->position++];
        return kNoErr;
    }
    for (;;) {
        errno = 0;
        struct dirent* entry = readdir(it->dir);
        if (entry == nullptr) {
            if (errno != 0) {
                return StatusFromErrno(errno);
            }
            closedir(it->dir);
            it->dir = nullptr;
            it->position = it->names.size();
            return kErrNoMoreItems;
        }
        if (!IsDotName(entry->d_name)) {
            *name = entry->d_name;
            return kNoErr;
        }
    }
}

OSErr ReadAllNames(DIR* dir, std::vector<std::string>* names) {
    for (;;) {
        errno = 0;
        struct dirent* entry = readdir(dir);
        if (entry == nullptr) {
            return errno == 0 ? kNoErr : StatusFromErrno(errno);
        }
        if (!IsDotName(entry->d_name)) {
            names->emplace_back(entry->d_name);
        }
    }
}

}  // namespace

OSErr FSOpenIterator(const FSRef* container, std::uint32_t iteratorFlags, FSIterator* iterator) {
    ZV_FAULT_POINT(FSOpenIterator);
    if (iterator == nullptr) {
        return kErrParam;
    }
    struct stat st;
    OSErr err = StatRef(container, &st);
    if (err != kNoErr) {
        return err;
    }
    if (!S_ISDIR(st.st_mode)) {
        return kErrNotAFolder;
    }
    auto* it = new (std::nothrow) FSIteratorRec;
    if (it == nullptr) {
        return kErrNoMemory;
    }
    it->path = container->path;
    // The folder is never reached through a link, on the way or at the end.
    int fd = OpenNoSymlinks(container->path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    it->dir = fd < 0 ? nullptr : fdopendir(fd);
    if (it->dir == nullptr) {
        err = StatusFromErrno(errno);
        if (fd >= 0) {
            close(fd);
        }
        delete it;
        return err;
    }
    if (iteratorFlags & kFSIterateDelete) {
        err = ReadAllNames(it->dir, &it->names);
        closedir(it->dir);
        it->dir = nullptr;
        if (err != kNoErr) {
            delete it;
            return err;
        }
    }
    *iterator = it;
    return kNoErr;
}

OSErr FSCloseIterator(FSIterator iterator) {
    OSErr fault = FaultInjection::Check(PlatformOp::FSCloseIterator);
    if (iterator == nullptr) {
        return fault != kNoErr ? fault : kErrParam;
    }
    delete iterator;
    return fault;
}

OSErr FSGetCatalogInfoBulk(FSIterator iterator, std::uint32_t maximumObjects,
                           std::uint32_t* actualObjects, bool* containerChanged,
                           FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfos, FSRef* refs,
                           FSSpec* specs, HFSUniStr255* names) {
    ZV_FAULT_POINT(FSGetCatalogInfoBulk);
    if (iterator == nullptr || actualObjects == nullptr ||
        (whichInfo != 0 && catalogInfos == nullptr)) {
        return kErrParam;
    }
    *actualObjects = 0;
    if (containerChanged != nullptr) {
        *containerChanged = false;
    }
    OSErr err = kNoErr;
    std::uint32_t count = 0;
    const uid_t euid = geteuid();
    FolderMount mount;
    while (count < maximumObjects) {
        std::string name;
        err = NextName(iterator, &name);
        if (err != kNoErr) {
            break;
        }
        std::string path;
        err = JoinChild(iterator->path.c_str(), name, &path);
        if (err != kNoErr) {
            break;
        }
        // A flat iterator's open folder names the child without a walk of
        // the whole path.
        const ObjectPlace place =
            iterator->dir != nullptr
                ? ObjectPlace{path.c_str(), dirfd(iterator->dir), name.c_str(), euid, &mount}
                : ObjectPlace{path.c_str(), AT_FDCWD, path.c_str(), euid, nullptr};
        ObjectStat object;
        if (StatObjectAt(place.dirFd, place.name, (whichInfo & kCatInfoCreateDate) != 0, &object) !=
            0) {
            if (errno == ENOENT) {
                continue;  // gone since it was listed
            }
            err = StatusFromErrno(errno);
            break;
        }
        if (names != nullptr) {
            err = HFSUniStr255FromUtf8(name.c_str(), &names[count]);
            if (err != kNoErr) {
                err = kErrBadName;
                break;
            }
        }
        if (whichInfo != 0) {
            err = ReadCatalogInfo(place, object, whichInfo, &catalogInfos[count]);
            if (err != kNoErr) {
                break;
            }
        }
        if (refs != nullptr) {
            SetRefPath(&refs[count], path);
        }
        if (specs != nullptr) {
            FillSpec(path, object.st, &specs[count]);
        }
        ++count;
    }
    if (err == kNoErr && count == maximumObjects && iterator->dir == nullptr &&
        iterator->position >= iterator->names.size()) {
        err = kErrNoMoreItems;  // nothing left: say so with this batch
    }
    *actualObjects = count;
    return err;
}
