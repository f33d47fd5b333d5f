#include "platform/BeneathWriter.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/dates.h"

namespace {

constexpr std::size_t kMaxNameBytes = 255;

// Owns one file descriptor.
class Fd {
  public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int get() const { return m_fd; }
    // Gives the descriptor up to the caller.
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes now and answers close()'s result.
    int Close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 ? close(fd) : 0;
    }

  private:
    int m_fd;
};

OSErr StatusFromErrno(int err) {
    switch (err) {
        case ENOENT:
            return kErrNotFound;
        case ENOTDIR:
            return kErrNotAFolder;
        case EISDIR:
            return kErrNotAFile;
        case ELOOP:
        case EXDEV:  // RESOLVE_BENEATH refused an escape
        case EACCES:
        case EPERM:
            return kErrAccessDenied;
        case ENOSPC:
        case EDQUOT:
            return kErrDiskFull;
        case EROFS:
            return kErrReadOnlyVolume;
        case EEXIST:
            return kErrNameTaken;
        case ENAMETOOLONG:
            return kErrBadName;
        case EMFILE:
        case ENFILE:
            return kErrTooManyOpen;
        case ENOMEM:
            return kErrNoMemory;
        default:
            return kErrIO;
    }
}

// Opens name inside dir without following any link and without leaving dir.
int OpenBeneath(int dir, const char* name, int flags, mode_t mode) {
    static std::atomic<bool> haveOpenat2{true};
    if (haveOpenat2.load(std::memory_order_relaxed)) {
        open_how how{};
        how.flags = static_cast<std::uint64_t>(flags | O_NOFOLLOW | O_CLOEXEC);
        how.mode = (flags & O_CREAT) ? mode : 0;
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        long fd;
        do {
            fd = syscall(SYS_openat2, dir, name, &how, sizeof how);
        } while (fd < 0 && (errno == EINTR || errno == EAGAIN));
        if (fd >= 0 || errno != ENOSYS) {
            return static_cast<int>(fd);
        }
        haveOpenat2.store(false, std::memory_order_relaxed);
    }
    // The caller passes single components that are never "..", so a walk with
    // O_NOFOLLOW at every step stays beneath the folder as well.
    int fd;
    do {
        fd = openat(dir, name, flags | O_NOFOLLOW | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Splits relPath into its components; -37 for "..", an over-long component
// or a path that names nothing.
OSErr SplitComponents(const char* relPath, std::vector<std::string>& parts) {
    std::string_view rest(relPath ? relPath : "");
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == ".." || part.size() > kMaxNameBytes) {
            return kErrBadName;
        }
        parts.emplace_back(part);
    }
    return parts.empty() ? kErrBadName : kNoErr;
}

// Steps from dir into its sub-folder name, making it first when asked.
OSErr EnterFolder(Fd& dir, const std::string& name, bool create) {
    Fd next(OpenBeneath(dir.get(), name.c_str(), O_PATH | O_DIRECTORY, 0));
    if (next.get() < 0 && errno == ENOENT && create) {
        if (mkdirat(dir.get(), name.c_str(), 0777) != 0 && errno != EEXIST) {
            return StatusFromErrno(errno);
        }
        next = Fd(OpenBeneath(dir.get(), name.c_str(), O_PATH | O_DIRECTORY, 0));
    }
    if (next.get() < 0) {
        const int err = errno;
        // O_PATH with O_NOFOLLOW reaches a link itself, which then fails
        // O_DIRECTORY; tell a link apart from a file in the way.
        struct stat st;
        if (fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode)) {
            return kErrAccessDenied;
        }
        return StatusFromErrno(err);
    }
    dir = std::move(next);
    return kNoErr;
}

// Removes an existing file of that name; refuses links and folders.
OSErr ClearName(int dir, const char* name) {
    struct stat st;
    if (fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? OSErr{kNoErr} : StatusFromErrno(errno);
    }
    if (S_ISLNK(st.st_mode)) {
        return kErrAccessDenied;
    }
    if (S_ISDIR(st.st_mode)) {
        return kErrNotAFile;
    }
    if (unlinkat(dir, name, 0) != 0 && errno != ENOENT) {
        return StatusFromErrno(errno);
    }
    return kNoErr;
}

OSErr WriteAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return StatusFromErrno(errno);
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return kNoErr;
}

