#include "copyengine/ForkCopy.h"

#include <cstring>

#include "copyengine/LinkedList.h"
#include "platform/files.h"
#include "platform/memory.h"

namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint16_t kReadWriteMode = kFSAtMark | kFSNoCacheMask;

std::uint32_t RoundUpToSector(std::uint32_t count) {
    return (count + kSectorSize - 1) & ~(kSectorSize - 1);
}

// Keeps the first failure: a later status only counts while all went well.
void KeepFirst(OSErr* status, OSErr next) {
    if (*status == kNoErr) {
        *status = next;
    }
}

// The body of WriteFork. padLastChunk rounds the last write up to 512 bytes
// and cuts the fork back afterwards; it is only ever asked for data forks,
// since an attribute has no sectors and the padding could overflow the little
// room a file system gives attributes.
OSErr CopyForkData(FSIORefNum srcRefNum, FSIORefNum destRefNum, CopyContext* copyContext,
                   std::uint64_t forkSize, bool padLastChunk);

// Padding is a disk measure: only data forks on a local destination get it.
bool PadsLastChunk(const HFSUniStr255& forkName, const CopyContext* copyContext) {
    return copyContext->isLocalDestination && forkName.length == 0;
}

// Opens the destination fork for writing, then the source fork for reading,
// copies, and closes whichever was opened (destination first).
OSErr CopyOneFork(const FSRef* source, const FSRef* dest, const HFSUniStr255& name,
                  std::uint64_t size, CopyContext* copyContext) {
    FSIORefNum destRefNum = 0;
    FSIORefNum sourceRefNum = 0;
    OSErr status = FSOpenFork(dest, name.length, name.unicode, kFSWritePerm, &destRefNum);
    if (status == kNoErr) {
        status = FSOpenFork(source, name.length, name.unicode, kFSReadPerm, &sourceRefNum);
    }
    if (status == kNoErr) {
        status = CopyForkData(sourceRefNum, destRefNum, copyContext, size,
                              PadsLastChunk(name, copyContext));
    }
    if (destRefNum != 0) {
        KeepFirst(&status, FSCloseFork(destRefNum));
    }
    if (sourceRefNum != 0) {
        KeepFirst(&status, FSCloseFork(sourceRefNum));
    }
    return status;
}

// Fills one already open drop-box fork from the source fork of that name.
OSErr FillDropBoxFork(const FSRef* source, const ForkEntry& entry, CopyContext* copyContext) {
    FSIORefNum sourceRefNum = 0;
    OSErr status = FSOpenFork(source, entry.forkName.length, entry.forkName.unicode, kFSReadPerm,
                              &sourceRefNum);
    if (status != kNoErr) {
        return status;
    }
    status = CopyForkData(sourceRefNum, entry.forkDestRefNum, copyContext, entry.forkSize,
                          PadsLastChunk(entry.forkName, copyContext));
    KeepFirst(&status, FSCloseFork(sourceRefNum));
    return status;
}

// Closes every open destination fork of the list, keeping the first failure,
// so that a fork that could not be closed is not reported as copied.
OSErr CloseDestForks(LinkedList* forkList) {
    OSErr status = kNoErr;
    ListIterator it = nullptr;
    for (InitIterator(forkList, &it); it != nullptr; Next(&it)) {
        auto* entry = static_cast<ForkEntry*>(GetData(it));
        if (entry->forkDestRefNum != 0) {
            KeepFirst(&status, FSCloseFork(entry->forkDestRefNum));
            entry->forkDestRefNum = 0;
        }
    }
    return status;
}

OSErr CopyForkData(FSIORefNum srcRefNum, FSIORefNum destRefNum, CopyContext* copyContext,
                   std::uint64_t forkSize, bool padLastChunk) {
    OSErr status =
        FSAllocateFork(destRefNum, kFSAllocNoRoundUp, kFSFromStart, 0, forkSize, nullptr);
    auto* buffer = static_cast<unsigned char*>(copyContext->copyBuffer);
    std::uint64_t remaining = forkSize;
    while (status == kNoErr && remaining > 0) {
        const std::uint32_t chunk = remaining < copyContext->bufferSize
                                        ? static_cast<std::uint32_t>(remaining)
                                        : copyContext->bufferSize;
        status = FSReadFork(srcRefNum, kReadWriteMode, 0, chunk, buffer, nullptr);
        if (status == kNoErr) {
            std::uint32_t writeCount = chunk;
            if (padLastChunk) {
                // The padding is cut off again below; zero it so that no bytes
                // of an earlier file ever reach this one, even for a moment.
                writeCount = RoundUpToSector(chunk);
                std::memset(buffer + chunk, 0, writeCount - chunk);
            }
            status = FSWriteFork(destRefNum, kReadWriteMode, 0, writeCount, buffer, nullptr);
        }
        remaining -= chunk;
    }
    if (status == kNoErr && padLastChunk && forkSize % kSectorSize != 0) {
        status = FSSetForkSize(destRefNum, kFSFromStart, static_cast<std::int64_t>(forkSize));
    }
    return status;
}

}  // namespace

