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
    return FSDeleteObjectsCounted(source, nullptr);
}

OSErr FSDeleteObjectsCounted(const FSRef* source, std::uint32_t* deletedCount) {
    std::uint32_t deleted = 0;
    OSErr status = kErrParam;
    FSCatalogInfo info{};
    if (source != nullptr) {
        status = FSGetCatalogInfo(source, kCatInfoNodeFlags, &info, nullptr, nullptr, nullptr);
    }
    if (status == kNoErr && (info.nodeFlags & kNodeIsDirectory) != 0) {
        status = FSDeleteFolderCounted(source, &deleted);
    }
    if (status == kNoErr) {
        UnlockIfLocked(source, info.nodeFlags);
        status = FSDeleteObject(source);
        deleted += status == kNoErr ? 1 : 0;
    }
    if (deletedCount != nullptr) {
        *deletedCount = deleted;
    }
    return status;
}

OSErr FSDeleteFolder(const FSRef* container) {
    return FSDeleteFolderCounted(container, nullptr);
}

OSErr FSDeleteFolderCounted(const FSRef* container, std::uint32_t* deletedCount) {
    DeleteState state{};
    state.result = kErrParam;
    if (container != nullptr) {
        state.result = kNoErr;
        FSDeleteFolderLevel(container, &state);
    }
    if (deletedCount != nullptr) {
        *deletedCount = state.deletedCount;
    }
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
                state->deletedCount += state->result == kNoErr ? 1 : 0;
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
