#include "copyengine/TreeDelete.h"

#include "platform/files.h"

namespace {

// Clears the locked flag of an object whose flags were just read. A failure
// is not reported: the delete that follows fails and says why.
void UnlockIfLocked(const FSRef* ref, std::uint16_t nodeFlags) {
    if ((nodeFlags & kNodeLocked) == 0) {
        return;
    }
    FSCatalogInfo info{};
    info.nodeFlags = static_cast<std::uint16_t>(nodeFlags & ~kNodeLocked);
    (void)FSSetCatalogInfo(ref, kCatInfoNodeFlags, &info);
}

}  // namespace

OSErr FSDeleteObjects(const FSRef* source) {
    if (source == nullptr) {
        return kErrParam;
    }
    FSCatalogInfo info{};
    OSErr status = FSGetCatalogInfo(source, kCatInfoNodeFlags, &info, nullptr, nullptr, nullptr);
    if (status != kNoErr) {
        return status;
    }
    if ((info.nodeFlags & kNodeIsDirectory) != 0) {
        status = FSDeleteFolder(source);
        if (status != kNoErr) {
            return status;
        }
    }
    UnlockIfLocked(source, info.nodeFlags);
    return FSDeleteObject(source);
}

OSErr FSDeleteFolder(const FSRef* container) {
    if (container == nullptr) {
        return kErrParam;
    }
    DeleteState state{};
    state.result = kNoErr;
    FSDeleteFolderLevel(container, &state);
    return state.result;
}

void FSDeleteFolderLevel(const FSRef* container, DeleteState* state) {
    FSIterator iterator = nullptr;
    state->result = FSOpenIterator(container, kFSIterateDelete, &iterator);
    if (state->result != kNoErr) {
        return;
    }
    while (state->result == kNoErr) {
        FSRef child;
        state->actualCount = 0;
        state->result =
            FSGetCatalogInfoBulk(iterator, 1, &state->actualCount, nullptr, kCatInfoNodeFlags,
                                 &state->catalogInfo, &child, nullptr, nullptr);
        // The fetch that reaches the end may still carry the last child.
        if ((state->result == kNoErr || state->result == kErrNoMoreItems) &&
            state->actualCount == 1) {
            const OSErr fetchStatus = state->result;
            const std::uint16_t flags = state->catalogInfo.nodeFlags;  // recursion overwrites it
            state->result = kNoErr;
            if ((flags & kNodeIsDirectory) != 0) {
                FSDeleteFolderLevel(&child, state);
            }
            if (state->result == kNoErr) {
                UnlockIfLocked(&child, flags);
                state->result = FSDeleteObject(&child);
            }
            if (state->result == kNoErr) {
                state->result = fetchStatus;
            }
        }
    }
    if (state->result == kErrNoMoreItems) {
        state->result = kNoErr;
    }
    const OSErr closeStatus = FSCloseIterator(iterator);
    if (state->result == kNoErr) {
        state->result = closeStatus;
    }
}
