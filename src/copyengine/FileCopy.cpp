#include "copyengine/FileCopy.h"

#include "copyengine/ForkCopy.h"
#include "copyengine/TreeDelete.h"
#include "platform/files.h"

namespace {

constexpr std::uint16_t kFinderAlreadyPlaced = 0x0100;
constexpr std::uint16_t kOwnerReadWriteSearch = 0x01C0;
constexpr std::uint16_t kGroupOtherBits = 0x003F;
constexpr FSCatalogInfoBitmap kFlagsPermsFinder =
    kCatInfoNodeFlags | kCatInfoPermissions | kCatInfoFinderInfo;

bool IsSymLink(const FinderInfo& finderInfo) {
    return finderInfo.fileType == kSymLinkFileType && finderInfo.fileCreator == kSymLinkCreator;
}

// Puts the source's information on a finished copy. info already holds the
// source's flags, type and permissions again.
//
// A link is first turned from the interim file that holds its target text
// into the link itself (its Finder information, a step of its own); its owner
// and dates are then set on the link, since a link's own mode cannot be set.
// In a drop box only that conversion and the dates are written.
OSErr WriteBackInfo(const FSRef* newFile, const FSCatalogInfo* info, bool isLink, bool dropBox) {
    if (isLink) {
        OSErr status = FSSetCatalogInfo(newFile, kCatInfoFinderInfo, info);
        if (status != kNoErr) {
            return status;
        }
        const FSCatalogInfoBitmap which =
            dropBox ? kCopiedDates : (kCatInfoNodeFlags | kCatInfoPermissions | kCopiedDates);
        return FSSetCatalogInfo(newFile, which, info);
    }
    return FSSetCatalogInfo(newFile, dropBox ? kCopiedDates : (kFlagsPermsFinder | kCopiedDates),
                            info);
}

}  // namespace

OSErr FSCopyFile(const FSRef* source, const FSRef* destDir, const FSCatalogInfo* sourceInfo,
                 const HFSUniStr255* newName, CopyContext* copyContext,
                 CopyFilterSettings* filterSettings, FSRef* newFile, FSSpec* newSpec) {
    FSCatalogInfo info{};
    if (sourceInfo != nullptr) {
        info = *sourceInfo;
    }
    FSRef ref{};
    FSSpec fsSpec{};
    const bool wantFSSpec = filterSettings != nullptr && filterSettings->wantFSSpec;
    OSErr status = kErrParam;
    if (source != nullptr && destDir != nullptr && copyContext != nullptr &&
        sourceInfo != nullptr && newName != nullptr) {
        status = CopyFile(source, &info, destDir, newName, copyContext, &ref,
                          (wantFSSpec || newSpec != nullptr) ? &fsSpec : nullptr);
    }
    const bool created = status == kNoErr;
    if (filterSettings != nullptr && filterSettings->filterProcPtr != nullptr) {
        const FSCatalogInfoBitmap extra = filterSettings->whichInfo & ~kCatInfoSettableInfo;
        if (status == kNoErr && extra != 0) {
            status = FSGetCatalogInfo(&ref, extra, &info, nullptr, nullptr, nullptr);
        }
        const OSErr filterStatus = filterSettings->filterProcPtr(
            false, 0, status, &info, &ref, wantFSSpec ? &fsSpec : nullptr,
            filterSettings->wantName ? newName : nullptr, filterSettings->filterData);
        if (filterStatus != kNoErr) {
            status = filterStatus;
        }
    }
    if (status != kNoErr) {
        if (created) {
            (void)FSDeleteObjects(&ref);  // a copy that is not accepted leaves nothing
        }
        return status;
    }
    if (newFile != nullptr) {
        *newFile = ref;
    }
    if (newSpec != nullptr) {
        *newSpec = fsSpec;
    }
    return kNoErr;
}

