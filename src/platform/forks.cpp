// Forks: the data fork is the file's contents, the other forks are the
// file's "user." extended attributes (our own "user.zorvane." ones excluded).
// Open forks live in a process-wide table indexed by their fork number. An
// attribute is read whole when its fork is opened; reads come from that value
// and each write stores the whole patched value.
#include <errno.h>
#include <fcntl.h>
#include <linux/limits.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/CreatedFileSlot.h"
#include "platform/OpenNoSymlinks.h"
#include "platform/files.h"
#include "platform/internal.h"
#include "platform/names.h"

using namespace zv_platform_detail;

namespace {

struct OpenFork {
    std::mutex mutex;  // one operation at a time on this fork
    bool isData = false;
    int fd = -1;          // data fork of a regular file
    bool isLink = false;  // data fork of a link: its target text
    std::string linkText;
    std::string path;  // attribute forks: the object, the attribute and its value
    std::string attr;
    std::vector<unsigned char> value;
    bool canRead = false;
    bool canWrite = false;
    std::int64_t mark = 0;

    ~OpenFork() {
        if (fd >= 0) {
            close(fd);
        }
    }
};

constexpr int kMaxForks = 32767;

// Space is reserved in advance only for requests of this size and more: the
// file system places a smaller fork as well from its first write, and
// reserving first would only add a call and the work of converting the
// reserved blocks.
constexpr std::uint64_t kSmallestReservation = 1 << 20;

struct ForkTable {
    std::mutex mutex;
    std::vector<std::shared_ptr<OpenFork>> slots =
        std::vector<std::shared_ptr<OpenFork>>(kMaxForks + 1);
    int next = 1;
};

ForkTable& Table() {
    static ForkTable table;
    return table;
}

FSIORefNum AddFork(std::shared_ptr<OpenFork> fork) {
    ForkTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    for (int tries = 0; tries < kMaxForks; ++tries) {
        int number = table.next;
        table.next = table.next == kMaxForks ? 1 : table.next + 1;
        if (!table.slots[number]) {
            table.slots[number] = std::move(fork);
            return static_cast<FSIORefNum>(number);
        }
    }
    return 0;
}

std::shared_ptr<OpenFork> FindFork(FSIORefNum number) {
    if (number <= 0) {
        return nullptr;
    }
    ForkTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.slots[number];
}

std::shared_ptr<OpenFork> RemoveFork(FSIORefNum number) {
    if (number <= 0) {
        return nullptr;
    }
    ForkTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    return std::move(table.slots[number]);
}

bool IsOwnAttr(const char* name) {
    return std::strncmp(name, kOwnAttrPrefix, sizeof kOwnAttrPrefix - 1) == 0;
}

// The attribute that stands for a fork name; -37 for our own namespace or a
// name that cannot be an attribute.
OSErr AttrForForkName(UniCharCount length, const UniChar* name, std::string* attr) {
    char utf8[256 * 3 + 4];
    if (name == nullptr || length > 255 || Utf16ToUtf8(name, length, utf8, sizeof utf8) <= 0) {
        return kErrBadName;
    }
    std::string full = std::string(kUserAttrPrefix) + utf8;
    if (std::strlen(utf8) != full.size() - (sizeof kUserAttrPrefix - 1) ||
        IsOwnAttr(full.c_str()) || full.size() > XATTR_NAME_MAX) {
        return kErrBadName;
    }
    *attr = std::move(full);
    return kNoErr;
}

// What FSIterateForks keeps in the iterator's reserved fields once it has
// looked at the object: whether it is a folder (no data fork), so that the
// second and later forks are listed without looking again.
constexpr int kIteratorKind = 0;
constexpr std::uint32_t kKindUnknown = 0;
constexpr std::uint32_t kKindFolder = 1;
constexpr std::uint32_t kKindWithData = 2;

// The user attributes of an object that count as forks, in listing order.
// A missing object reads as StatRef reports it.
OSErr ListAttrForks(const FSRef* ref, std::vector<std::string>* names) {
    if (ref->path[0] != '/' || std::memchr(ref->path, '\0', sizeof ref->path) == nullptr) {
        return kErrParam;
    }
    const char* path = ref->path;
    names->clear();
    std::vector<char> buffer(1024);
    for (;;) {
        ssize_t n = llistxattr(path, buffer.data(), buffer.size());
        if (n >= 0) {
            buffer.resize(static_cast<std::size_t>(n));
            break;
        }
        if (errno == ENOTSUP) {
            return kNoErr;
        }
        if (errno != ERANGE) {
            return errno == ENOTDIR ? kErrNotFound : StatusFromErrno(errno);
        }
        ssize_t needed = llistxattr(path, nullptr, 0);
        if (needed < 0) {
            return errno == ENOTDIR ? kErrNotFound : StatusFromErrno(errno);
        }
        buffer.resize(static_cast<std::size_t>(needed) + 64);
    }
    for (std::size_t pos = 0; pos < buffer.size();) {
        const char* name = buffer.data() + pos;
        std::size_t length = strnlen(name, buffer.size() - pos);
        pos += length + 1;
        bool user = std::strncmp(name, kUserAttrPrefix, sizeof kUserAttrPrefix - 1) == 0;
        const char* forkName = name + sizeof kUserAttrPrefix - 1;
        long units = Utf8ToUtf16Length(forkName, std::strlen(forkName));
        if (user && !IsOwnAttr(name) && units > 0 && units <= 255) {
            names->emplace_back(name, length);
        }
    }
    return kNoErr;
}

// Reads a whole attribute in one call: no attribute value is larger than
// XATTR_SIZE_MAX.
OSErr ReadAttr(const std::string& path, const std::string& attr,
               std::vector<unsigned char>* value) {
    thread_local unsigned char buffer[XATTR_SIZE_MAX];
    ssize_t got = lgetxattr(path.c_str(), attr.c_str(), buffer, sizeof buffer);
    if (got < 0) {
        return errno == ENODATA ? kErrForkNotFound : StatusFromErrno(errno);
    }
    value->assign(buffer, buffer + got);
    return kNoErr;
}

OSErr WriteAttr(const std::string& path, const std::string& attr,
                const std::vector<unsigned char>& value) {
    if (lsetxattr(path.c_str(), attr.c_str(), value.data(), value.size(), XATTR_REPLACE) != 0) {
        return errno == ENODATA ? kErrForkNotFound : StatusFromErrno(errno);
    }
    return kNoErr;
}

OSErr ForkSize(OpenFork& fork, std::int64_t* size) {
    if (fork.isData && fork.isLink) {
        *size = static_cast<std::int64_t>(fork.linkText.size());
        return kNoErr;
    }
    if (fork.isData) {
        struct stat st;
        if (fstat(fork.fd, &st) != 0) {
            return StatusFromErrno(errno);
        }
        *size = st.st_size;
        return kNoErr;
    }
    *size = static_cast<std::int64_t>(fork.value.size());
    return kNoErr;
}

// The absolute position that positionMode and offset name.
OSErr ResolvePosition(OpenFork& fork, std::uint16_t positionMode, std::int64_t offset,
                      std::int64_t* position) {
    std::int64_t base = 0;
    switch (positionMode & 0x3) {
        case kFSAtMark:
            base = fork.mark, offset = 0;
            break;
        case kFSFromStart:
            break;
        case kFSFromLEOF: {
            OSErr err = ForkSize(fork, &base);
            if (err != kNoErr) {
                return err;
            }
            break;
        }
        case kFSFromMark:
            base = fork.mark;
            break;
    }
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) {
        return kErrParam;
    }
    *position = base + offset;
    return kNoErr;
}

