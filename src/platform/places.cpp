// Well-known places: the private temporary folder, the Library folders of the
// three domains, and the bundle of the running program.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/internal.h"
#include "platform/places.h"

using namespace zv_platform_detail;

namespace {

std::string AbsoluteEnv(const char* name) {
    const char* value = getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string HomeFolder() {
    std::string home = AbsoluteEnv("HOME");
    if (!home.empty()) {
        return home;
    }
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return std::string();
}

std::vector<std::string> DataDirs() {
    std::vector<std::string> dirs;
    const char* value = getenv("XDG_DATA_DIRS");
    std::string list = value != nullptr ? value : "";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t colon = list.find(':', start);
        std::string entry =
            list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!entry.empty() && entry[0] == '/') {
            dirs.push_back(WithoutTrailingSlashes(entry));
        }
        if (colon == std::string::npos) {
            break;
        }
        start = colon + 1;
    }
    if (dirs.empty()) {
        dirs = {"/usr/local/share", "/usr/share"};
    }
    return dirs;
}

// The path of a domain's folder; empty for an unknown domain or type.
std::string FolderPath(std::int16_t domain, OSType folderType) {
    if (folderType == kTemporaryFolderType && domain == kUserDomain) {
        std::string base = AbsoluteEnv("TMPDIR");
        base = base.empty() ? "/tmp" : WithoutTrailingSlashes(base);
        return (base == "/" ? "" : base) + "/zorvane-" + std::to_string(geteuid());
    }
    if (folderType != kLibraryFolderType) {
        return std::string();
    }
    if (domain == kUserDomain) {
        std::string data = AbsoluteEnv("XDG_DATA_HOME");
        if (!data.empty()) {
            return WithoutTrailingSlashes(data);
        }
        std::string home = HomeFolder();
        return home.empty() ? std::string() : WithoutTrailingSlashes(home) + "/.local/share";
    }
    if (domain == kLocalDomain) {
        return DataDirs().front();
    }
    if (domain == kSystemDomain) {
        return DataDirs().back();
    }
    return std::string();
}

// mkdir -p with the given mode for each missing level.
OSErr MakeFolders(const std::string& path, mode_t mode) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode) ? kNoErr : kErrNotAFolder;
    }
    if (errno != ENOENT) {
        return StatusFromErrno(errno);
    }
    std::string parent = ParentPath(path);
    if (parent != path) {
        OSErr err = MakeFolders(parent, mode);
        if (err != kNoErr) {
            return err;
        }
    }
    if (mkdir(path.c_str(), mode) != 0 && errno != EEXIST) {
        return StatusFromErrno(errno);
    }
    return kNoErr;
}

// The private temporary folder must be a real folder of ours, closed to
// everyone else; anything else may be a trap laid by another user.
OSErr CheckPrivateFolder(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        if (error == ENOENT) {
            return kErrNotFound;
        }
        return (error == ELOOP || error == ENOTDIR) ? kErrAccessDenied : StatusFromErrno(error);
    }
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
              (st.st_mode & 077) == 0;
    close(fd);
    return ok ? kNoErr : kErrAccessDenied;
}

OSErr FindTemporaryFolder(const std::string& path, bool create, FSRef* foundRef) {
    if (create && mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return StatusFromErrno(errno);
    }
    OSErr err = CheckPrivateFolder(path);
    if (err != kNoErr) {
        return err;
    }
    return FSPathMakeRef(path.c_str(), foundRef, nullptr);
}

std::mutex g_bundleMutex;
std::string g_bundleOverride;

std::string MainBundlePath() {
    {
        std::lock_guard<std::mutex> lock(g_bundleMutex);
        if (!g_bundleOverride.empty()) {
            return g_bundleOverride;
        }
    }
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) {
        return std::string();
    }
    exe[n] = '\0';
    return ParentPath(exe);
}

OSErr RefForFolder(const std::string& path, FSRef* ref) {
    if (ref == nullptr) {
        return kErrParam;
    }
    if (path.empty()) {
        return kErrNotFound;
    }
    FSRef found;
    bool isDirectory = false;
    OSErr err = FSPathMakeRef(path.c_str(), &found, &isDirectory);
    if (err != kNoErr) {
        return err;
    }
    if (!isDirectory) {
        return kErrNotFound;
    }
    *ref = found;
    return kNoErr;
}

}  // namespace

OSErr FSFindFolder(std::int16_t domain, OSType folderType, bool createFolder, FSRef* foundRef) {
    ZV_FAULT_POINT(FSFindFolder);
    if (foundRef == nullptr) {
        return kErrParam;
    }
    std::string path = FolderPath(domain, folderType);
    if (path.empty() || path.size() > kMaxPath) {
        return kErrParam;
    }
    if (folderType == kTemporaryFolderType) {
        return FindTemporaryFolder(path, createFolder, foundRef);
    }
    if (createFolder && domain == kUserDomain) {
        OSErr err = MakeFolders(path, 0700);
        if (err != kNoErr) {
            return err;
        }
    }
    return RefForFolder(path, foundRef);
}

OSErr FSFindFolderPath(std::int16_t domain, OSType folderType, char* path,
                       std::uint32_t maxPathSize) {
    ZV_FAULT_POINT(FSFindFolderPath);
    if (path == nullptr) {
        return kErrParam;
    }
    std::string found = FolderPath(domain, folderType);
    if (found.empty() || found.size() + 1 > maxPathSize) {
        if (maxPathSize > 0) {
            path[0] = '\0';
        }
        return kErrParam;
    }
    std::memcpy(path, found.c_str(), found.size() + 1);
    return kNoErr;
}

OSErr BundleGetMainBundle(FSRef* bundleRef) {
    ZV_FAULT_POINT(BundleGetMainBundle);
    return RefForFolder(MainBundlePath(), bundleRef);
}

OSErr BundleGetResourcesFolder(FSRef* resourcesRef) {
    ZV_FAULT_POINT(BundleGetResourcesFolder);
    std::string bundle = MainBundlePath();
    return RefForFolder(bundle.empty() ? bundle : bundle + "/Resources", resourcesRef);
}

OSErr BundleGetApplicationFolder(FSRef* applicationFolderRef) {
    ZV_FAULT_POINT(BundleGetApplicationFolder);
    FSRef bundle;
    OSErr err = RefForFolder(MainBundlePath(), &bundle);
    if (err != kNoErr) {
        return err;
    }
    return RefForFolder(ParentPath(bundle.path), applicationFolderRef);
}

void BundleSetMainBundlePath(const char* path) {
    std::lock_guard<std::mutex> lock(g_bundleMutex);
    g_bundleOverride = path != nullptr ? WithoutTrailingSlashes(path) : std::string();
}
