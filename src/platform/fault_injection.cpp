// Process-wide fault injection. One atomic flag keeps the unarmed path to a
// single relaxed load; everything else sits behind one mutex.
#include "platform/fault_injection.h"

#include <array>
#include <atomic>
#include <mutex>

namespace {

constexpr int kOpCount = static_cast<int>(PlatformOp::Count);

struct OpState {
    std::uint32_t armedNth = 0;  // 0 = not armed
    bool armedFrom = false;      // fail the nth and every later call
    OSErr status = kNoErr;
    std::uint32_t seenSinceArmed = 0;
    std::uint32_t calls = 0;
};

struct State {
    std::mutex mutex;
    std::array<OpState, kOpCount> ops;
    bool counting = false;
    std::uint32_t fired = 0;
};

std::atomic<bool> g_active{false};

State& GetState() {
    static State state;
    return state;
}

// Recomputes the fast-path flag; the caller holds the mutex.
void UpdateActive(const State& state) {
    bool active = state.counting;
    for (const OpState& op : state.ops) {
        active = active || op.armedNth != 0;
    }
    g_active.store(active, std::memory_order_relaxed);
}

void DoArm(PlatformOp op, std::uint32_t nth, OSErr status, bool from) {
    int index = static_cast<int>(op);
    if (index < 0 || index >= kOpCount) {
        return;
    }
    State& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    OpState& s = state.ops[index];
    s.armedNth = nth;
    s.armedFrom = from;
    s.status = status;
    s.seenSinceArmed = 0;
    UpdateActive(state);
}

// One name per operation, in the order of PlatformOp.
constexpr const char* kNames[] = {
    "FSPathMakeRef",
    "FSRefMakePath",
    "FSMakeFSRefUnicode",
    "FSCompareFSRefs",
    "FSpMakeFSRef",
    "FSGetCatalogInfo",
    "FSSetCatalogInfo",
    "FSSetBusyMark",
    "FSClearBusyMark",
    "FSCreateFileUnicode",
    "FSCreateDirectoryUnicode",
    "FSDeleteObject",
    "FSMoveObject",
    "FSRenameUnicode",
    "FSIterateForks",
    "FSCreateFork",
    "FSDeleteFork",
    "FSOpenFork",
    "FSReadFork",
    "FSWriteFork",
    "FSAllocateFork",
    "FSSetForkSize",
    "FSGetForkSize",
    "FSCloseFork",
    "FSOpenIterator",
    "FSCloseIterator",
    "FSGetCatalogInfoBulk",
    "FSGetVolumeRefNum",
    "PBHGetVolParmsSync",
    "PBHCopyFileSync",
    "PBHGetDirAccessSync",
    "FSFindFolder",
    "FSFindFolderPath",
    "BundleGetMainBundle",
    "BundleGetResourcesFolder",
    "BundleGetApplicationFolder",
    "NewPtr",
    "ConvertLocalTimeToUTC",
    "FSFlushObject",
    "FSRenameOverUnicode",
};
static_assert(std::size(kNames) == kOpCount, "every PlatformOp needs its name here");

}  // namespace

const char* PlatformOpName(PlatformOp op) {
    int index = static_cast<int>(op);
    if (index < 0 || index >= kOpCount) {
        return "?";
    }
    return kNames[index];
}

void FaultInjection::Arm(PlatformOp op, std::uint32_t nth, OSErr status) {
    DoArm(op, nth, status, false);
}

void FaultInjection::ArmFrom(PlatformOp op, std::uint32_t nth, OSErr status) {
    DoArm(op, nth, status, true);
}

void FaultInjection::StartCounting() {
    State& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.counting = true;
    for (OpState& op : state.ops) {
        op.calls = 0;
    }
    UpdateActive(state);
}

std::uint32_t FaultInjection::CallCount(PlatformOp op) {
    int index = static_cast<int>(op);
    if (index < 0 || index >= kOpCount) {
        return 0;
    }
    State& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.ops[index].calls;
}

std::uint32_t FaultInjection::TotalCallCount() {
    State& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    std::uint32_t total = 0;
    for (const OpState& op : state.ops) {
        total += op.calls;
    }
    return total;
}

std::uint32_t FaultInjection::FiredCount() {
    State& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.fired;
}

void FaultInjection::Reset() {
    State& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.ops.fill(OpState{});
    state.counting = false;
    state.fired = 0;
    UpdateActive(state);
}

OSErr FaultInjection::Check(PlatformOp op) {
    if (!g_active.load(std::memory_order_relaxed)) {
        return kNoErr;
    }
    int index = static_cast<int>(op);
    if (index < 0 || index >= kOpCount) {
        return kNoErr;
    }
    State& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    OpState& s = state.ops[index];
    ++s.calls;
    if (s.armedNth == 0) {
        return kNoErr;
    }
    ++s.seenSinceArmed;
    bool hit = s.seenSinceArmed == s.armedNth || (s.armedFrom && s.seenSinceArmed > s.armedNth);
    if (!hit) {
        return kNoErr;
    }
    ++state.fired;
    OSErr status = s.status;
    if (!s.armedFrom) {
        s.armedNth = 0;
        UpdateActive(state);
    }
    return status;
}
