#include "archive/CZPackWorkFile.h"

#include <cstring>

#include "platform/durable.h"
#include "platform/files.h"
#include "platform/names.h"

namespace zorvane {

CZPackWorkFile::~CZPackWorkFile() {
    Discard();
}

OSErr CZPackWorkFile::Create(const FSRef& folder, const char* name,
                             const FSPermissionInfo* permissions) {
    Discard();
    HFSUniStr255 uname;
    OSErr err = HFSUniStr255FromUtf8(name, &uname);
    if (err != kNoErr || std::strlen(name) >= sizeof m_szName) {
        return err != kNoErr ? err : kErrBadName;
    }
    FSCatalogInfo info;
    std::memset(&info, 0, sizeof info);
    if (permissions) {
        info.permissions = *permissions;
        info.permissions.mode &= 0777;
    }
    FSRef ref;
    err =
        FSCreateFileUnicode(&folder, uname.length, uname.unicode,
                            permissions ? kCatInfoPermissions : kCatInfoNone, &info, &ref, nullptr);
    if (err != kNoErr) {
        return err;
    }
    m_Ref = ref;
    m_bOwned = true;
    std::strcpy(m_szName, name);
    FSIORefNum fork = 0;
    err = FSOpenFork(&m_Ref, 0, nullptr, kFSReadWritePerm, &fork);
    if (err != kNoErr) {
        Discard();
        return err;
    }
    m_nFork = fork;
    return kNoErr;
}

OSErr CZPackWorkFile::Unlink() {
    if (!m_bOwned) {
        return kErrNotFound;
    }
    const OSErr err = FSDeleteObject(&m_Ref);
    if (err == kNoErr) {
        m_bOwned = false;
    }
    return err;
}

OSErr CZPackWorkFile::Write(std::uint64_t offset, const void* data, std::uint32_t size) {
    if (m_nFork == 0) {
        return kErrBadForkRef;
    }
    if (size == 0) {
        return kNoErr;
    }
    return FSWriteFork(m_nFork, kFSFromStart, static_cast<std::int64_t>(offset), size, data,
                       nullptr);
}

OSErr CZPackWorkFile::Read(std::uint64_t offset, void* data, std::uint32_t size) {
    if (m_nFork == 0) {
        return kErrBadForkRef;
    }
    if (size == 0) {
        return kNoErr;
    }
    std::uint32_t got = 0;
    const OSErr err =
        FSReadFork(m_nFork, kFSFromStart, static_cast<std::int64_t>(offset), size, data, &got);
    return err == kNoErr && got != size ? kErrEOF : err;
}

OSErr CZPackWorkFile::PlaceAs(const char* name, FSRef* placed) {
    if (m_nFork == 0 || !m_bOwned) {
        return kErrBadForkRef;
    }
    HFSUniStr255 uname;
    OSErr err = HFSUniStr255FromUtf8(name, &uname);
    if (err != kNoErr) {
        return err;
    }
    // Flush while the writing descriptor is still open, so that a failed
    // write-back is reported here rather than lost.
    err = FSFlushObject(&m_Ref);
    const FSIORefNum fork = m_nFork;
    m_nFork = 0;
    const OSErr closed = FSCloseFork(fork);
    if (err == kNoErr) {
        err = closed;
    }
    if (err != kNoErr) {
        return err;
    }
    FSRef renamed;
    err = FSRenameOverUnicode(&m_Ref, uname.length, uname.unicode, &renamed);
    if (err != kNoErr) {
        return err;
    }
    m_bOwned = false;
    m_Ref = renamed;
    if (placed) {
        *placed = renamed;
    }
    return kNoErr;
}

void CZPackWorkFile::Discard() {
    if (m_nFork != 0) {
        FSCloseFork(m_nFork);
        m_nFork = 0;
    }
    if (m_bOwned) {
        FSDeleteObject(&m_Ref);
        m_bOwned = false;
    }
}

}  // namespace zorvane
