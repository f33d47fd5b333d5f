#include "platform/CreatedFileSlot.h"

#include <unistd.h>

namespace zv_platform_detail {

namespace {

struct Slot {
    int fd = -1;
    std::string path;

    bool hasFinder = false;  // the remembered Finder record and its file
    std::string finderPath;
    dev_t device = 0;
    ino_t inode = 0;
    KnownFinder finder;

    void Close() {
        if (fd >= 0) {
            close(fd);
        }
        fd = -1;
        path.clear();
    }
    void DropFinder() {
        hasFinder = false;
        finderPath.clear();
    }
    ~Slot() { Close(); }
};

Slot& ThisThreadsSlot() {
    thread_local Slot slot;
    return slot;
}

}  // namespace

void CreatedFileSlot::Keep(int fd, const std::string& path) {
    Slot& slot = ThisThreadsSlot();
    slot.Close();
    slot.fd = fd;
    slot.path = path;
}

int CreatedFileSlot::Take(const char* path) {
    Slot& slot = ThisThreadsSlot();
    if (slot.fd < 0 || slot.path != path) {
        return -1;
    }
    const int fd = slot.fd;
    slot.fd = -1;
    slot.path.clear();
    return fd;
}

void CreatedFileSlot::RememberFinder(const std::string& path, const struct stat& st,
                                     const KnownFinder& record) {
    Slot& slot = ThisThreadsSlot();
    slot.hasFinder = true;
    slot.finderPath = path;
    slot.device = st.st_dev;
    slot.inode = st.st_ino;
    slot.finder = record;
}

bool CreatedFileSlot::RecallFinder(const char* path, const struct stat& st, KnownFinder* record) {
    Slot& slot = ThisThreadsSlot();
    const bool same = slot.hasFinder && slot.finderPath == path && S_ISREG(st.st_mode) &&
                      st.st_dev == slot.device && st.st_ino == slot.inode;
    if (same) {
        *record = slot.finder;
    }
    slot.DropFinder();
    return same;
}

void CreatedFileSlot::Forget() {
    Slot& slot = ThisThreadsSlot();
    slot.Close();
    slot.DropFinder();
}

}  // namespace zv_platform_detail
