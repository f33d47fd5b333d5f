// A file that the archive writer makes beside its target: the new archive
// under a temporary name, or a scratch file for compressed data. It is made
// new (never over an existing name), kept open for reading and writing, and
// removed when the object ends unless it was put in place.
//
//   CZPackWorkFile f;
//   f.Create(folder, "zrpk-tmp-0123456789");   // -48 when the name is taken
//   f.Write(0, header, 28); ...
//   f.PlaceAs("a.zpk", &placed);                // flushed, then renamed over
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace zorvane {

class CZPackWorkFile {
  public:
    CZPackWorkFile() = default;
    // Closes the file and removes it unless it was placed or unlinked.
    ~CZPackWorkFile();
    CZPackWorkFile(const CZPackWorkFile&) = delete;
    CZPackWorkFile& operator=(const CZPackWorkFile&) = delete;

    // Makes the empty file name (UTF-8) in folder and opens it, with the
    // given owner, group and mode when permissions is not null (else the
    // umask decides). -48 when the name is taken; nothing is made then.
    OSErr Create(const FSRef& folder, const char* name,
                 const FSPermissionInfo* permissions = nullptr);

    // Removes the file's name at once and keeps the open file: a scratch
    // file that nothing, not even a crash, leaves behind.
    OSErr Unlink();

    // Writes all size bytes at offset.
    OSErr Write(std::uint64_t offset, const void* data, std::uint32_t size);
    // Reads all size bytes at offset (-39 when the file ends first).
    OSErr Read(std::uint64_t offset, void* data, std::uint32_t size);

    // Flushes the data to the disk, closes the file and renames it over name
    // in its folder, replacing what held that name at once. From then on the
    // object leaves the file alone; placed (may be null) receives it.
    OSErr PlaceAs(const char* name, FSRef* placed);

    // Closes and removes the file now.
    void Discard();

    // The file's name in its folder (empty before Create).
    const char* Name() const { return m_szName; }

  private:
    FSRef m_Ref = {};
    FSIORefNum m_nFork = 0;
    bool m_bOwned = false;  // the name exists and is ours to remove
    char m_szName[256] = {};
};

}  // namespace zorvane
