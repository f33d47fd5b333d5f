#include "copyengine/ObjectCopy.h"

#include <cstring>

#include "copyengine/BufferSize.h"
#include "copyengine/FileCopy.h"
#include "copyengine/FolderCopy.h"
#include "copyengine/TreeDelete.h"
#include "platform/files.h"
#include "platform/memory.h"

namespace {

// ".DeleteMe" in UTF-16: the name an object is set aside under.
constexpr UniChar kDeleteMeName[] = {'.', 'D', 'e', 'l', 'e', 't', 'e', 'M', 'e'};
constexpr UniCharCount kDeleteMeLength = sizeof kDeleteMeName / sizeof kDeleteMeName[0];
constexpr std::uint16_t kDropBoxOthersMode = 3;  // others: write and search only
constexpr std::uint32_t kUserRightsMask = 0x07000000;
constexpr std::uint32_t kUserWriteOnly = 0x04000000;
constexpr std::uint16_t kMaxNameLength = 255;

// Reads the volume parameters of the source and destination volumes and sizes
// and allocates the copy buffer from them.
OSErr SetUpVolumes(const FSRef* source, const FSRef* destDir, CopyContext* copyContext,
                   bool* isLocal, bool* canServerCopy) {
    FSVolumeRefNum sourceVolume = 0;
    FSVolumeRefNum destVolume = 0;
    VolParmsInfo sourceParms{};
    std::uint32_t sourceCount = 0;
    OSErr status = FSGetVRefNum(source, &sourceVolume);
    if (status == kNoErr) {
        status = FSGetVolParms(sourceVolume, sizeof sourceParms, &sourceParms, &sourceCount);
    }
    if (status == kNoErr) {
        status = FSGetVRefNum(destDir, &destVolume);
    }
    if (status != kNoErr) {
        return status;
    }
    std::uint32_t bufferSize = CalcBufferSizeForVol(&sourceParms, sourceCount);
    VolParmsInfo destParms = sourceParms;
    if (destVolume != sourceVolume) {
        std::uint32_t destCount = 0;
        status = FSGetVolParms(destVolume, sizeof destParms, &destParms, &destCount);
        if (status != kNoErr) {
            return status;
        }
        const std::uint32_t destSize = CalcBufferSizeForVol(&destParms, destCount);
        bufferSize = destSize < bufferSize ? destSize : bufferSize;
    }
    copyContext->copyBuffer = NewPtr(bufferSize);
    if (copyContext->copyBuffer == nullptr) {
        return MemError();
    }
    copyContext->bufferSize = bufferSize;
    *isLocal = destParms.serverAddress == 0;
    *canServerCopy = !*isLocal && destParms.serverAddress == sourceParms.serverAddress &&
                     (sourceParms.attributes & kVolSupportsServerCopy) != 0;
    return kNoErr;
}

// In replace mode the object that holds the destination name is set aside
// before the copy reads the source. When that object is the source itself or
// holds it, the copy would read back what it is writing and then delete the
// original: refused with -1234 before anything changes.
OSErr CheckReplaceTarget(const FSRef* source, const FSRef* destDir, const HFSUniStr255* destName) {
    FSRef existing;
    const OSErr status = FSMakeFSRefUnicode(destDir, destName->length, destName->unicode,
                                            kTextEncodingUnknown, &existing);
    if (status == kErrNotFound) {
        return kNoErr;
    }
    if (status != kNoErr) {
        return status;
    }
    return CheckForDestInsideSrc(&existing, source);
}

// After the copy in replace mode. Success: the set-aside object is deleted.
// If that fails before anything of it is gone, the copy is undone and the old
// object gets its name back, so the failure changes nothing; if part of it is
// gone already, the new copy stays and the rest keeps the name ".DeleteMe".
// Failure: the failed copy has removed what it made; the old object gets its
// name back.
OSErr FinishReplace(OSErr status, const FSRef* deleteMeRef, const HFSUniStr255* destName,
                    const FSRef* newRef) {
    if (status == kNoErr) {
        std::uint32_t deleted = 0;
        status = FSDeleteObjectsCounted(deleteMeRef, &deleted);
        if (status == kNoErr || deleted > 0) {
            return status;
        }
        (void)FSDeleteObjects(newRef);
    }
    (void)FSRenameUnicode(deleteMeRef, destName->length, destName->unicode, kTextEncodingUnknown,
                          nullptr);
    return status;
}

}  // namespace