OSErr CopyForks(const FSRef* source, const FSRef* dest, CopyContext* copyContext) {
    if (source == nullptr || dest == nullptr || copyContext == nullptr) {
        return kErrParam;
    }
    return copyContext->isDropBox ? CopyForksToDropBox(source, dest, copyContext)
                                  : CopyForksToDisk(source, dest, copyContext);
}

OSErr CopyForksToDisk(const FSRef* source, const FSRef* dest, CopyContext* copyContext) {
    ForkIterator iterator{};
    OSErr status = kNoErr;
    while (status == kNoErr) {
        HFSUniStr255 name;
        std::int64_t size = 0;
        status = FSIterateForks(source, &iterator, &name, &size, nullptr);
        if (status != kNoErr) {
            break;
        }
        status = FSCreateFork(dest, name.length, name.unicode);
        if (status == kErrForkExists && !copyContext->isLocalDestination) {
            status = kNoErr;
        }
        if (status == kNoErr && size > 0) {
            status = CopyOneFork(source, dest, name, static_cast<std::uint64_t>(size), copyContext);
        }
    }
    return status == kErrNoMoreItems ? kNoErr : status;
}

OSErr CopyForksToDropBox(const FSRef* source, const FSRef* dest, CopyContext* copyContext) {
    LinkedList forkList;
    InitLinkedList(&forkList, MyCloseForkProc);
    OSErr status = OpenAllForks(source, dest, &forkList);
    ListIterator it = nullptr;
    for (InitIterator(&forkList, &it); status == kNoErr && it != nullptr; Next(&it)) {
        const auto* entry = static_cast<const ForkEntry*>(GetData(it));
        if (entry->forkSize > 0) {
            status = FillDropBoxFork(source, *entry, copyContext);
        }
    }
    KeepFirst(&status, CloseDestForks(&forkList));
    DestroyList(&forkList);
    return status;
}

OSErr OpenAllForks(const FSRef* source, const FSRef* dest, LinkedList* forkList) {
    ForkIterator iterator{};
    OSErr status = kNoErr;
    while (status == kNoErr) {
        auto* entry = static_cast<ForkEntry*>(NewPtrClear(sizeof(ForkEntry)));
        if (entry == nullptr) {
            return MemError();
        }
        std::int64_t size = 0;
        status = FSIterateForks(source, &iterator, &entry->forkName, &size, nullptr);
        entry->forkSize = static_cast<std::uint64_t>(size);
        if (status == kNoErr) {
            status = FSCreateFork(dest, entry->forkName.length, entry->forkName.unicode);
            if (status == kErrAccessDenied) {
                status = kNoErr;
            }
        }
        if (status == kNoErr && entry->forkSize > 0) {
            status = FSOpenFork(dest, entry->forkName.length, entry->forkName.unicode, kFSWritePerm,
                                &entry->forkDestRefNum);
        }
        if (status == kNoErr) {
            status = AddToTail(forkList, entry);
        }
        if (status != kNoErr) {
            MyCloseForkProc(entry);  // not in the list: close and free it here
        }
    }
    return status == kErrNoMoreItems ? kNoErr : status;
}

OSErr WriteFork(FSIORefNum srcRefNum, FSIORefNum destRefNum, CopyContext* copyContext,
                std::uint64_t forkSize) {
    if (copyContext == nullptr) {
        return kErrParam;
    }
    return CopyForkData(srcRefNum, destRefNum, copyContext, forkSize,
                        copyContext->isLocalDestination);
}

void MyCloseForkProc(void* forkEntry) {
    if (forkEntry == nullptr) {
        return;
    }
    auto* entry = static_cast<ForkEntry*>(forkEntry);
    if (entry->forkDestRefNum != 0) {
        (void)FSCloseFork(entry->forkDestRefNum);
    }
    DisposePtr(entry);
}