int DataOpenFlags(std::int8_t permissions) {
    int access = permissions == kFSReadPerm    ? O_RDONLY
                 : permissions == kFSWritePerm ? O_WRONLY
                                               : O_RDWR;
    // Never through a link, never blocking on a FIFO or taking a terminal.
    return access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
}

// The data fork of the object at path, whose lstat is st (the slow way, taken
// when opening the path straight away failed: it tells links, folders and
// devices apart and gives the status for the failure).
OSErr OpenDataForkByStat(const std::string& path, const struct stat& st, std::int8_t permissions,
                         OpenFork* fork) {
    fork->isData = true;
    if (S_ISDIR(st.st_mode)) {
        return kErrNotAFile;
    }
    if (S_ISLNK(st.st_mode)) {
        if (fork->canWrite) {
            return kErrAccessDenied;
        }
        char target[PATH_MAX];
        ssize_t n = readlink(path.c_str(), target, sizeof target);
        if (n < 0) {
            return StatusFromErrno(errno);
        }
        fork->isLink = true;
        fork->linkText.assign(target, static_cast<std::size_t>(n));
        return kNoErr;
    }
    if (!S_ISREG(st.st_mode)) {
        return kErrParam;
    }
    fork->fd = OpenNoSymlinks(path.c_str(), DataOpenFlags(permissions));
    if (fork->fd < 0) {
        return StatusFromErrno(errno);
    }
    struct stat opened;
    if (fstat(fork->fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        return kErrParam;
    }
    return kNoErr;
}

// The data fork of ref's object: the file this thread has just created is
// written through its creation's descriptor; otherwise opened straight away
// when it is a regular file reached without links; anything else goes by its
// lstat.
OSErr OpenDataFork(const FSRef* ref, std::int8_t permissions, OpenFork* fork) {
    if (ref == nullptr || ref->path[0] != '/' ||
        std::memchr(ref->path, '\0', sizeof ref->path) == nullptr) {
        return kErrParam;
    }
    int fd = permissions == kFSWritePerm ? CreatedFileSlot::Take(ref->path) : -1;
    if (fd >= 0) {
        fork->isData = true;  // the file this thread has just created
        fork->fd = fd;
        return kNoErr;
    }
    fd = OpenNoSymlinks(ref->path, DataOpenFlags(permissions));
    if (fd >= 0) {
        struct stat opened;
        if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)) {
            fork->isData = true;
            fork->fd = fd;
            return kNoErr;
        }
        close(fd);  // a folder or a device: sorted out below
    }
    struct stat st;
    OSErr err = StatRef(ref, &st);
    if (err != kNoErr) {
        return err;
    }
    return OpenDataForkByStat(ref->path, st, permissions, fork);
}