// Owner, group and mode first (a change of owner clears set-id bits), then the
// times, since every other change touches them.
void ApplyInfo(int fd, FSCatalogInfoBitmap which, const FSCatalogInfo& info) {
    if (which & kCatInfoPermissions) {
        const FSPermissionInfo& p = info.permissions;
        struct stat st;
        if (fstat(fd, &st) == 0 && (st.st_uid != p.userID || st.st_gid != p.groupID) &&
            fchown(fd, p.userID, p.groupID) != 0 && st.st_gid != p.groupID) {
            // We may belong to the group without owning the user ID.
            (void)!fchown(fd, static_cast<uid_t>(-1), p.groupID);
        }
        (void)!fchmod(fd, p.mode & 07777);
    }
    struct timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_nsec = UTIME_OMIT;
    if ((which & kCatInfoAccessDate) && !TimespecFromUTCDateTime(info.accessDate, &times[0])) {
        times[0].tv_nsec = UTIME_OMIT;
    }
    if ((which & kCatInfoContentMod) && !TimespecFromUTCDateTime(info.contentModDate, &times[1])) {
        times[1].tv_nsec = UTIME_OMIT;
    }
    if (times[0].tv_nsec != UTIME_OMIT || times[1].tv_nsec != UTIME_OMIT) {
        (void)!futimens(fd, times);
    }
}

}  // namespace

BeneathWriter::BeneathWriter(const char* folderPath)
    : m_nFolderFd(-1), m_nOpenStatus(kNoErr), m_nLastDirFd(-1) {
    const char* path = (folderPath && folderPath[0]) ? folderPath : ".";
    m_nFolderFd = open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_nFolderFd < 0) {
        m_nOpenStatus = StatusFromErrno(errno);
    }
}

BeneathWriter::~BeneathWriter() {
    if (m_nLastDirFd >= 0) {
        close(m_nLastDirFd);
    }
    if (m_nFolderFd >= 0) {
        close(m_nFolderFd);
    }
}

OSErr BeneathWriter::WriteFile(const char* relPath, const void* data, std::size_t size,
                               bool createDirs) {
    return WriteFile(relPath, data, size, createDirs, kCatInfoNone, nullptr);
}

OSErr BeneathWriter::WriteFile(const char* relPath, const void* data, std::size_t size,
                               bool createDirs, FSCatalogInfoBitmap whichInfo,
                               const FSCatalogInfo* info) {
    if (m_nOpenStatus != kNoErr) {
        return m_nOpenStatus;
    }
    if (data == nullptr && size > 0) {
        return kErrParam;
    }
    std::vector<std::string> parts;
    try {
        if (OSErr err = SplitComponents(relPath, parts); err != kNoErr) {
            return err;
        }
    } catch (const std::bad_alloc&) {
        return kErrNoMemory;
    }
    int dir = -1;
    if (OSErr err = FindFolder(parts, createDirs, dir); err != kNoErr) {
        return err;
    }
    const char* name = parts.back().c_str();
    // Usually the name is free; when it is taken, an old file makes way and
    // a link or a folder stops the write.
    Fd file(OpenBeneath(dir, name, O_WRONLY | O_CREAT | O_EXCL, 0666));
    if (file.get() < 0 && errno == EEXIST) {
        if (OSErr err = ClearName(dir, name); err != kNoErr) {
            return err;
        }
        file = Fd(OpenBeneath(dir, name, O_WRONLY | O_CREAT | O_EXCL, 0666));
    }
    if (file.get() < 0) {
        return StatusFromErrno(errno);
    }
    OSErr err = WriteAll(file.get(), data, size);
    if (err == kNoErr && info != nullptr) {
        ApplyInfo(file.get(), whichInfo, *info);
    }
    if (file.Close() != 0 && err == kNoErr) {
        err = StatusFromErrno(errno);
    }
    if (err != kNoErr) {
        unlinkat(dir, name, 0);
    }
    return err;
}

OSErr BeneathWriter::FindFolder(const std::vector<std::string>& parts, bool createDirs, int& dir) {
    if (parts.size() == 1) {
        dir = m_nFolderFd;
        return kNoErr;
    }
    std::string key;
    try {
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            key += parts[i];
            key += '/';
        }
    } catch (const std::bad_alloc&) {
        return kErrNoMemory;
    }
    // The handle of the last folder reached serves the files that follow in
    // it. It stays valid for the folder it was opened on, even if that
    // folder's path changes meanwhile, so reusing it cannot lead outside.
    if (m_nLastDirFd >= 0 && key == m_lastDirKey) {
        dir = m_nLastDirFd;
        return kNoErr;
    }
    Fd walk(fcntl(m_nFolderFd, F_DUPFD_CLOEXEC, 0));
    if (walk.get() < 0) {
        return StatusFromErrno(errno);
    }
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (OSErr err = EnterFolder(walk, parts[i], createDirs); err != kNoErr) {
            return err;
        }
    }
    if (m_nLastDirFd >= 0) {
        close(m_nLastDirFd);
    }
    m_nLastDirFd = walk.Release();
    m_lastDirKey.swap(key);
    dir = m_nLastDirFd;
    return kNoErr;
}
