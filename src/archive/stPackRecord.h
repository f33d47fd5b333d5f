// One 604-byte catalogue record of a packed archive, and the date and
// permission blocks it carries.
//
// On disk (big-endian):
//   0 szFname[260]  260 szOutputPath[260]  520 nOffset  524 nSize
//   528 nPackedSize  532 digest[16]  548 five 8-byte dates  588 permissions[16]
// Note that the uncompressed size comes before the stream length on disk.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace zorvane {

inline constexpr std::size_t kPackRecordSize = 604;
inline constexpr std::size_t kPackNameSize = 260;  // string field, NUL included
inline constexpr std::size_t kPackDigestSize = 16;

// Dates and the permission block use the platform's records, which hold the
// fields of the on-disk blocks in host byte order (Encode and Decode convert
// field by field): UTCDateTime (48-bit seconds since 1904-01-01 UTC and
// 1/65536 fractions; all zero = no date) and FSPermissionInfo (owner, group,
// reserved, user access, mode, reserved).
using stPackDate = UTCDateTime;
using stPackPermissions = FSPermissionInfo;

struct stPackRecord {
    char szFname[kPackNameSize] = {};            // bare file name, NUL-terminated
    char szOutputPath[kPackNameSize] = {};       // relative output folder, NUL-terminated
    std::uint32_t nOffset = 0;                   // stream offset from the data area's start
    std::uint32_t nSize = 0;                     // file length
    std::uint32_t nPackedSize = 0;               // stored stream length
    unsigned char digest[kPackDigestSize] = {};  // MD5 of the stored stream
    stPackDate createDate = {};
    stPackDate contentModDate = {};
    stPackDate attributeModDate = {};
    stPackDate accessDate = {};
    stPackDate backupDate = {};
    stPackPermissions permissions = {};

    // Writes the record's 604 bytes. Each string is written up to its NUL but
    // at most 259 bytes, and the rest of its field is zero.
    void Encode(unsigned char* out) const;
    // Reads a record from 604 bytes. A string without a NUL within its 260
    // bytes is cut to 259 bytes, so both strings always end in a NUL.
    static void Decode(const unsigned char* in, stPackRecord& out);
};

}  // namespace zorvane