OSErr ReadData(OpenFork& fork, std::int64_t position, std::uint32_t count, unsigned char* buffer,
               std::uint32_t* done) {
    if (fork.isLink) {
        std::int64_t size = static_cast<std::int64_t>(fork.linkText.size());
        std::int64_t available = position >= size ? 0 : size - position;
        std::uint32_t n = available < count ? static_cast<std::uint32_t>(available) : count;
        if (n > 0) {
            std::memcpy(buffer, fork.linkText.data() + position, n);
        }
        *done = n;
        return kNoErr;
    }
    *done = 0;
    while (*done < count) {
        ssize_t n = pread(fork.fd, buffer + *done, count - *done, position + *done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return StatusFromErrno(errno);
        }
        if (n == 0) {
            break;
        }
        *done += static_cast<std::uint32_t>(n);
    }
    return kNoErr;
}

OSErr WriteData(OpenFork& fork, std::int64_t position, std::uint32_t count,
                const unsigned char* buffer, std::uint32_t* done) {
    *done = 0;
    while (*done < count) {
        ssize_t n = pwrite(fork.fd, buffer + *done, count - *done, position + *done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? StatusFromErrno(errno) : kErrIO;
        }
        *done += static_cast<std::uint32_t>(n);
    }
    return kNoErr;
}

// The requested range of the attribute's value as read at the open.
OSErr ReadAttrFork(const OpenFork& fork, std::int64_t position, std::uint32_t count,
                   unsigned char* buffer, std::uint32_t* done) {
    *done = 0;
    const std::vector<unsigned char>& value = fork.value;
    if (position < static_cast<std::int64_t>(value.size())) {
        std::size_t available = value.size() - static_cast<std::size_t>(position);
        *done = static_cast<std::uint32_t>(available < count ? available : count);
        std::memcpy(buffer, value.data() + position, *done);
    }
    return kNoErr;
}

