// Volumes: numbers handed out per device, parameters from statfs.
#include <errno.h>
#include <sys/stat.h>
#include <sys/statfs.h>

#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/internal.h"

using namespace zv_platform_detail;

namespace {

// File systems whose data lives on another machine.
bool IsNetworkFileSystem(long type) {
    switch (static_cast<unsigned long>(type) & 0xFFFFFFFFul) {
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFF534D42:  // CIFS
        case 0xFE534D42:  // SMB2
        case 0x5346414F:  // AFS
        case 0x00C36400:  // Ceph
        case 0x73757245:  // Coda
        case 0x564C:      // NCP
        case 0x01021997:  // 9P
            return true;
        default:
            return false;
    }
}

}  // namespace

OSErr FSGetVolumeRefNum(const FSRef* ref, FSVolumeRefNum* volume) {
    ZV_FAULT_POINT(FSGetVolumeRefNum);
    if (volume == nullptr) {
        return kErrParam;
    }
    struct stat st;
    OSErr err = StatRef(ref, &st);
    if (err != kNoErr) {
        return err;
    }
    FSVolumeRefNum number = VolumeForDevice(st.st_dev, ref->path);
    if (number == 0) {
        return kErrTooManyOpen;
    }
    *volume = number;
    return kNoErr;
}

OSErr PBHGetVolParmsSync(FSVolumeRefNum volume, VolParmsInfo* info, std::uint32_t* actualCount) {
    ZV_FAULT_POINT(PBHGetVolParmsSync);
    if (info == nullptr) {
        return kErrParam;
    }
    std::string root;
    if (!VolumeRootPath(volume, &root)) {
        return kErrNotFound;
    }
    struct statfs fs;
    if (statfs(root.c_str(), &fs) != 0) {
        return StatusFromErrno(errno);
    }
    VolParmsInfo result{};
    result.attributes = 0;
    if (IsNetworkFileSystem(static_cast<long>(fs.f_type))) {
        std::uint32_t id;
        std::memcpy(&id, &fs.f_fsid, sizeof id);
        result.serverAddress = id | 1u;
    }
    result.volumeGrade = 0;
    result.blockSize = static_cast<std::uint32_t>(fs.f_bsize);
    result.totalBytes = static_cast<std::uint64_t>(fs.f_blocks) * fs.f_frsize;
    result.freeBytes = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
    result.fileSystemType = static_cast<std::int64_t>(fs.f_type);
    *info = result;
    if (actualCount != nullptr) {
        *actualCount = sizeof(VolParmsInfo);
    }
    return kNoErr;
}

OSErr PBHCopyFileSync(const FSRef* /*source*/, const FSRef* /*destDirectory*/,
                      const HFSUniStr255* /*newName*/) {
    ZV_FAULT_POINT(PBHCopyFileSync);
    return kErrUnimplemented;
}

OSErr PBHGetDirAccessSync(const FSRef* /*folder*/, std::uint32_t* /*accessRights*/) {
    ZV_FAULT_POINT(PBHGetDirAccessSync);
    return kErrParam;
}
