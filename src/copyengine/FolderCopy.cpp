#include "copyengine/FolderCopy.h"

#include "copyengine/BusyDate.h"
#include "copyengine/FileCopy.h"
#include "copyengine/ForkCopy.h"
#include "copyengine/TreeDelete.h"
#include "platform/files.h"
#include "platform/memory.h"

namespace {

constexpr std::uint16_t kFinderAlreadyPlaced = 0x0100;
constexpr std::uint16_t kOwnerReadWriteSearch = 0x01C0;

// The three batch arrays of a folder copy; freed by their owner. status is
// the allocator's status of the first block that could not be had.
struct BatchArrays {
    BatchArrays() {
        infos = static_cast<FSCatalogInfo*>(Allocate(kMaxChildrenPerFetch * sizeof(FSCatalogInfo)));
        refs = static_cast<FSRef*>(Allocate(kMaxChildrenPerFetch * sizeof(FSRef)));
        names = static_cast<HFSUniStr255*>(Allocate(kMaxChildrenPerFetch * sizeof(HFSUniStr255)));
    }
    ~BatchArrays() {
        DisposePtr(infos);
        DisposePtr(refs);
        DisposePtr(names);
    }
    BatchArrays(const BatchArrays&) = delete;
    BatchArrays& operator=(const BatchArrays&) = delete;

    void* Allocate(std::size_t size) {
        if (status != kNoErr) {
            return nullptr;
        }
        void* block = NewPtr(size);
        if (block == nullptr) {
            status = MemError();
        }
        return block;
    }