OSErr FSCopyObject(const FSRef* source, const FSRef* destDir, std::uint32_t maxLevels,
                   FSCatalogInfoBitmap whichInfo, std::uint32_t dupeAction,
                   const HFSUniStr255* newName, bool wantFSSpecs, bool wantNames,
                   CopyFilterProc filterProcPtr, void* yourDataPtr, FSRef* newObject,
                   FSSpec* newObjectSpec) {
    if (source == nullptr || destDir == nullptr) {
        return kErrParam;
    }
    CopyFilterSettings filterSettings{};
    filterSettings.whichInfo = whichInfo;
    filterSettings.filterProcPtr = filterProcPtr;
    filterSettings.filterData = yourDataPtr;
    filterSettings.wantFSSpec = filterProcPtr != nullptr && wantFSSpecs;
    filterSettings.wantName = filterProcPtr != nullptr && wantNames;

    HFSUniStr255 destName{};
    OSErr status = kNoErr;
    if (newName != nullptr) {
        destName = *newName;
    } else {
        status = GetObjectName(source, &destName, nullptr);
    }
    CopyContext copyContext{};
    FSCatalogInfo sourceInfo{};
    FSRef deleteMeRef{};
    bool isReplacing = false;
    bool isFolder = false;
    if (status == kNoErr) {
        status = FSCopyObjectPreflight(source, destDir, dupeAction, &sourceInfo, &copyContext,
                                       &destName, &deleteMeRef, &isReplacing, &isFolder);
    }
    FSRef newRef{};
    FSSpec newSpec{};
    if (status == kNoErr) {
        if (isFolder) {
            status = CheckForDestInsideSrc(source, destDir);
            if (status == kNoErr) {
                status = FSCopyFolder(source, destDir, &sourceInfo, &destName, &copyContext,
                                      &filterSettings, maxLevels, &newRef, &newSpec);
            }
        } else {
            status = FSCopyFile(source, destDir, &sourceInfo, &destName, &copyContext,
                                &filterSettings, &newRef, &newSpec);
        }
    }
    if (dupeAction == kDupActionReplace && isReplacing) {
        status = FinishReplace(status, &deleteMeRef, &destName, &newRef);
    }
    if (status == kNoErr) {
        if (newObject != nullptr) {
            *newObject = newRef;
        }
        if (newObjectSpec != nullptr) {
            *newObjectSpec = newSpec;
        }
    }
    DisposePtr(copyContext.copyBuffer);
    return status;
}

OSErr FSCopyObjectPreflight(const FSRef* source, const FSRef* destDir, std::uint32_t dupeAction,
                            FSCatalogInfo* sourceCatInfo, CopyContext* copyContext,
                            HFSUniStr255* destName, FSRef* deleteMeRef, bool* isReplacing,
                            bool* isFolder) {
    if (source == nullptr || destDir == nullptr || sourceCatInfo == nullptr ||
        copyContext == nullptr || destName == nullptr || deleteMeRef == nullptr ||
        isReplacing == nullptr || isFolder == nullptr) {
        return kErrParam;
    }
    *copyContext = CopyContext{};
    copyContext->dupeAction = dupeAction;
    *isReplacing = false;
    OSErr status =
        FSGetCatalogInfo(source, kCatInfoCopiedInfo, sourceCatInfo, nullptr, nullptr, nullptr);
    bool isLocal = true;
    bool canServerCopy = false;
    if (status == kNoErr) {
        status = SetUpVolumes(source, destDir, copyContext, &isLocal, &canServerCopy);
    }
    if (status == kNoErr) {
        status = IsDropBox(destDir, &copyContext->isDropBox);
    }
    if (status != kNoErr) {
        return status;
    }
    *isFolder = (sourceCatInfo->nodeFlags & kNodeIsDirectory) != 0;
    copyContext->isLocalDestination = isLocal;
    copyContext->canUseServerCopy = canServerCopy;
    if (dupeAction == kDupActionReplace) {
        status = CheckReplaceTarget(source, destDir, destName);
        if (status != kNoErr) {
            return status;
        }
    }
    return SetupDestination(destDir, dupeAction, destName, deleteMeRef, isReplacing);
}

OSErr SetupDestination(const FSRef* destDir, std::uint32_t dupeAction, HFSUniStr255* destName,
                       FSRef* deleteMeRef, bool* isReplacing) {
    if (destDir == nullptr || destName == nullptr || deleteMeRef == nullptr ||
        isReplacing == nullptr) {
        return kErrParam;
    }
    *isReplacing = false;
    FSRef existing;
    OSErr status = FSMakeFSRefUnicode(destDir, destName->length, destName->unicode,
                                      kTextEncodingUnknown, &existing);
    if (status == kErrNotFound) {
        return kNoErr;
    }
    if (status != kNoErr) {
        return status;
    }
    switch (dupeAction) {
        case kDupActionReplace:
            status = FSRenameUnicode(&existing, kDeleteMeLength, kDeleteMeName,
                                     kTextEncodingUnknown, deleteMeRef);
            *isReplacing = status == kNoErr;
            return status;
        case kDupActionRename:
            return GetUniqueName(destDir, destName);
        default:
            return kNoErr;
    }
}

