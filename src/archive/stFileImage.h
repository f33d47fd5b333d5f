// One catalogue entry of a packed archive, as CZPackedFile holds it.
//
// An entry is archived (nOffset >= 0: its stream lies in the archive file at
// that absolute offset) or pending (nOffset == -1: its bytes are the current
// contents of the file named by szFname, added since the archive was last
// opened or saved). Integers are in host byte order; the on-disk record is
// stPackRecord.
#pragma once

#include <cstdint>

#include "archive/stPackRecord.h"
#include "platform/types.h"

namespace zorvane {

inline constexpr std::size_t kPathBufSize = 1024;

struct stFileImage {
    // Archived: the stored bare file name. Pending: the path of the file that
    // holds the bytes. Lookups by name compare with this field.
    char szFname[kPathBufSize];
    char szOutputPath[kPathBufSize];        // relative output folder, e.g. "./Foo/Sub/"
    char szOutputFullFname[kPathBufSize];   // file the last output wrote; empty until then
    std::int32_t nOffset;                   // absolute stream offset, or -1 when pending
    std::uint32_t nPackedSize;              // stored stream length
    std::uint32_t nSize;                    // file length
    unsigned char digest[kPackDigestSize];  // MD5 of the stored stream
    UTCDateTime createDate;
    UTCDateTime contentModDate;
    UTCDateTime attributeModDate;
    UTCDateTime accessDate;
    UTCDateTime backupDate;
    FSPermissionInfo permissions;

    bool IsPending() const { return nOffset == -1; }
};

// Copies the five dates and the permissions between the records that carry
// them under the same names: stFileImage, stPackRecord and FSCatalogInfo.
template <class From, class To>
void CopyDatesAndPermissions(const From& from, To* to) {
    to->createDate = from.createDate;
    to->contentModDate = from.contentModDate;
    to->attributeModDate = from.attributeModDate;
    to->accessDate = from.accessDate;
    to->backupDate = from.backupDate;
    to->permissions = from.permissions;
}

}  // namespace zorvane