    OSErr status = kNoErr;
    FSCatalogInfo* infos = nullptr;
    FSRef* refs = nullptr;
    HFSUniStr255* names = nullptr;
};

// Gives a finished sub-folder its source's lock, permissions and dates; in a
// drop box only the dates.
OSErr FinishSubFolder(const FSRef* folder, const FSCatalogInfo* info, bool dropBox) {
    const FSCatalogInfoBitmap which =
        dropBox ? kCopiedDates : (kCatInfoNodeFlags | kCatInfoPermissions | kCopiedDates);
    return FSSetCatalogInfo(folder, which, info);
}

// Gives the finished top folder its real data: the busy mark goes, then the
// source's creation date, permissions, lock and dates are written.
OSErr FinishTopFolder(const FSRef* folder, const FSCatalogInfo* info, bool dropBox) {
    if (dropBox) {
        return FSSetCatalogInfo(folder, kCopiedDates, info);
    }
    const OSErr status = FSClearBusyMark(folder);
    if (status != kNoErr) {
        return status;
    }
    return FSSetCatalogInfo(
        folder, kCatInfoCreateDate | kCatInfoPermissions | kCatInfoNodeFlags | kCopiedDates, info);
}

// Finishes every queued folder, last queued first. The queue is in depth-first
// pre-order, so this reaches every folder after everything inside it, and the
// top folder last.
OSErr FinishFolders(LinkedList* folderList, bool dropBox) {
    if (folderList->count == 0) {
        return kNoErr;
    }
    auto** pairs = static_cast<FolderPair**>(NewPtr(folderList->count * sizeof(FolderPair*)));
    if (pairs == nullptr) {
        return MemError();
    }
    std::uint32_t count = 0;
    ListIterator it = nullptr;
    for (InitIterator(folderList, &it); it != nullptr; Next(&it)) {
        pairs[count++] = static_cast<FolderPair*>(GetData(it));
    }
    OSErr status = kNoErr;
    for (std::uint32_t i = count; i > 0 && status == kNoErr; --i) {
        const FolderPair* pair = pairs[i - 1];
        status = pair->level == 0 ? FinishTopFolder(&pair->destDir, &pair->sourceInfo, dropBox)
                                  : FinishSubFolder(&pair->destDir, &pair->sourceInfo, dropBox);
    }
    DisposePtr(pairs);
    return status;
}

// Appends a pair for a folder whose children are still to be copied.
OSErr QueueFolder(LinkedList* list, const FSRef* source, const FSRef* dest, std::uint32_t level,
                  const FSCatalogInfo* sourceInfo) {
    auto* pair = static_cast<FolderPair*>(NewPtr(sizeof(FolderPair)));
    if (pair == nullptr) {
        return MemError();
    }
    pair->sourceDir = *source;
    pair->destDir = *dest;
    pair->level = level;
    pair->sourceInfo = *sourceInfo;
    const OSErr status = AddToTail(list, pair);
    if (status != kNoErr) {
        DisposePtr(pair);
    }
    return status;
}

// Calls the caller's filter for one new object. Extra catalogue fields are
// read first when the filter wants fields outside the settable group. A
// status other than 0 from the filter fails the copy; a failure is never
// turned into success.
OSErr RunFilter(CopyFilterSettings* settings, std::uint32_t level, OSErr status,
                FSCatalogInfo* info, const FSRef* newRef, const FSSpec* fsSpec,
                const HFSUniStr255* name) {
    if (settings->filterProcPtr == nullptr) {
        return status;
    }
    const FSCatalogInfoBitmap extra = settings->whichInfo & ~kCatInfoSettableInfo;
    if (status == kNoErr && extra != 0) {
        status = FSGetCatalogInfo(newRef, extra, info, nullptr, nullptr, nullptr);
    }
    const OSErr filterStatus =
        settings->filterProcPtr(settings->containerChanged, level, status, info, newRef,
                                settings->wantFSSpec ? fsSpec : nullptr,
                                settings->wantName ? name : nullptr, settings->filterData);
    return filterStatus != kNoErr ? filterStatus : status;
}

// Copies child i of the current batch into the current destination folder.
OSErr CopyChild(FolderCopyState* state, std::uint32_t i, LinkedList* newFolders) {
    FSCatalogInfo* info = &state->catalogInfoList[i];
    const FSRef* source = &state->srcRefList[i];
    const HFSUniStr255* name = &state->nameList[i];
    CopyContext* context = state->copyContext;
    FSRef newRef{};
    FSSpec fsSpec{};
    FSSpec* fsSpecOut = state->filterSettings->wantFSSpec ? &fsSpec : nullptr;
    OSErr status;
    if ((info->nodeFlags & kNodeIsDirectory) != 0) {
        status =
            CreateFolder(source, &state->currentDstDir, info, name, context, &newRef, fsSpecOut);
        if (status == kNoErr) {
            const std::uint32_t childLevel = state->currentLevel + 1;
            if (state->maxLevels == 0 || childLevel < state->maxLevels) {
                status = QueueFolder(newFolders, source, &newRef, childLevel, info);
            } else {
                // Beyond the level limit the folder stays empty: it is done.
                status = FinishSubFolder(&newRef, info, context->isDropBox);
            }
        }
    } else {
        status = CopyFile(source, info, &state->currentDstDir, name, context, &newRef, fsSpecOut);
    }
    return RunFilter(state->filterSettings, state->currentLevel, status, info, &newRef, &fsSpec,
                     name);
}

// Leaves a folder that the copier owns with owner-only rights.
OSErr MakePrivate(const FSRef* folder) {
    FSCatalogInfo info{};
    OSErr status = FSGetCatalogInfo(folder, kCatInfoPermissions, &info, nullptr, nullptr, nullptr);
    if (status != kNoErr) {
        return status;
    }
    info.permissions.mode = static_cast<std::uint16_t>((info.permissions.mode & ~07777) | 0700);
    return FSSetCatalogInfo(folder, kCatInfoPermissions, &info);
}

// DoCreateFolder, for a top folder optionally made private: owned by the
// copier (its source's owner is not applied) with owner-only rights, so that
// nobody else can reach into the tree, replace a folder in it by a link and
// so steer what the copy writes, until the tree gets its real data.
OSErr CreateFolderWith(const FSRef* source, const FSRef* destDir, const FSCatalogInfo* info,
                       const HFSUniStr255* name, CopyContext* copyContext, bool makePrivate,
                       FSRef* newFolder, FSSpec* newSpec) {
    if (source == nullptr || destDir == nullptr || info == nullptr || name == nullptr ||
        copyContext == nullptr || newFolder == nullptr) {
        return kErrParam;
    }
    FSCatalogInfo copy = *info;
    copy.finderInfo.finderFlags &= static_cast<std::uint16_t>(~kFinderAlreadyPlaced);
    copy.permissions.mode |= kOwnerReadWriteSearch;
    // A locked (immutable) folder could not take its children.
    copy.nodeFlags &= static_cast<std::uint16_t>(~kNodeLocked);
    const FSCatalogInfoBitmap which =
        makePrivate ? (kCatInfoCreateInfo & ~kCatInfoPermissions) : kCatInfoCreateInfo;
    FSRef ref{};
    OSErr status = FSCreateDirectoryUnicode(destDir, name->length, name->unicode, which, &copy,
                                            &ref, newSpec, nullptr);
    if (status != kNoErr) {
        return status;
    }
    if (makePrivate) {
        status = MakePrivate(&ref);
    }
    if (status == kNoErr) {
        status = CopyForks(source, &ref, copyContext);
    }
    if (status != kNoErr) {
        (void)FSDeleteObjects(&ref);
        return status;
    }
    *newFolder = ref;
    return kNoErr;
}

}  // namespace

