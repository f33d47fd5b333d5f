#include "archive/CZPackSourceFile.h"

#include <cstring>

#include "filelib/zrmFile.h"
#include "platform/files.h"

namespace zorvane {

namespace {

bool SameDate(const UTCDateTime& a, const UTCDateTime& b) {
    return a.highSeconds == b.highSeconds && a.lowSeconds == b.lowSeconds &&
           a.fraction == b.fraction;
}

constexpr FSCatalogInfoBitmap kSnapshotInfo = kCatInfoNodeFlags | kCatInfoVolume | kCatInfoNodeID |
                                              kCatInfoContentMod | kCatInfoAttrMod |
                                              kCatInfoDataSizes;

}  // namespace

bool CZPackSourceFile::stSnapshot::operator==(const stSnapshot& o) const {
    return nSize == o.nSize && nNodeID == o.nNodeID && nVolume == o.nVolume &&
           SameDate(contentModDate, o.contentModDate) &&
           SameDate(attributeModDate, o.attributeModDate);
}

CZPackSourceFile::~CZPackSourceFile() {
    Close();
}

OSErr CZPackSourceFile::Measure(const char* path, stSnapshot* snapshot) {
    FSRef ref;
    bool isFolder = false;
    OSErr err = FSPathMakeRef(path, &ref, &isFolder);
    if (err != kNoErr) {
        return err;
    }
    if (isFolder) {
        return kErrNotAFile;
    }
    FSCatalogInfo info;
    std::memset(&info, 0, sizeof info);
    err = FSGetCatalogInfo(&ref, kSnapshotInfo, &info, nullptr, nullptr, nullptr);
    if (err != kNoErr) {
        return err;
    }
    if (info.nodeFlags & kNodeIsDirectory) {
        return kErrNotAFile;
    }
    snapshot->nSize = info.dataLogicalSize;
    snapshot->nNodeID = info.nodeID;
    snapshot->nVolume = info.volume;
    snapshot->contentModDate = info.contentModDate;
    snapshot->attributeModDate = info.attributeModDate;
    return kNoErr;
}

OSErr CZPackSourceFile::Open(const char* path, bool applicationFolderFirst) {
    Close();
    FSRef ref;
    if (applicationFolderFirst) {
        if (!zrmGetFileRef(&ref, path)) {
            return kErrNotFound;
        }
    } else {
        const OSErr err = FSPathMakeRef(path, &ref, nullptr);
        if (err != kNoErr) {
            return err;
        }
    }
    FSIORefNum fork = 0;
    const OSErr err = FSOpenFork(&ref, 0, nullptr, kFSReadPerm, &fork);
    if (err == kNoErr) {
        m_nFork = fork;
    }
    return err;
}

OSErr CZPackSourceFile::Read(std::uint64_t offset, void* buffer, std::uint32_t size,
                             std::uint32_t* got) {
    std::uint32_t actual = 0;
    const OSErr err = m_nFork == 0
                          ? kErrBadForkRef
                          : FSReadFork(m_nFork, kFSFromStart, static_cast<std::int64_t>(offset),
                                       size, buffer, &actual);
    if (got) {
        *got = actual;
    }
    return err;
}

void CZPackSourceFile::Close() {
    if (m_nFork != 0) {
        FSCloseFork(m_nFork);  // a read-only close has nothing to lose
        m_nFork = 0;
    }
}

}  // namespace zorvane
