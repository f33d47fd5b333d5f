// Memory blocks with a per-thread last status, for code that reports
// allocation failures as -108 instead of throwing.
#include "platform/memory.h"

#include <cstdlib>

#include "platform/fault_injection.h"

namespace {
thread_local OSErr t_memError = kNoErr;

void* Allocate(std::size_t size, bool clear) {
    OSErr fault = FaultInjection::Check(PlatformOp::NewPtr);
    if (fault != kNoErr) {
        t_memError = fault;
        return nullptr;
    }
    std::size_t bytes = size == 0 ? 1 : size;
    void* block = clear ? std::calloc(1, bytes) : std::malloc(bytes);
    t_memError = block == nullptr ? kErrNoMemory : kNoErr;
    return block;
}
}  // namespace

void* NewPtr(std::size_t size) {
    return Allocate(size, false);
}

void* NewPtrClear(std::size_t size) {
    return Allocate(size, true);
}

void DisposePtr(void* block) {
    std::free(block);
}

OSErr MemError() {
    return t_memError;
}
