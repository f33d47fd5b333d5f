#include "platform/CreatedFileSlot.h"

#include <unistd.h>

namespace zv_platform_detail {

namespace {

struct Slot {
    int fd = -1;
    std::string path;

    void Close() {
        if (fd >= 0) {
            close(fd);
        }
        fd = -1;
        path.clear();
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

void CreatedFileSlot::Forget() {
    ThisThreadsSlot().Close();
}

}  // namespace zv_platform_detail