// Patches the range into the value (growing it when needed) and stores the
// whole value in one call; the fork keeps the new value once it is stored.
OSErr WriteAttrFork(OpenFork& fork, std::int64_t position, std::uint32_t count,
                    const unsigned char* buffer, std::uint32_t* done) {
    *done = 0;
    if (count == 0) {
        return kNoErr;
    }
    if (position + static_cast<std::int64_t>(count) > XATTR_SIZE_MAX) {
        return kErrDiskFull;
    }
    std::vector<unsigned char> value = fork.value;
    std::size_t end = static_cast<std::size_t>(position) + count;
    if (value.size() < end) {
        value.resize(end);
    }
    std::memcpy(value.data() + position, buffer, count);
    OSErr err = WriteAttr(fork.path, fork.attr, value);
    if (err == kNoErr) {
        fork.value = std::move(value);
        *done = count;
    }
    return err;
}

// An open fork locked for one operation, and the position the operation names.
// The lock is let go before the fork.
struct ForkOperation {
    std::shared_ptr<OpenFork> fork;
    std::unique_lock<std::mutex> lock;
    std::int64_t position = 0;
};

// Finds the open fork (-51), refuses a missing buffer (-50), locks the fork,
// checks that it may be read or written, and resolves the position.
OSErr BeginForkOperation(FSIORefNum number, bool writing, bool bufferMissing,
                         std::uint16_t positionMode, std::int64_t offset, ForkOperation* op) {
    op->fork = FindFork(number);
    if (!op->fork) {
        return kErrBadForkRef;
    }
    if (bufferMissing) {
        return kErrParam;
    }
    op->lock = std::unique_lock<std::mutex>(op->fork->mutex);
    if (writing && !op->fork->canWrite) {
        return kErrWritePermission;
    }
    if (!writing && !op->fork->canRead) {
        return kErrAccessDenied;
    }
    return ResolvePosition(*op->fork, positionMode, offset, &op->position);
}

}  // namespace

OSErr FSIterateForks(const FSRef* ref, ForkIterator* iterator, HFSUniStr255* forkName,
                     std::int64_t* forkSize, std::uint64_t* forkPhysicalSize) {
    ZV_FAULT_POINT(FSIterateForks);
    if (ref == nullptr || iterator == nullptr) {
        return kErrParam;
    }
    std::uint32_t index = iterator->index;
    struct stat st {};
    OSErr err = kNoErr;
    bool hasData = iterator->reserved[kIteratorKind] == kKindWithData;
    if (index == 0 || iterator->reserved[kIteratorKind] == kKindUnknown) {
        err = StatRef(ref, &st);
        if (err != kNoErr) {
            return err;
        }
        hasData = !S_ISDIR(st.st_mode);
        iterator->reserved[kIteratorKind] = hasData ? kKindWithData : kKindFolder;
    }
    HFSUniStr255 name{};
    std::int64_t size = 0;
    std::uint64_t physical = 0;
    if (hasData && index == 0) {
        bool withBytes = S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
        size = withBytes ? st.st_size : 0;
        physical = withBytes ? static_cast<std::uint64_t>(st.st_blocks) * 512 : 0;
    } else {
        std::vector<std::string> attrs;
        err = ListAttrForks(ref, &attrs);
        if (err != kNoErr) {
            return err;
        }
        std::uint32_t attrIndex = index - (hasData ? 1 : 0);
        if (attrIndex >= attrs.size()) {
            return kErrNoMoreItems;
        }
        const std::string& attr = attrs[attrIndex];
        HFSUniStr255FromUtf8(attr.c_str() + sizeof kUserAttrPrefix - 1, &name);
        ssize_t n = lgetxattr(ref->path, attr.c_str(), nullptr, 0);
        if (n < 0) {
            return StatusFromErrno(errno == ENODATA ? ENOENT : errno);
        }
        size = n;
        physical = static_cast<std::uint64_t>(n);
    }
    iterator->index = index + 1;
    if (forkName != nullptr) {
        *forkName = name;
    }
    if (forkSize != nullptr) {
        *forkSize = size;
    }
    if (forkPhysicalSize != nullptr) {
        *forkPhysicalSize = physical;
    }
    return kNoErr;
}