OSErr GetUniqueName(const FSRef* destDir, HFSUniStr255* name) {
    if (destDir == nullptr || name == nullptr) {
        return kErrParam;
    }
    if (name->length + 2 > kMaxNameLength) {
        return kNoErr;  // no room for " n": the creation fails with -48
    }
    HFSUniStr255 candidate = *name;
    std::uint16_t insertAt = candidate.length;
    for (std::uint16_t i = candidate.length; i > 1; --i) {
        if (candidate.unicode[i - 1] == '.') {
            insertAt = static_cast<std::uint16_t>(i - 1);
            break;
        }
    }
    for (std::uint16_t i = candidate.length; i > insertAt; --i) {
        candidate.unicode[i + 1] = candidate.unicode[i - 1];
    }
    candidate.length = static_cast<std::uint16_t>(candidate.length + 2);
    candidate.unicode[insertAt] = ' ';
    OSErr status = kNoErr;
    for (UniChar digit = '1'; digit <= '9' && status == kNoErr; ++digit) {
        candidate.unicode[insertAt + 1] = digit;
        FSRef existing;
        status = FSMakeFSRefUnicode(destDir, candidate.length, candidate.unicode,
                                    kTextEncodingUnknown, &existing);
    }
    if (status == kErrNotFound) {
        *name = candidate;
        return kNoErr;
    }
    return status;  // 0 when all nine are taken
}

OSErr GetObjectName(const FSRef* object, HFSUniStr255* name, TextEncoding* encodingHint) {
    if (object == nullptr || name == nullptr) {
        return kErrParam;
    }
    FSCatalogInfo info{};
    const FSCatalogInfoBitmap which = encodingHint != nullptr ? kCatInfoTextEncoding : kCatInfoNone;
    const OSErr status = FSGetCatalogInfo(object, which, &info, name, nullptr, nullptr);
    if (status == kNoErr && encodingHint != nullptr) {
        *encodingHint = info.textEncodingHint;
    }
    return status;
}

OSErr FSGetVRefNum(const FSRef* object, FSVolumeRefNum* vRefNum) {
    if (object == nullptr || vRefNum == nullptr) {
        return kErrParam;
    }
    FSCatalogInfo info{};
    const OSErr status = FSGetCatalogInfo(object, kCatInfoVolume, &info, nullptr, nullptr, nullptr);
    if (status == kNoErr) {
        *vRefNum = info.volume;
    }
    return status;
}

OSErr FSGetVolParms(FSVolumeRefNum volRefNum, std::uint32_t bufferSize, VolParmsInfo* volParmsInfo,
                    std::uint32_t* actualInfoSize) {
    if (volParmsInfo == nullptr || bufferSize < sizeof(VolParmsInfo)) {
        return kErrParam;
    }
    return PBHGetVolParmsSync(volRefNum, volParmsInfo, actualInfoSize);
}

OSErr IsDropBox(const FSRef* source, bool* isDropBox) {
    if (source == nullptr || isDropBox == nullptr) {
        return kErrParam;
    }
    *isDropBox = false;
    FSCatalogInfo info{};
    FSSpec fsSpec{};
    OSErr status = FSGetCatalogInfo(source, kCatInfoNodeFlags | kCatInfoPermissions, &info, nullptr,
                                    &fsSpec, nullptr);
    if (status != kNoErr) {
        return status;
    }
    if ((info.nodeFlags & kNodeIsDirectory) == 0) {
        return kErrNotAFolder;
    }
    std::uint32_t accessRights = 0;
    status = PBHGetDirAccessSync(source, &accessRights);
    if (status == kNoErr) {
        *isDropBox = (accessRights & kUserRightsMask) == kUserWriteOnly;
        return kNoErr;
    }
    if (status == kErrParam) {
        *isDropBox = (info.permissions.mode & 7) == kDropBoxOthersMode;
        return kNoErr;
    }
    return status;
}

OSErr CheckForDestInsideSrc(const FSRef* source, const FSRef* destDir) {
    if (source == nullptr || destDir == nullptr) {
        return kErrParam;
    }
    FSRef current = *destDir;
    for (;;) {
        OSErr status = FSCompareFSRefs(&current, source);
        if (status == kNoErr) {
            return kErrDestInsideSource;
        }
        if (status != kErrDifferentObjects && status != kErrDifferentVolumes) {
            return status;
        }
        FSRef parent;
        status = FSGetCatalogInfo(&current, kCatInfoNone, nullptr, nullptr, nullptr, &parent);
        if (status != kNoErr) {
            return status;
        }
        if (std::strcmp(parent.path, current.path) == 0) {
            return kNoErr;  // the root is its own parent: not inside
        }
        current = parent;
    }
}
