// A file that the archive writer reads: a pending entry's source file or the
// archive whose streams are copied. It is opened once for reading and read at
// explicit offsets, and its identity, size and change dates can be taken
// before and after reading to tell whether it changed meanwhile.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace zorvane {

class CZPackSourceFile {
  public:
    // What a file looks like at one moment: a write, a truncation or a
    // replacement by another file changes at least one field.
    struct stSnapshot {
        std::uint64_t nSize = 0;
        std::uint32_t nNodeID = 0;
        FSVolumeRefNum nVolume = 0;
        UTCDateTime contentModDate = {};
        UTCDateTime attributeModDate = {};

        bool operator==(const stSnapshot& other) const;
    };

    CZPackSourceFile() = default;
    ~CZPackSourceFile();
    CZPackSourceFile(const CZPackSourceFile&) = delete;
    CZPackSourceFile& operator=(const CZPackSourceFile&) = delete;

    // Takes the snapshot of the file at path (the path itself, absolute or
    // relative to the current folder). -43 when nothing is there, -1302 for a
    // folder.
    static OSErr Measure(const char* path, stSnapshot* snapshot);

    // Opens the file at path for reading. With applicationFolderFirst the
    // path is resolved as CFile resolves it (inside the application folder
    // first, then as it stands), otherwise as it stands.
    OSErr Open(const char* path, bool applicationFolderFirst);

    // Reads size bytes at offset. *got (may be null) receives the count; the
    // answer is -39 when the file ends before size bytes.
    OSErr Read(std::uint64_t offset, void* buffer, std::uint32_t size, std::uint32_t* got);

    void Close();

  private:
    FSIORefNum m_nFork = 0;
};

}  // namespace zorvane