OSErr FSCreateFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar* forkName) {
    ZV_FAULT_POINT(FSCreateFork);
    struct stat st;
    OSErr err = StatRef(ref, &st);
    if (err != kNoErr) {
        return err;
    }
    if (forkNameLength == 0) {
        return S_ISDIR(st.st_mode) ? kErrNotAFile : kNoErr;
    }
    std::string attr;
    err = AttrForForkName(forkNameLength, forkName, &attr);
    if (err != kNoErr) {
        return err;
    }
    if (lsetxattr(ref->path, attr.c_str(), "", 0, XATTR_CREATE) != 0) {
        if (errno == EEXIST) {
            return kErrForkExists;
        }
        return errno == ENOTSUP ? kErrParam : StatusFromErrno(errno);
    }
    return kNoErr;
}

OSErr FSDeleteFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar* forkName) {
    ZV_FAULT_POINT(FSDeleteFork);
    struct stat st;
    OSErr err = StatRef(ref, &st);
    if (err != kNoErr) {
        return err;
    }
    if (forkNameLength == 0) {
        return kErrParam;
    }
    std::string attr;
    err = AttrForForkName(forkNameLength, forkName, &attr);
    if (err != kNoErr) {
        return err;
    }
    if (lremovexattr(ref->path, attr.c_str()) != 0) {
        return errno == ENODATA ? kErrForkNotFound : StatusFromErrno(errno);
    }
    return kNoErr;
}

OSErr FSOpenFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar* forkName,
                 std::int8_t permissions, FSIORefNum* forkRefNum) {
    ZV_FAULT_POINT(FSOpenFork);
    if (forkRefNum == nullptr || permissions < kFSReadPerm || permissions > kFSReadWritePerm) {
        return kErrParam;
    }
    auto fork = std::make_shared<OpenFork>();
    fork->canRead = (permissions & kFSReadPerm) != 0;
    fork->canWrite = (permissions & kFSWritePerm) != 0;
    OSErr err;
    if (forkNameLength == 0) {
        err = OpenDataFork(ref, permissions, fork.get());
    } else {
        struct stat st;
        err = StatRef(ref, &st);
        if (err != kNoErr) {
            return err;
        }
        fork->path = ref->path;
        err = AttrForForkName(forkNameLength, forkName, &fork->attr);
        if (err == kNoErr) {
            err = ReadAttr(fork->path, fork->attr, &fork->value);
        }
    }
    if (err != kNoErr) {
        return err;
    }
    FSIORefNum number = AddFork(std::move(fork));
    if (number == 0) {
        return kErrTooManyOpen;
    }
    *forkRefNum = number;
    return kNoErr;
}

OSErr FSReadFork(FSIORefNum forkRefNum, std::uint16_t positionMode, std::int64_t positionOffset,
                 std::uint32_t requestCount, void* buffer, std::uint32_t* actualCount) {
    ZV_FAULT_POINT(FSReadFork);
    ForkOperation op;
    OSErr err = BeginForkOperation(forkRefNum, false, buffer == nullptr && requestCount > 0,
                                   positionMode, positionOffset, &op);
    if (err != kNoErr) {
        return err;
    }
    OpenFork* fork = op.fork.get();
    const std::int64_t position = op.position;
    auto bytes = static_cast<unsigned char*>(buffer);
    std::uint32_t done = 0;
    if (fork->isData) {
        err = ReadData(*fork, position, requestCount, bytes, &done);
    } else {
        err = ReadAttrFork(*fork, position, requestCount, bytes, &done);
    }
    fork->mark = position + done;
    if (actualCount != nullptr) {
        *actualCount = done;
    }
    if (err == kNoErr && done < requestCount) {
        err = kErrEOF;
    }
    return err;
}

