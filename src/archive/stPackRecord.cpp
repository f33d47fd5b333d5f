#include "archive/stPackRecord.h"

#include <cstring>

#include "archive/BigEndian.h"

namespace zorvane {

namespace {

constexpr std::size_t kFnameAt = 0;
constexpr std::size_t kOutputPathAt = 260;
constexpr std::size_t kOffsetAt = 520;
constexpr std::size_t kSizeAt = 524;
constexpr std::size_t kPackedSizeAt = 528;
constexpr std::size_t kDigestAt = 532;
constexpr std::size_t kDatesAt = 548;
constexpr std::size_t kDateSize = 8;
constexpr std::size_t kPermissionsAt = 588;

// Copies a string field: at most 259 bytes, stopping at a NUL, zero-filled.
void CopyName(char* dst, const char* src) {
    std::size_t n = 0;
    while (n < kPackNameSize - 1 && src[n] != '\0') {
        ++n;
    }
    std::memcpy(dst, src, n);
    std::memset(dst + n, 0, kPackNameSize - n);
}

void EncodeDate(unsigned char* out, const stPackDate& d) {
    PutBE16(out, d.highSeconds);
    PutBE32(out + 2, d.lowSeconds);
    PutBE16(out + 6, d.fraction);
}

stPackDate DecodeDate(const unsigned char* in) {
    stPackDate d = {};
    d.highSeconds = GetBE16(in);
    d.lowSeconds = GetBE32(in + 2);
    d.fraction = GetBE16(in + 6);
    return d;
}

void EncodePermissions(unsigned char* out, const stPackPermissions& p) {
    PutBE32(out, p.userID);
    PutBE32(out + 4, p.groupID);
    out[8] = p.reserved1;
    out[9] = p.userAccess;
    PutBE16(out + 10, p.mode);
    PutBE32(out + 12, p.reserved2);
}

stPackPermissions DecodePermissions(const unsigned char* in) {
    stPackPermissions p = {};
    p.userID = GetBE32(in);
    p.groupID = GetBE32(in + 4);
    p.reserved1 = in[8];
    p.userAccess = in[9];
    p.mode = GetBE16(in + 10);
    p.reserved2 = GetBE32(in + 12);
    return p;
}

}  // namespace

void stPackRecord::Encode(unsigned char* out) const {
    CopyName(reinterpret_cast<char*>(out + kFnameAt), szFname);
    CopyName(reinterpret_cast<char*>(out + kOutputPathAt), szOutputPath);
    PutBE32(out + kOffsetAt, nOffset);
    PutBE32(out + kSizeAt, nSize);
    PutBE32(out + kPackedSizeAt, nPackedSize);
    std::memcpy(out + kDigestAt, digest, kPackDigestSize);
    const stPackDate* dates[] = {&createDate, &contentModDate, &attributeModDate, &accessDate,
                                 &backupDate};
    for (std::size_t i = 0; i < 5; ++i) {
        EncodeDate(out + kDatesAt + i * kDateSize, *dates[i]);
    }
    EncodePermissions(out + kPermissionsAt, permissions);
}

void stPackRecord::Decode(const unsigned char* in, stPackRecord& out) {
    CopyName(out.szFname, reinterpret_cast<const char*>(in + kFnameAt));
    CopyName(out.szOutputPath, reinterpret_cast<const char*>(in + kOutputPathAt));
    out.nOffset = GetBE32(in + kOffsetAt);
    out.nSize = GetBE32(in + kSizeAt);
    out.nPackedSize = GetBE32(in + kPackedSizeAt);
    std::memcpy(out.digest, in + kDigestAt, kPackDigestSize);
    stPackDate* dates[] = {&out.createDate, &out.contentModDate, &out.attributeModDate,
                           &out.accessDate, &out.backupDate};
    for (std::size_t i = 0; i < 5; ++i) {
        *dates[i] = DecodeDate(in + kDatesAt + i * kDateSize);
    }
    out.permissions = DecodePermissions(in + kPermissionsAt);
}

}  // namespace zorvane