OSErr FSCopyFolder(const FSRef* source, const FSRef* destDir, const FSCatalogInfo* sourceInfo,
                   const HFSUniStr255* newName, CopyContext* copyContext,
                   CopyFilterSettings* filterSettings, std::uint32_t maxLevels, FSRef* newFolder,
                   FSSpec* newSpec) {
    if (source == nullptr || destDir == nullptr || sourceInfo == nullptr || newName == nullptr ||
        copyContext == nullptr || filterSettings == nullptr) {
        return kErrParam;
    }
    FSCatalogInfo info = *sourceInfo;
    BatchArrays arrays;
    if (arrays.status != kNoErr) {
        return arrays.status;
    }
    FolderCopyState state{};
    state.catalogInfoList = arrays.infos;
    state.srcRefList = arrays.refs;
    state.nameList = arrays.names;
    state.copyContext = copyContext;
    state.filterSettings = filterSettings;
    state.maxLevels = maxLevels;
    InitLinkedList(&state.folderList, MyDisposeDataProc);

    const bool dropBox = copyContext->isDropBox;
    OSErr status = kNoErr;
    UTCDateTime busyDate{};
    if (!dropBox) {
        status = GetMagicBusyCreateDate(&busyDate);
        info.createDate = busyDate;
    }
    FSRef dest{};
    FSSpec fsSpec{};
    bool created = false;
    if (status == kNoErr) {
        status = CreateFolderWith(
            source, destDir, &info, newName, copyContext, !dropBox, &dest,
            (filterSettings->wantFSSpec || newSpec != nullptr) ? &fsSpec : nullptr);
        created = status == kNoErr;
        if (created && !dropBox) {
            status = FSSetBusyMark(&dest, &busyDate);
        }
        status = RunFilter(filterSettings, 0, status, &info, &dest, &fsSpec, newName);
    }
    if (status == kNoErr) {
        status = QueueFolder(&state.folderList, source, &dest, 0, sourceInfo);
        if (status == kNoErr) {
            status = ProcessFolderList(&state);
        }
    }
    if (status == kNoErr) {
        status = FinishFolders(&state.folderList, dropBox);
    }
    DestroyList(&state.folderList);

    if (status != kNoErr) {
        if (created) {
            (void)FSDeleteObjects(&dest);  // a failed copy leaves no half-made tree
        }
        return status;
    }
    if (newFolder != nullptr) {
        *newFolder = dest;
    }
    if (newSpec != nullptr) {
        *newSpec = fsSpec;
    }
    return kNoErr;
}

OSErr ProcessFolderList(FolderCopyState* state) {
    OSErr status = kNoErr;
    InitIterator(&state->folderList, &state->currentFolderPair);
    while (status == kNoErr && state->currentFolderPair != nullptr) {
        const auto* pair = static_cast<const FolderPair*>(GetData(state->currentFolderPair));
        state->currentSrcDir = pair->sourceDir;
        state->currentDstDir = pair->destDir;
        state->currentLevel = pair->level;
        status = CopyFolder(state);
        Next(&state->currentFolderPair);
    }
    return status;
}

OSErr CopyFolder(FolderCopyState* state) {
    LinkedList newFolders;
    InitLinkedList(&newFolders, MyDisposeDataProc);
    FSIterator iterator = nullptr;
    OSErr status = FSOpenIterator(&state->currentSrcDir, kFSIterateFlat, &iterator);
    if (status != kNoErr) {
        return status;
    }
    OSErr fetchStatus = kNoErr;
    while (status == kNoErr && fetchStatus == kNoErr) {
        std::uint32_t count = 0;
        fetchStatus = FSGetCatalogInfoBulk(iterator, kMaxChildrenPerFetch, &count,
                                           &state->filterSettings->containerChanged,
                                           kCatInfoCopiedInfo, state->catalogInfoList,
                                           state->srcRefList, nullptr, state->nameList);
        if (fetchStatus != kNoErr && fetchStatus != kErrNoMoreItems) {
            status = fetchStatus;  // a folder that cannot be read in full is a failure
            break;
        }
        for (std::uint32_t i = 0; i < count && status == kNoErr; ++i) {
            status = CopyChild(state, i, &newFolders);
        }
    }
    // The new sub-folders come next in the queue, also after a failure, so
    // that the queue owns their pairs.
    InsertList(&state->folderList, &newFolders, state->currentFolderPair);
    DestroyList(&newFolders);
    const OSErr closeStatus = FSCloseIterator(iterator);
    return status != kNoErr ? status : closeStatus;
}

OSErr CreateFolder(const FSRef* source, const FSRef* destDir, const FSCatalogInfo* sourceInfo,
                   const HFSUniStr255* name, CopyContext* copyContext, FSRef* newFolder,
                   FSSpec* newSpec) {
    if (source == nullptr || destDir == nullptr || sourceInfo == nullptr || name == nullptr ||
        newFolder == nullptr) {
        return kErrParam;
    }
    // Its real permissions, lock and dates follow once its contents are done
    // (FinishFolders), so that a read-only source folder can still be filled.
    return DoCreateFolder(source, destDir, sourceInfo, name, copyContext, newFolder, newSpec);
}

OSErr DoCreateFolder(const FSRef* source, const FSRef* destDir, const FSCatalogInfo* info,
                     const HFSUniStr255* name, CopyContext* copyContext, FSRef* newFolder,
                     FSSpec* newSpec) {
    return CreateFolderWith(source, destDir, info, name, copyContext, false, newFolder, newSpec);
}
