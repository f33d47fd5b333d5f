#include "platform/OpenNoSymlinks.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zv_platform_detail {

int OpenNoSymlinks(const char* path, int flags, unsigned mode) {
    constexpr long kSysOpenat2 = 437;  // the same number on every architecture
    struct open_how how {};
    how.flags = static_cast<unsigned>(flags);
    how.mode = (flags & O_CREAT) != 0 ? mode : 0;
    how.resolve = RESOLVE_NO_SYMLINKS;
    for (;;) {
        long fd = syscall(kSysOpenat2, AT_FDCWD, path, &how, sizeof how);
        if (fd >= 0) {
            return static_cast<int>(fd);
        }
        if (errno == EINTR || errno == EAGAIN) {
            continue;  // openat2 may ask for a retry while a rename races it
        }
        if (errno != ENOSYS) {
            return -1;
        }
        return open(path, flags, static_cast<mode_t>(mode));
    }
}

}  // namespace zv_platform_detail