OSErr FSWriteFork(FSIORefNum forkRefNum, std::uint16_t positionMode, std::int64_t positionOffset,
                  std::uint32_t requestCount, const void* buffer, std::uint32_t* actualCount) {
    ZV_FAULT_POINT(FSWriteFork);
    ForkOperation op;
    OSErr err = BeginForkOperation(forkRefNum, true, buffer == nullptr && requestCount > 0,
                                   positionMode, positionOffset, &op);
    if (err != kNoErr) {
        return err;
    }
    OpenFork* fork = op.fork.get();
    const std::int64_t position = op.position;
    auto bytes = static_cast<const unsigned char*>(buffer);
    std::uint32_t done = 0;
    if (fork->isData) {
        err = WriteData(*fork, position, requestCount, bytes, &done);
    } else {
        err = WriteAttrFork(*fork, position, requestCount, bytes, &done);
    }
    fork->mark = position + done;
    if (actualCount != nullptr) {
        *actualCount = done;
    }
    return err;
}

OSErr FSAllocateFork(FSIORefNum forkRefNum, std::uint16_t /*flags*/, std::uint16_t positionMode,
                     std::int64_t positionOffset, std::uint64_t requestCount,
                     std::uint64_t* actualCount) {
    ZV_FAULT_POINT(FSAllocateFork);
    ForkOperation op;
    OSErr err = BeginForkOperation(forkRefNum, true, false, positionMode, positionOffset, &op);
    if (err != kNoErr) {
        return err;
    }
    OpenFork* fork = op.fork.get();
    const std::int64_t position = op.position;
    if (requestCount > static_cast<std::uint64_t>(INT64_MAX - position)) {
        return kErrParam;
    }
    std::uint64_t reserved = 0;
    if (fork->isData && requestCount >= kSmallestReservation) {
        if (fallocate(fork->fd, FALLOC_FL_KEEP_SIZE, position, static_cast<off_t>(requestCount)) ==
            0) {
            reserved = requestCount;
        } else if (errno != EOPNOTSUPP && errno != ENOSYS) {
            return StatusFromErrno(errno);
        }
    }
    if (actualCount != nullptr) {
        *actualCount = reserved;
    }
    return kNoErr;
}

OSErr FSSetForkSize(FSIORefNum forkRefNum, std::uint16_t positionMode,
                    std::int64_t positionOffset) {
    ZV_FAULT_POINT(FSSetForkSize);
    ForkOperation op;
    OSErr err = BeginForkOperation(forkRefNum, true, false, positionMode, positionOffset, &op);
    if (err != kNoErr) {
        return err;
    }
    OpenFork* fork = op.fork.get();
    const std::int64_t size = op.position;
    if (fork->isData) {
        if (ftruncate(fork->fd, size) != 0) {
            return StatusFromErrno(errno);
        }
    } else {
        if (size > XATTR_SIZE_MAX) {
            return kErrDiskFull;
        }
        std::vector<unsigned char> value = fork->value;
        value.resize(static_cast<std::size_t>(size));
        err = WriteAttr(fork->path, fork->attr, value);
        if (err != kNoErr) {
            return err;
        }
        fork->value = std::move(value);
    }
    if (fork->mark > size) {
        fork->mark = size;
    }
    return kNoErr;
}

OSErr FSGetForkSize(FSIORefNum forkRefNum, std::int64_t* forkSize) {
    ZV_FAULT_POINT(FSGetForkSize);
    std::shared_ptr<OpenFork> fork = FindFork(forkRefNum);
    if (!fork) {
        return kErrBadForkRef;
    }
    if (forkSize == nullptr) {
        return kErrParam;
    }
    std::lock_guard<std::mutex> lock(fork->mutex);
    return ForkSize(*fork, forkSize);
}

OSErr FSCloseFork(FSIORefNum forkRefNum) {
    OSErr fault = FaultInjection::Check(PlatformOp::FSCloseFork);
    std::shared_ptr<OpenFork> fork = RemoveFork(forkRefNum);
    if (!fork) {
        return fault != kNoErr ? fault : kErrBadForkRef;
    }
    // The descriptor closes when the last user of the fork lets go of it.
    return fault;
}