OSErr CopyFile(const FSRef* source, FSCatalogInfo* info, const FSRef* destDir,
               const HFSUniStr255* name, CopyContext* copyContext, FSRef* newFile,
               FSSpec* newSpec) {
    if (info == nullptr || copyContext == nullptr) {
        return kErrParam;
    }
    info->finderInfo.finderFlags &= static_cast<std::uint16_t>(~kFinderAlreadyPlaced);
    if (copyContext->canUseServerCopy &&
        FSUsePBHCopyFile(source, destDir, name, kTextEncodingUnknown, newFile, newSpec) == kNoErr) {
        return kNoErr;
    }
    return DoCopyFile(source, info, destDir, name, copyContext, newFile, newSpec);
}

OSErr FSUsePBHCopyFile(const FSRef* source, const FSRef* destDir, const HFSUniStr255* name,
                       TextEncoding textEncodingHint, FSRef* newFile, FSSpec* newSpec) {
    if (source == nullptr || destDir == nullptr) {
        return kErrParam;
    }
    HFSUniStr255 sourceName{};
    if (name == nullptr) {
        const OSErr status =
            FSGetCatalogInfo(source, kCatInfoNone, nullptr, &sourceName, nullptr, nullptr);
        if (status != kNoErr) {
            return status;
        }
        name = &sourceName;
    }
    const OSErr status = PBHCopyFileSync(source, destDir, name);
    if (status != kNoErr) {
        return status;
    }
    // The copy is made; failing to describe it is not reported.
    FSRef ref;
    if (FSMakeFSRefUnicode(destDir, name->length, name->unicode, textEncodingHint, &ref) ==
        kNoErr) {
        if (newFile != nullptr) {
            *newFile = ref;
        }
        if (newSpec != nullptr) {
            (void)FSGetCatalogInfo(&ref, kCatInfoNone, nullptr, nullptr, newSpec, nullptr);
        }
    }
    return kNoErr;
}

OSErr DoCopyFile(const FSRef* source, FSCatalogInfo* info, const FSRef* destDir,
                 const HFSUniStr255* name, CopyContext* copyContext, FSRef* newFile,
                 FSSpec* newSpec) {
    if (source == nullptr || info == nullptr || destDir == nullptr || name == nullptr ||
        copyContext == nullptr) {
        return kErrParam;
    }
    const bool dropBox = copyContext->isDropBox;
    const bool isLink = IsSymLink(info->finderInfo);
    const std::uint16_t originalFlags = info->nodeFlags;
    const OSType originalType = info->finderInfo.fileType;
    const FSPermissionInfo originalPermissions = info->permissions;

    // A link is written as an interim file holding its target text; it is
    // always marked busy (a link type now would make an empty link) and kept
    // private to its owner until it becomes the link.
    if (!dropBox || isLink) {
        info->finderInfo.fileType = kBusyFileType;
    }
    info->nodeFlags &= static_cast<std::uint16_t>(~kNodeLocked);
    info->permissions.mode |= kOwnerReadWriteSearch;
    if (isLink) {
        info->permissions.mode &= static_cast<std::uint16_t>(~kGroupOtherBits);
    }

    FSRef ref{};
    FSSpec fsSpec{};
    OSErr status = FSCreateFileUnicode(destDir, name->length, name->unicode, kCatInfoCreateInfo,
                                       info, &ref, newSpec != nullptr ? &fsSpec : nullptr);
    const bool created = status == kNoErr;
    if (status == kNoErr) {
        status = CopyForks(source, &ref, copyContext);
    }
    if (status == kNoErr) {
        info->nodeFlags = originalFlags;
        info->finderInfo.fileType = originalType;
        info->permissions = originalPermissions;
        status = WriteBackInfo(&ref, info, isLink, dropBox);
    }
    if (status != kNoErr) {
        if (created) {
            (void)FSDeleteObjects(&ref);  // never an object that was there before
        }
        return status;
    }
    if (newFile != nullptr) {
        *newFile = ref;
    }
    if (newSpec != nullptr) {
        *newSpec = fsSpec;
    }
    return kNoErr;
}
